#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu translate [--provider N] [--stream] [--json] [TEXT | -]": one translation through the
// whole pipeline (cache, retries, fallback, cleaning, history, metrics).
int runTranslateCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
