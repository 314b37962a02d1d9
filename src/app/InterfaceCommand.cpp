#include "app/InterfaceCommand.h"

#include "app/CommandSupport.h"
#include "app/InterfaceModeParts.h"
#include "app/StopSignals.h"
#include "app/TargetArguments.h"
#include "app/TranslationServices.h"
#include "base/SettingsStore.h"
#include "capture/RealtimeStatusPresentation.h"
#include "capture/WindowCapture.h"
#include "engine/ProviderSelection.h"
#include "interface/InterfacePanelRecord.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

namespace ovisu {
namespace {

QJsonObject boxOf(const QRectF& r) {
    return {{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
}

class InterfacePrinter final : public InterfaceSessionClient {
public:
    InterfacePrinter(CommandStreams& streams, bool json) : m_streams(streams), m_json(json) {}

    bool recognized() const { return m_recognitions > 0; }
    bool failed() const { return m_lastState && m_lastState->isError(); }

    void realtimeStateChanged(const RealtimeTranslationState& state) override {
        if (state == m_lastState) return;
        m_lastState = state;
        const QString text = RealtimeStatusPresentation::make(state, false).text;
        if (m_json)
            line({{"event", "state"}, {"state", RealtimeTranslationState::name(state.kind)}, {"text", text}});
        else
            m_streams.out << "[" << RealtimeTranslationState::name(state.kind) << "] " << text << "\n";
        m_streams.out.flush();
    }
    void statusLabelChanged(const QString& text) override {
        if (m_json)
            line({{"event", "status"}, {"text", text}});
        else
            m_streams.out << "[status] " << text << "\n";
        m_streams.out.flush();
    }
    void interfaceRecognized(const QList<InterfaceBlockVerdict>& verdicts) override {
        ++m_recognitions;
        if (m_json) {
            QJsonArray blocks;
            for (const InterfaceBlockVerdict& v : verdicts) {
                QJsonObject block{{"text", v.block.text},
                                  {"kind", rawValue(v.kind)},
                                  {"confidence", double(v.block.confidence)},
                                  {"box", boxOf(v.block.normalizedRect)},
                                  {"accepted", !v.rejection}};
                if (v.rejection) block.insert("reason", InterfaceRecognition::describe(*v.rejection));
                blocks.append(block);
            }
            line({{"event", "recognition"}, {"blocks", blocks}});
        } else {
            m_streams.out << "识别到 " << verdicts.size() << " 段文字：\n";
            for (const InterfaceBlockVerdict& v : verdicts) {
                const QRectF& r = v.block.normalizedRect;
                m_streams.out << "  " << (v.rejection ? "-" : "+") << " " << v.block.text << "  [" << rawValue(v.kind)
                              << " " << QString::number(v.block.confidence, 'f', 2) << " @ "
                              << QString::number(r.x(), 'f', 3) << "," << QString::number(r.y(), 'f', 3) << ","
                              << QString::number(r.width(), 'f', 3) << "," << QString::number(r.height(), 'f', 3) << "]";
                if (v.rejection) m_streams.out << "  " << InterfaceRecognition::describe(*v.rejection);
                m_streams.out << "\n";
            }
        }
        m_streams.out.flush();
    }
    void interfaceAnswered(const UIOCRTextBlock& block, const QString& translation,
                           InterfaceAnswerOrigin origin) override {
        if (m_json)
            line({{"event", "answer"}, {"text", block.text}, {"translation", translation}, {"from", describe(origin)}});
        else
            m_streams.out << "  " << block.text << " → " << translation << "  (" << describe(origin) << ")\n";
        m_streams.out.flush();
    }

private:
    void line(const QJsonObject& object) { m_streams.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << "\n"; }

    CommandStreams& m_streams;
    bool m_json;
    int m_recognitions = 0;
    std::optional<RealtimeTranslationState> m_lastState;
};

}  // namespace

int runInterfaceCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Translate the menus, buttons and status texts of a game window."));
    const QCommandLineOption windowOption("window", QStringLiteral("The game window: identifier or (part of) its title."), "ID|TITLE");
    const QCommandLineOption regionOption(
        "region", QStringLiteral("A UI region as fractions of the window: x,y,w,h (repeatable; default: the stored regions)."),
        "x,y,w,h");
    const QCommandLineOption providerOption({"p", "provider"}, QStringLiteral("Source: raw value or name (default: the current one)."), "N");
    const QCommandLineOption intervalOption("interval", QStringLiteral("Seconds between captures (default: the setting, 0.8)."), "S");
    const QCommandLineOption onceOption("once", QStringLiteral("Recognise one frame, answer it and exit."));
    const QCommandLineOption jsonOption("json", QStringLiteral("One JSON object per line."));
    for (const auto& option : {windowOption, regionOption, providerOption, intervalOption, onceOption, jsonOption})
        parser.addOption(option);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    if (!parser.isSet(windowOption)) {
        streams.err << "ovisu interface: --window is required\n";
        return 2;
    }
    QList<QRectF> regions;
    for (const QString& value : parser.values(regionOption)) {
        const auto region = parseRegion(value);
        if (!region) {
            streams.err << "ovisu interface: a region must be four fractions x,y,w,h of the window, e.g. 0.05,0.2,0.3,0.6\n";
            return 2;
        }
        regions.append(*region);
    }
    const auto interval = intervalArgument(parser, intervalOption, "interface", streams);
    if (!interval) return interval.error();

    SettingsStore settings;
    ProviderSelection selection(settings);
    if (const auto exit = useProviderArgument(parser, providerOption, selection, streams)) return *exit;
    const auto capture = makeWindowCapture();
    const auto target = requireTarget(*capture, parser.value(windowOption), "interface", streams);
    if (!target) return target.error();

    // Regions given here are this run's own: the user's stored regions stay as they are.
    QTemporaryDir regionFolder;
    InterfaceModeParts::Options options;
    if (!regions.isEmpty()) {
        if (!regionFolder.isValid()) {
            streams.err << "ovisu interface: cannot make a temporary folder for the regions\n";
            return 1;
        }
        options.regionFile = regionFolder.filePath(QStringLiteral("ui-ocr-regions.json"));
    }
    TranslationServices services(settings, selection);
    InterfacePrinter printer(streams, parser.isSet(jsonOption));
    InterfacePanelRecord panels;
    InterfaceModeParts parts(settings, selection, services, *capture, panels, printer, std::move(options));
    for (const QRectF& region : regions)
        if (const auto added = parts.regions().add(region); added.realtimeError) {
            streams.err << "ovisu interface: " << *added.realtimeError << "\n";
            return 1;
        }
    InterfaceSession& session = parts.session();
    session.setPollingIntervalOverride(*interval);
    session.setTarget(*target);

    const StopSignals stopSignals;
    if (!stopSignals.isInstalled()) {
        streams.err << "ovisu interface: cannot set up the stop signal\n";
        return 1;
    }

    // One recognition answered (or a failure with nothing left in flight) ends a --once run.
    QTimer onceCheck;
    if (parser.isSet(onceOption)) {
        QObject::connect(&onceCheck, &QTimer::timeout, [&] {
            if ((printer.recognized() || printer.failed()) && !session.hasPendingTranslations())
                QCoreApplication::quit();
        });
        onceCheck.start(50);
    }

    if (!parser.isSet(jsonOption) && !parser.isSet(onceOption))
        streams.out << "Watching the interface of " << target->title << " — Ctrl+C stops.\n";
    session.startTranslation();
    const bool started = session.isRunning();
    if (started) QCoreApplication::exec();
    if (session.isRunning()) session.stopTranslation();
    if (!started) return 1;  // the start was refused and said why
    return parser.isSet(onceOption) && printer.failed() ? 1 : 0;
}

}  // namespace ovisu
