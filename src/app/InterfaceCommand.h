#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu interface --window ID|TITLE [--region x,y,w,h ...] [--provider N] [--interval S] [--once]
// [--json]": interface mode without the desktop program. Prints every recognition (each block with
// its text, kind, confidence, box and whether it is translated or why not) and every answer (from
// which store, or translated). --once answers one recognition and exits; otherwise Ctrl+C stops.
int runInterfaceCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
