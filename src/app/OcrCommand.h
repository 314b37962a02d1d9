#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu ocr IMAGE [--level fast|accurate] [--json]": reads one subtitle image the way the realtime
// loop does (enlarged when narrow, the loop's hints) and shows every line the recogniser returned
// with its confidence and box, the dialogue text left after the noise filter and the line merger,
// the quality gate's decision and the time taken.
int runOcrCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
