#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu history [--export FILE]": the saved translation history, newest first, printed or
// written to FILE as UTF-8.
int runHistoryCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
