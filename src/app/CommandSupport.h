#pragma once

#include "app/CommandStreams.h"
#include "engine/Provider.h"

#include <QCommandLineParser>
#include <QStringList>

#include <QList>

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

// An action a command takes as its first positional argument: how many positional arguments it
// needs in all, itself counted, and what to say after "ovisu <command> <action>: " when the
// count is wrong.
struct CommandAction {
    const char* name;
    qsizetype positionalCount;
    const char* wrongCountText;
};

// The actions of one command. The help and the refusal of an unknown action list the same
// names, in the table's order ("list, add or remove").
class CommandActions {
public:
    CommandActions(const char* command, QList<CommandAction> actions);

    // Declares the "action" argument for the help.
    void addArgument(QCommandLineParser& parser) const;

    // Parses the arguments as parseCommandArguments() does and answers the action they name, once
    // it is known and has its arguments. Otherwise the command ends with the exit status the error
    // holds: 0 after --help, 2 once the fault has been reported ("ovisu <command>: the action must
    // be list, add or remove", or the action's wrong-count text).
    std::expected<QString, int> parse(QCommandLineParser& parser, const QStringList& arguments,
                                      CommandStreams& streams) const;

private:
    QString namesSentence() const;

    const char* m_command;
    QList<CommandAction> m_actions;
};

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
