#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu watch --window ID|TITLE --region x,y,w,h [--provider N] [--interval S] [--json]": a
// realtime dialogue session without the desktop program, printing each state change and each
// translation until Ctrl+C (or SIGTERM) stops it cleanly.
int runWatchCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
