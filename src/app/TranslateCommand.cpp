#include "app/TranslateCommand.h"

#include "app/CommandSupport.h"
#include "app/TranslationServices.h"
#include "app/TranslationOutcomeRecording.h"
#include "base/OCRTextCleaner.h"
#include "base/SettingsStore.h"
#include "history/AsyncHistoryAppender.h"
#include "history/TranslationHistoryStore.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

namespace ovisu {
namespace {

// Shows the stream as it grows and keeps how the translation ended.
class CommandLineClient final : public TranslationPipelineClient {
public:
    CommandLineClient(CommandStreams& streams, bool showPreview, QEventLoop& loop)
        : m_streams(streams), m_showPreview(showPreview), m_loop(loop) {}

    void setPipeline(const TranslationPipeline* pipeline) { m_pipeline = pipeline; }
    const std::optional<TranslationOutcome>& outcome() const { return m_outcome; }

    void panelLinesChanged() override {
        if (!m_showPreview || !m_pipeline || m_pipeline->panelLines().isEmpty()) return;
        const TranslationHistoryRecord& latest = m_pipeline->panelLines().last();
        if (!latest.provider.endsWith(QStringLiteral(" · 流式生成中"))) return;
        if (m_streams.errIsTerminal) {
            // One line, rewritten in place: the preview replaces itself as the text grows.
            QString line = latest.translation;
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            m_streams.err << "\r\033[K" << line;
        } else {
            m_streams.err << latest.translation.mid(m_shownLength);
        }
        m_shownLength = latest.translation.size();
        m_streams.err.flush();
    }

    void translationEnded(const TranslationOutcome& outcome) override {
        if (m_showPreview && m_shownLength > 0) m_streams.err << (m_streams.errIsTerminal ? "\r\033[K" : "\n");
        m_outcome = outcome;
        m_loop.quit();
    }

private:
    CommandStreams& m_streams;
    bool m_showPreview;
    QEventLoop& m_loop;
    const TranslationPipeline* m_pipeline = nullptr;
    qsizetype m_shownLength = 0;
    std::optional<TranslationOutcome> m_outcome;
};

QJsonObject outcomeJson(const TranslationOutcome& outcome) {
    QJsonObject object{{"original", outcome.original},
                       {"provider", outcome.providerLabel},
                       {"cacheHit", outcome.cacheHit},
                       {"retries", outcome.retries}};
    object.insert("translation", outcome.record ? QJsonValue(outcome.record->translation) : QJsonValue());
    object.insert("duration", outcome.duration ? QJsonValue(*outcome.duration) : QJsonValue());
    object.insert("httpStatus", outcome.httpStatus ? QJsonValue(*outcome.httpStatus) : QJsonValue());
    object.insert("error", outcome.errorMessage ? QJsonValue(*outcome.errorMessage) : QJsonValue());
    return object;
}

}  // namespace

int runTranslateCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Translate one text through the whole pipeline."));
    const QCommandLineOption providerOption({"p", "provider"}, QStringLiteral("Source: raw value or name (default: the current one)."), "N");
    const QCommandLineOption streamOption("stream", QStringLiteral("Stream the reply where the source can."));
    const QCommandLineOption jsonOption("json", QStringLiteral("Print one JSON object describing the result."));
    parser.addOption(providerOption);
    parser.addOption(streamOption);
    parser.addOption(jsonOption);
    parser.addPositionalArgument("text", QStringLiteral("The Japanese text, or - to read standard input."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    QString text = parser.positionalArguments().join(QLatin1Char(' '));
    if (text.isEmpty() || text == QLatin1String("-")) text = QString::fromUtf8(streams.in.readAll());
    text = text.trimmed();
    if (text.isEmpty()) {
        streams.err << "ovisu translate: no text given\n";
        return 2;
    }

    SettingsStore settings;
    ProviderSelection selection(settings);
    if (const auto exit = useProviderArgument(parser, providerOption, selection, streams)) return *exit;

    TranslationServices services(settings, selection);
    QEventLoop loop;
    const bool json = parser.isSet(jsonOption);
    CommandLineClient client(streams, !json && parser.isSet(streamOption), loop);
    TranslationPipeline pipeline(services.pipelineServices(), client);
    client.setPipeline(&pipeline);
    pipeline.setStreamingPreference(parser.isSet(streamOption));

    const Provider provider = selection.currentProvider();
    if (const auto issue = pipeline.providerSettings().providerConfigurationIssue(provider)) {
        const QString message = ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue;
        if (json)
            streams.out << QJsonDocument(QJsonObject{{"original", text}, {"error", message}}).toJson(QJsonDocument::Compact) << "\n";
        else
            streams.err << message << "\n";
        return 1;
    }

    pipeline.translate(text, OCRTextCleaner::comparisonForm(text));
    if (!client.outcome()) loop.exec();
    const TranslationOutcome outcome = *client.outcome();

    AsyncHistoryAppender history;
    recordTranslationOutcome(outcome, history);
    history.waitForPendingAppends();

    if (json) {
        streams.out << QJsonDocument(outcomeJson(outcome)).toJson(QJsonDocument::Compact) << "\n";
        return outcome.succeeded() ? 0 : 1;
    }
    if (!outcome.succeeded()) {
        streams.err << outcome.errorMessage.value_or(QStringLiteral("翻译失败")) << "\n";
        return 1;
    }
    streams.out << outcome.record->translation << "\n";
    return 0;
}

}  // namespace ovisu
