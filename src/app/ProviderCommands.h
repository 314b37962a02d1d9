#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu providers": the catalogue with each source's adapter, endpoint, model and readiness.
int runProvidersCommand(const QStringList& arguments, CommandStreams& streams);
// "ovisu request --provider N [--stream] TEXT": the HTTP request the adapter builds, secrets masked.
int runRequestCommand(const QStringList& arguments, CommandStreams& streams);
// "ovisu parse --provider N [--error] FILE": what the adapter reads out of a body.
int runParseCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
