#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu diagnostics -o FILE.zip": the complete diagnostic package the software-log page exports,
// made without the desktop program (no target window, no session lines). Prints the package's
// path; on failure the error and exit status 1.
int runDiagnosticsCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
