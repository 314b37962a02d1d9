#pragma once

#include "app/CommandStreams.h"
#include "engine/Provider.h"

#include <QCommandLineParser>
#include <QStringList>

#include <expected>
#include <optional>

namespace ovisu {

class ProviderSelection;

// A source named on the command line by raw value ("4") or case name ("deepSeek").
std::optional<Provider> providerFromArgument(const QString& argument);

// Parses a command's arguments; on an error or --help it has already written what to say and
// returns the exit status to end with.
std::optional<int> parseCommandArguments(QCommandLineParser& parser, const QStringList& arguments,
                                         CommandStreams& streams);

// Reads a source option, writing the error when it is missing or unknown.
std::optional<Provider> requireProvider(const QString& value, CommandStreams& streams);

// When the option names a source, this run uses it without storing the choice. A name that is
// missing or unknown has been reported and answers the exit status to end with.
std::optional<int> useProviderArgument(const QCommandLineParser& parser, const QCommandLineOption& option,
                                       ProviderSelection& selection, CommandStreams& streams);

// The seconds between captures the option gives, nothing when it is not set. A value that is not
// a positive number is reported as "ovisu <command>: …" and answers the exit status instead.
std::expected<std::optional<double>, int> intervalArgument(const QCommandLineParser& parser,
                                                           const QCommandLineOption& option, const char* command,
                                                           CommandStreams& streams);

}  // namespace ovisu
