#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu credentials set|delete PROVIDER" and "ovisu credentials list". A secret is read from
// standard input, never from an argument, so it stays out of shell history and process lists.
int runCredentialsCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
