// The realtime loop's own costs on a real X server: one unchanged tick of a 1280 x 720 game
// (capture, crop, thumbnail, compare), CPU use over an unchanging screen, how often the thumbnail
// notices a one-character change, and the delay from a line being fully shown to its translation
// arriving, with the fake service answering at once.
#include "base/SettingsStore.h"
#include "capture/CaptureRegionGeometry.h"
#include "dialogue/FrameFingerprint.h"
#include "dialogue/RealtimeSession.h"
#include "capture/WindowCapture.h"
#include "engine/HttpTransport.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"
#include "support/DialogueImageRenderer.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ovisu;

namespace {

const QRectF kRegion(0.06, 0.71, 0.88, 0.17);

double percentile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(q * (values.size() - 1))];
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

std::optional<TargetWindow> findGame(WindowCapture& capture, const QString& title) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const auto windows = capture.listWindows())
            for (const PlatformWindow& window : *windows)
                if (window.isOnScreen && window.title == title) return TargetWindow::make(window);
        QThread::msleep(100);
    }
    return std::nullopt;
}

QProcess* startGame(const QString& script, const QString& log, int holdMs, const QString& title) {
    auto* game = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    game->setProcessEnvironment(environment);
    game->start(QStringLiteral(OVISU_TEST_GAME_BINARY), {"--script", script, "--log", log, "--char-ms", "40", "--hold-ms",
                                                         QString::number(holdMs), "--size", "34", "--title", title});
    game->waitForStarted(5000);
    return game;
}

class LatencyClient : public RealtimeSessionClient {
public:
    QList<qint64> arrivals;  // ms since the epoch
    void translationEnded(const TranslationOutcome& outcome) override {
        if (outcome.succeeded()) arrivals.append(QDateTime::currentMSecsSinceEpoch());
    }
};

struct LatencyRun {
    std::vector<double> latenciesMs;
    int requests = 0;
    int pages = 0;
};

LatencyRun measureLatency(const QString& home, bool highPerformance) {
    const QStringList lines = test::sampleDialogueLines().mid(0, 10);
    const QString script = home + QStringLiteral("/script-%1.txt").arg(highPerformance);
    QFile file(script);
    (void)file.open(QIODevice::WriteOnly | QIODevice::Text);
    for (const QString& line : lines) file.write(QStringLiteral("葵\t%1\n").arg(line).toUtf8());
    file.close();

    fake::FakeService service;
    SettingsStore settings(home + QStringLiteral("/settings-%1.json").arg(highPerformance));
    (void)settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions");
    (void)settings.setBool("highPerformancePollingEnabled", highPerformance);
    ProviderSelection selection(settings);
    selection.useTransiently(Provider::sakura);
    HttpTransport transport;
    TranslationPipeline pipeline({settings, selection, transport, nullptr, nullptr, nullptr});
    auto capture = makeWindowCapture();
    LatencyClient client;
    RealtimeSession session(settings, *capture, pipeline, client);

    const QString title = QStringLiteral("Latency %1").arg(highPerformance);
    const QString log = home + QStringLiteral("/game-%1.log").arg(highPerformance);
    std::unique_ptr<QProcess> game(startGame(script, log, 3000, title));
    session.setTarget(findGame(*capture, title));
    session.setRegion(kRegion);
    session.startTranslation();
    for (int i = 0; i < 600; ++i) {  // until the game says it is finished, at most a minute
        spin(100);
        QFile gameLog(log);
        if (gameLog.open(QIODevice::ReadOnly) && gameLog.readAll().contains("\"finished\"")) break;
    }
    spin(1500);
    session.stopTranslation();
    game->terminate();
    game->waitForFinished(3000);

    QList<qint64> revealed;
    QFile gameLog(log);
    (void)gameLog.open(QIODevice::ReadOnly);
    for (const QByteArray& line : gameLog.readAll().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.value("event").toString() == "revealed")
            revealed.append(static_cast<qint64>(event.value("time").toDouble() * 1000));
    }
    LatencyRun run;
    run.requests = service.requestCount();
    run.pages = static_cast<int>(revealed.size());
    // Each translation belongs to the latest page revealed before it arrived.
    for (qint64 arrival : client.arrivals) {
        qint64 shown = -1;
        for (qint64 time : revealed)
            if (time <= arrival) shown = time;
        if (shown >= 0) run.latenciesMs.push_back(static_cast<double>(arrival - shown));
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    // Rendering the test images needs no display; the X server below is for the game.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("OVISU_HOME", home.path().toUtf8());
    test::XvfbSession display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "no X server: %s\n", qPrintable(display.error()));
        return 1;
    }

    // 1. One unchanged tick of a 1280 x 720 game.
    QFile script(home.path() + "/still.txt");
    (void)script.open(QIODevice::WriteOnly | QIODevice::Text);
    script.write("葵\t今日はいい天気ですね。\n");
    script.close();
    std::unique_ptr<QProcess> still(startGame(script.fileName(), home.path() + "/still.log", 0, "Still Game"));
    auto capture = makeWindowCapture();
    const auto target = findGame(*capture, "Still Game");
    if (!target) {
        std::fprintf(stderr, "the game window did not appear\n");
        return 1;
    }
    QThread::msleep(1500);  // fully revealed
    std::vector<double> tickMs;
    std::vector<double> captureMs;
    std::optional<QByteArray> previous;
    (void)capture->captureWindow(target->windowID());  // the first capture redirects the window
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto image = capture->captureWindow(target->windowID());
        captureMs.push_back(timer.nsecsElapsed() / 1e6);
        const auto crop = CaptureRegionGeometry::cropImageForOCR(*image, kRegion);
        FrameFingerprint::frameChanged(previous, FrameFingerprint::of(*crop), 0.009);
        tickMs.push_back(timer.nsecsElapsed() / 1e6);
    }

    // 2. CPU use of a session over the unchanging screen at the default interval.
    double cpuPercent = 0;
    {
        fake::FakeService service;
        SettingsStore settings(home.path() + "/cpu.json");
        (void)settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions");
        ProviderSelection selection(settings);
        selection.useTransiently(Provider::sakura);
        HttpTransport transport;
        TranslationPipeline pipeline({settings, selection, transport, nullptr, nullptr, nullptr});
        RealtimeSessionClient quiet;
        RealtimeSession session(settings, *capture, pipeline, quiet);
            session.setTarget(*target);
        session.setRegion(kRegion);
        session.startTranslation();
        spin(5000);  // the line is read and translated; from here on nothing changes
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        spin(20000);
        cpuPercent = 100.0 * (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
        session.stopTranslation();
    }
    still->terminate();
    still->waitForFinished(3000);

    // 3. How often the thumbnail notices one more character in the box.
    int noticed = 0;
    int pairs = 0;
    for (const QString& line : test::sampleDialogueLines()) {
        if (line.size() < 4) continue;
        test::DialogueImageOptions options;
        options.lines = {line.left(line.size() - 1)};
        const auto before = test::renderGameFrame(options);
        options.lines = {line};
        const auto after = test::renderGameFrame(options);
        const QRectF region(QRectF(before.subtitleRect).x() / 1280, QRectF(before.subtitleRect).y() / 720,
                            QRectF(before.subtitleRect).width() / 1280, QRectF(before.subtitleRect).height() / 720);
        std::optional<QByteArray> fingerprint = FrameFingerprint::of(*CaptureRegionGeometry::cropImageForOCR(before.frame, region));
        noticed += FrameFingerprint::frameChanged(fingerprint, FrameFingerprint::of(*CaptureRegionGeometry::cropImageForOCR(after.frame, region)), 0.009);
        ++pairs;
    }

    // 4. From fully shown to translated, default interval and high-performance polling.
    const LatencyRun normal = measureLatency(home.path(), false);
    const LatencyRun fast = measureLatency(home.path(), true);

    std::printf("| measure | figure |\n|---|---|\n");
    std::printf("| unchanged tick of a 1280x720 window (capture+crop+thumbnail+compare), median / p95 | %.2f / %.2f ms |\n",
                percentile(tickMs, 0.5), percentile(tickMs, 0.95));
    std::printf("| of which the capture, median | %.2f ms |\n", percentile(captureMs, 0.5));
    std::printf("| CPU of a session over an unchanging screen, default interval | %.2f %% of one core |\n", cpuPercent);
    std::printf("| thumbnail notices one added character | %d of %d (%.0f %%) |\n", noticed, pairs, 100.0 * noticed / std::max(pairs, 1));
    const auto latencyRow = [](const char* name, const LatencyRun& run) {
        std::printf("| shown to translated, %s: median / p95 | %.0f / %.0f ms (%zu lines) |\n", name,
                    percentile(run.latenciesMs, 0.5), percentile(run.latenciesMs, 0.95), run.latenciesMs.size());
        std::printf("| translation requests per displayed line, %s | %.2f (%d / %d) |\n", name,
                    run.pages ? double(run.requests) / run.pages : 0.0, run.requests, run.pages);
    };
    latencyRow("default interval 0.8 s", normal);
    latencyRow("high-performance polling", fast);
    return 0;
}
