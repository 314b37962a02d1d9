#pragma once

#include "app/CommandStreams.h"
#include "engine/Provider.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

namespace ovisu {

// A source named on the command line by raw value ("4") or case name ("deepSeek").
std::optional<Provider> providerFromArgument(const QString& argument);

// Parses a command's arguments; on an error or --help it has already written what to say and
// returns the exit status to end with.
std::optional<int> parseCommandArguments(QCommandLineParser& parser, const QStringList& arguments,
                                         CommandStreams& streams);

// Reads a source option, writing the error when it is missing or unknown.
std::optional<Provider> requireProvider(const QString& value, CommandStreams& streams);

}  // namespace ovisu
