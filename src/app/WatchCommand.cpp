#include "app/WatchCommand.h"

#include "app/CommandSupport.h"
#include "app/TranslationServices.h"
#include "app/StopSignals.h"
#include "app/TargetArguments.h"
#include "app/TranslationOutcomeRecording.h"
#include "base/SettingsStore.h"
#include "dialogue/RealtimeSession.h"
#include "capture/RealtimeStatusPresentation.h"
#include "history/AsyncHistoryAppender.h"
#include "history/TranslationHistoryStore.h"
#include "capture/WindowCapture.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

namespace ovisu {
namespace {

class WatchPrinter final : public RealtimeSessionClient {
public:
    WatchPrinter(CommandStreams& streams, bool json, AsyncHistoryAppender& history)
        : m_streams(streams), m_json(json), m_history(history) {}

    void realtimeStateChanged(const RealtimeTranslationState& state) override {
        if (state == m_lastState) return;  // every tick reports "capturing"; say it once
        m_lastState = state;
        const QString text = RealtimeStatusPresentation::make(state, false).text;
        if (m_json)
            line(QJsonObject{{"event", "state"}, {"state", RealtimeTranslationState::name(state.kind)}, {"text", text}});
        else
            m_streams.out << "[" << RealtimeTranslationState::name(state.kind) << "] " << text << "\n";
        m_streams.out.flush();
    }
    void statusLabelChanged(const QString& text) override {
        if (m_json)
            line(QJsonObject{{"event", "status"}, {"text", text}});
        else
            m_streams.out << "[status] " << text << "\n";
        m_streams.out.flush();
    }
    void translationEnded(const TranslationOutcome& outcome) override {
        recordTranslationOutcome(outcome, m_history);
        if (!outcome.succeeded()) return;  // the error state says it
        if (m_json) {
            line(QJsonObject{{"event", "translation"},
                             {"original", outcome.original},
                             {"translation", outcome.record->translation},
                             {"provider", outcome.providerLabel},
                             {"cacheHit", outcome.cacheHit},
                             {"duration", outcome.duration ? QJsonValue(*outcome.duration) : QJsonValue()}});
        } else {
            m_streams.out << "原文：" << QString(outcome.original).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n"
                          << "译文：" << outcome.record->translation << "  (" << outcome.providerLabel << ")\n";
        }
        m_streams.out.flush();
    }

private:
    void line(const QJsonObject& object) { m_streams.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << "\n"; }

    CommandStreams& m_streams;
    bool m_json;
    AsyncHistoryAppender& m_history;
    std::optional<RealtimeTranslationState> m_lastState;
};

}  // namespace

int runWatchCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Watch a game window and translate each new line of dialogue."));
    const QCommandLineOption windowOption("window", QStringLiteral("The game window: identifier or (part of) its title."), "ID|TITLE");
    const QCommandLineOption regionOption("region", QStringLiteral("Subtitle region as fractions of the window: x,y,w,h."), "x,y,w,h");
    const QCommandLineOption providerOption({"p", "provider"}, QStringLiteral("Source: raw value or name (default: the current one)."), "N");
    const QCommandLineOption intervalOption("interval", QStringLiteral("Seconds between captures (default: the setting, 0.8)."), "S");
    const QCommandLineOption jsonOption("json", QStringLiteral("One JSON object per line."));
    for (const auto& option : {windowOption, regionOption, providerOption, intervalOption, jsonOption}) parser.addOption(option);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    if (!parser.isSet(windowOption) || !parser.isSet(regionOption)) {
        streams.err << "ovisu watch: --window and --region are required\n";
        return 2;
    }
    const auto region = parseRegion(parser.value(regionOption));
    if (!region) {
        streams.err << "ovisu watch: the region must be four fractions x,y,w,h of the window, e.g. 0.1,0.7,0.8,0.25\n";
        return 2;
    }
    const auto interval = intervalArgument(parser, intervalOption, "watch", streams);
    if (!interval) return interval.error();

    SettingsStore settings;
    ProviderSelection selection(settings);
    if (const auto exit = useProviderArgument(parser, providerOption, selection, streams)) return *exit;
    const auto capture = makeWindowCapture();
    const auto target = requireTarget(*capture, parser.value(windowOption), "watch", streams);
    if (!target) return target.error();

    TranslationServices services(settings, selection);
    AsyncHistoryAppender history;
    WatchPrinter printer(streams, parser.isSet(jsonOption), history);
    TranslationPipeline pipeline(services.pipelineServices());
    RealtimeSession session(settings, *capture, pipeline, printer);
    // The desktop program may have been left in interface mode; this command reads dialogue.
    session.useModeTransiently(TranslationMode::dialogue);
    session.setPollingIntervalOverride(*interval);
    session.setTarget(*target);
    session.setRegion(region);

    const StopSignals stopSignals;
    if (!stopSignals.isInstalled()) {
        streams.err << "ovisu watch: cannot set up the stop signal\n";
        return 1;
    }

    if (!parser.isSet(jsonOption)) streams.out << "Watching " << target->title << " — Ctrl+C stops.\n";
    session.startTranslation();
    if (!session.isRunning()) return 1;  // the start was refused and said why
    QCoreApplication::exec();

    session.stopTranslation();
    history.waitForPendingAppends();
    return 0;
}

}  // namespace ovisu
