#include "app/ProviderCommands.h"

#include "app/CommandSupport.h"
#include "app/TextTable.h"
#include "base/SecretMasking.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSettings.h"

#include <QFile>
#include <QJsonDocument>

namespace ovisu {
namespace {

QString streamStyleName(std::optional<TranslationStreamStyle> style) {
    if (!style) return QStringLiteral("none");
    switch (*style) {
    case TranslationStreamStyle::chatCompletions: return QStringLiteral("chatCompletions");
    case TranslationStreamStyle::responses: return QStringLiteral("responses");
    case TranslationStreamStyle::claude: return QStringLiteral("claude");
    }
    return QStringLiteral("none");
}

// JSON bodies are shown indented so they can be read; anything else exactly as sent.
QString readableBody(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error == QJsonParseError::NoError && !document.isNull())
        return QString::fromUtf8(document.toJson(QJsonDocument::Indented)).trimmed();
    return QString::fromUtf8(body);
}

QString describeRequest(const HttpRequest& request) {
    QString text = QString::fromLatin1(request.method) + QLatin1Char(' ') +
                   QString::fromUtf8(request.url.toEncoded()) + QLatin1Char('\n');
    for (const HttpHeader& header : request.headers)
        text += QString::fromLatin1(header.name) + QStringLiteral(": ") + QString::fromUtf8(header.value) +
                QLatin1Char('\n');
    text += QStringLiteral("(time-out %1 s)\n").arg(request.timeoutSeconds);
    if (!request.body.isEmpty()) text += QLatin1Char('\n') + readableBody(request.body) + QLatin1Char('\n');
    return text;
}

}  // namespace

int runProvidersCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("List the translation sources."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    SettingsStore settings;
    ProviderSettings providers(settings);
    TextTable table({"raw", "title", "adapter", "stream", "endpoint", "model", "status"});
    for (Provider provider : allProviders()) {
        const auto orDash = [](const QString& value) { return value.isEmpty() ? QStringLiteral("-") : value; };
        const auto adapter = providers.providerAdapter(provider);
        table.addRow({QString::number(rawValue(provider)), ProviderCatalogue::title(provider),
                      adapter ? adapter->id() : QStringLiteral("-"), streamStyleName(providers.streamStyle(provider)),
                      orDash(providers.endpoint(provider)), orDash(providers.model(provider)),
                      providers.providerConfigurationIssue(provider).value_or(QStringLiteral("ok"))});
    }
    streams.out << table.render();
    return 0;
}

int runRequestCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Show the HTTP request a source would send. Secrets are masked."));
    const QCommandLineOption providerOption({"p", "provider"}, QStringLiteral("Source: raw value or name."), "N");
    const QCommandLineOption streamOption("stream", QStringLiteral("Ask the service to stream."));
    parser.addOption(providerOption);
    parser.addOption(streamOption);
    parser.addPositionalArgument("text", QStringLiteral("The Japanese text."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const auto provider = requireProvider(parser.value(providerOption), streams);
    if (!provider) return 2;
    const QString text = parser.positionalArguments().join(QLatin1Char(' '));
    if (text.isEmpty()) {
        streams.err << "ovisu request: no text given\n";
        return 2;
    }

    SettingsStore settings;
    ProviderSettings providers(settings);
    const auto adapter = providers.providerAdapter(*provider);
    if (!adapter) {
        streams.err << "ovisu request: " << ProviderCatalogue::title(*provider)
                    << " is not reached over HTTP, so it has no request to show\n";
        return 1;
    }
    const auto configuration = providers.providerConfiguration(*provider, parser.isSet(streamOption));
    if (!configuration) {
        streams.err << "ovisu request: " << ProviderCatalogue::title(*provider) << "："
                    << providers.providerConfigurationIssue(*provider).value_or(QStringLiteral("接口地址无效")) << "\n";
        return 1;
    }
    if (const auto issue = providers.providerConfigurationIssue(*provider))
        streams.err << "warning: " << ProviderCatalogue::title(*provider) << "：" << *issue << "\n";

    const RequestResult request = adapter->makeRequest(text, *configuration);
    if (!request) {
        streams.err << "ovisu request: " << request.error().localizedDescription() << "\n";
        return 1;
    }
    streams.out << maskSecretIn(describeRequest(*request), configuration->apiKey);
    return 0;
}

int runParseCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Show what a source's adapter reads out of a body."));
    const QCommandLineOption providerOption({"p", "provider"}, QStringLiteral("Source: raw value or name."), "N");
    const QCommandLineOption errorOption("error", QStringLiteral("Read the body as an error body."));
    parser.addOption(providerOption);
    parser.addOption(errorOption);
    parser.addPositionalArgument("file", QStringLiteral("The body, or - for standard input."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const auto provider = requireProvider(parser.value(providerOption), streams);
    if (!provider) return 2;
    if (parser.positionalArguments().size() != 1) {
        streams.err << "ovisu parse: give exactly one file (or - for standard input)\n";
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    QByteArray body;
    if (path == QLatin1String("-")) {
        body = streams.in.readAll();
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            streams.err << "ovisu parse: cannot read " << path << ": " << file.errorString() << "\n";
            return 1;
        }
        body = file.readAll();
    }

    SettingsStore settings;
    ProviderSettings providers(settings);
    const auto adapter = providers.providerAdapter(*provider);
    if (!adapter) {
        streams.err << "ovisu parse: " << ProviderCatalogue::title(*provider) << " has no HTTP adapter\n";
        return 1;
    }
    const bool asError = parser.isSet(errorOption);
    const auto result = asError ? adapter->parseError(body) : adapter->parseResponse(body);
    if (!result) {
        streams.err << "ovisu parse: " << (asError ? "no error message" : "no translation") << " found in "
                    << path << " for " << adapter->displayName() << "\n";
        return 1;
    }
    streams.out << *result << "\n";
    return 0;
}

}  // namespace ovisu
