#include "app/CommandSupport.h"

#include "engine/ProviderSelection.h"

namespace ovisu {

std::optional<Provider> providerFromArgument(const QString& argument) {
    bool isNumber = false;
    const int raw = argument.toInt(&isNumber);
    if (isNumber) return providerFromRawValue(raw);
    return providerFromCaseName(argument);
}

std::optional<int> parseCommandArguments(QCommandLineParser& parser, const QStringList& arguments,
                                         CommandStreams& streams) {
    const QCommandLineOption help({"h", "help"}, QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        streams.err << "ovisu " << arguments.value(0) << ": " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(help)) {
        // helpText() names the program after argv[0]; prefix the command so the usage reads right.
        streams.out << parser.helpText().replace(QStringLiteral("Usage: ") + arguments.value(0),
                                                 QStringLiteral("Usage: ovisu ") + arguments.value(0));
        return 0;
    }
    return std::nullopt;
}

std::optional<Provider> requireProvider(const QString& value, CommandStreams& streams) {
    if (value.isEmpty()) {
        streams.err << "ovisu: a source is required (--provider N, raw value 0-25 or a name such as deepSeek)\n";
        return std::nullopt;
    }
    const auto provider = providerFromArgument(value);
    if (!provider) streams.err << "ovisu: unknown source '" << value << "' (use 0-25 or a name such as deepSeek)\n";
    return provider;
}

CommandActions::CommandActions(const char* command, QList<CommandAction> actions)
    : m_command(command), m_actions(std::move(actions)) {}

QString CommandActions::namesSentence() const {
    QStringList names;
    for (const CommandAction& action : m_actions) names.append(QString::fromLatin1(action.name));
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

void CommandActions::addArgument(QCommandLineParser& parser) const {
    parser.addPositionalArgument(QStringLiteral("action"), namesSentence());
}

std::expected<QString, int> CommandActions::parse(QCommandLineParser& parser, const QStringList& arguments,
                                                  CommandStreams& streams) const {
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return std::unexpected(*exit);
    const QStringList positional = parser.positionalArguments();
    const QString action = positional.value(0);
    for (const CommandAction& known : m_actions) {
        if (action != QLatin1String(known.name)) continue;
        if (positional.size() != known.positionalCount) {
            streams.err << "ovisu " << m_command << " " << action << ": " << known.wrongCountText << "\n";
            return std::unexpected(2);
        }
        return action;
    }
    streams.err << "ovisu " << m_command << ": the action must be " << namesSentence() << "\n";
    return std::unexpected(2);
}

std::optional<int> useProviderArgument(const QCommandLineParser& parser, const QCommandLineOption& option,
                                       ProviderSelection& selection, CommandStreams& streams) {
    if (!parser.isSet(option)) return std::nullopt;
    const auto provider = requireProvider(parser.value(option), streams);
    if (!provider) return 2;
    selection.useTransiently(*provider);
    return std::nullopt;
}

std::expected<std::optional<double>, int> intervalArgument(const QCommandLineParser& parser,
                                                           const QCommandLineOption& option, const char* command,
                                                           CommandStreams& streams) {
    if (!parser.isSet(option)) return std::nullopt;
    bool ok = false;
    const double seconds = parser.value(option).toDouble(&ok);
    if (!ok || seconds <= 0) {
        streams.err << "ovisu " << command << ": --interval takes a positive number of seconds\n";
        return std::unexpected(2);
    }
    return seconds;
}

}  // namespace ovisu
