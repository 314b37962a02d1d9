#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu windows [--json]": the windows that can be translated, with identifiers and frames.
int runWindowsCommand(const QStringList& arguments, CommandStreams& streams);
// "ovisu capture --window ID|TITLE [--region x,y,w,h] -o FILE.png": one capture of a window, or
// with a region (fractions of the window, origin top-left) the crop the realtime loop recognises.
int runCaptureCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
