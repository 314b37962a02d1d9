#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

#include <optional>

namespace ovisu {

// Runs "ovisu <command> ..." and returns its exit status; nothing when no command was given and
// the desktop program should start instead. `arguments` includes the program name.
std::optional<int> runCommandLine(const QStringList& arguments, CommandStreams& streams);

// True when the arguments name a command, so main() can skip creating any window machinery.
bool namesCommand(const QStringList& arguments);

}  // namespace ovisu
