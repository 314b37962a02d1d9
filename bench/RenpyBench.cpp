// Our real game, measured: Ren'Py's Japanese tutorial on a private X server, played by clicks.
//
//   ovisu_renpy_bench session [--stretch ovisu_bench] [--hold MS] [--interval S] [--ovisu PATH]
//       `ovisu watch` over the box for a long stretch (ADV pages and an NVL chapter): the lines the
//       game showed that reached the fake service once, never or more than once, junk requests,
//       mean and worst character error, and the time from a line fully shown to its request.
//   ovisu_renpy_bench record-corpus DIR [--stretch ovisu_bench]
//       Saves the subtitle crop of every fully shown box line as DIR/NNN.png (grey, as recognition
//       sees it) with its text in DIR/labels.tsv, and measures the change test on the way: every
//       new page against the one before, and the frames of an unchanged page against each other.
#include "base/OCRTextCleaner.h"
#include "capture/CaptureRegionGeometry.h"
#include "dialogue/FrameFingerprint.h"
#include "capture/WindowCapture.h"
#include "Quantile.h"
#include "support/LineDeliveryReport.h"
#include "support/RenpyTutorial.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ovisu;
using bench::quantile;

namespace {

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int runSession(const QString& ovisu, const QString& stretch, int holdMs, const QString& interval) {
    test::XvfbSession display(true, {1600, 1000});
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.error()));
        return 1;
    }
    QTemporaryDir home;
    qputenv("OVISU_HOME", home.path().toUtf8());
    fake::FakeService service;
    QFile settings(home.path() + QStringLiteral("/config/Ovisu/settings.json"));
    QDir().mkpath(home.path() + QStringLiteral("/config/Ovisu"));
    settings.open(QIODevice::WriteOnly);
    settings.write(QStringLiteral("{\"endpoint.9\": \"%1/v1/chat/completions\"}").arg(service.baseUrl()).toUtf8());
    settings.close();

    test::RenpyTutorial game({stretch, 40, home.path() + QStringLiteral("/renpy.jsonl")});
    if (const QString error = game.start(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QProcess watch;
    watch.setStandardOutputFile(home.path() + QStringLiteral("/watch.jsonl"));
    watch.start(ovisu, {"watch", "--window", test::RenpyTutorial::windowTitle(), "--region",
                                               test::RenpyTutorial::dialogueRegion(), "--provider", "sakura",
                                               "--interval", interval, "--json"});
    watch.waitForStarted(5000);
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    const bool played = game.play(holdMs, 1800000);
    QThread::msleep(2000);
    watch.terminate();
    watch.waitForFinished(10000);
    const double seconds = clock.elapsed() / 1000.0;
    if (!played) std::fprintf(stderr, "the stretch did not reach its end\n");

    QList<test::LineDeliveryReport::Line> box, page;
    for (const test::ShownLine& line : game.shownLines())
        (line.kind == QStringLiteral("nvl") ? page : box).append({line.text, line.time});
    QList<test::LineDeliveryReport::Request> requests;
    for (const auto& request : service.requests())
        requests.append({fake::FakeService::chatTextToTranslate(request.body), request.receivedAt});
    const auto report = test::LineDeliveryReport::compare(box, requests);
    const auto latencies = report.latencies();
    std::printf("Ren'Py tutorial, stretch %s, %d ms hold, polling %s s, region %s\n", qPrintable(stretch), holdMs,
                qPrintable(interval), qPrintable(test::RenpyTutorial::dialogueRegion()));
    std::printf("  box lines shown           %lld\n", static_cast<long long>(report.lines.size()));
    std::printf("  received once             %d\n", report.receivedOnce());
    std::printf("  missed                    %d\n", report.missed());
    std::printf("  duplicated                %d\n", report.duplicated());
    std::printf("  junk requests             %lld (NVL page lines shown: %lld, outside the box region)\n",
                static_cast<long long>(report.junk.size()), static_cast<long long>(page.size()));
    std::printf("  character error           mean %.2f %%, worst %.2f %%\n", 100 * report.meanCharacterError(),
                100 * report.worstCharacterError());
    std::printf("  shown -> request          median %.2f s, p90 %.2f s, worst %.2f s\n",
                quantile({latencies.begin(), latencies.end()}, 0.5), quantile({latencies.begin(), latencies.end()}, 0.9),
                quantile({latencies.begin(), latencies.end()}, 1.0));
    // Every recognition shows "recognizing" after "capturing" (while no translation is in flight).
    int recognitions = 0;
    QFile events(home.path() + QStringLiteral("/watch.jsonl"));
    if (events.open(QIODevice::ReadOnly))
        recognitions = int(events.readAll().count("\"state\":\"recognizing\""));
    std::printf("  recognitions              about %d for %lld box lines (%.1f s of polling at %s s)\n", recognitions,
                static_cast<long long>(report.lines.size()), seconds, qPrintable(interval));
    std::printf("  ovisu watch CPU           %.1f s over %.0f s\n", childCpuSeconds() - cpuBefore, seconds);
    std::printf("\n%s", qPrintable(report.describe()));
    return played ? 0 : 1;
}

int recordCorpus(const QString& folder, const QString& stretch) {
    test::XvfbSession display(true, {1600, 1000});
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.error()));
        return 1;
    }
    QDir().mkpath(folder);
    QTemporaryDir scratch;
    test::RenpyTutorial game({stretch, 40, scratch.path() + QStringLiteral("/renpy.jsonl")});
    if (const QString error = game.start(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const auto capture = makeWindowCapture();
    const QRectF region = test::RenpyTutorial::dialogueRegionRect();
    // How the crops were cut, so that their reader knows where the drawn region lies in each.
    QFile cut(folder + QStringLiteral("/region.txt"));
    if (cut.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cut.write(QStringLiteral("%1 %2 %3\n")
                      .arg(test::RenpyTutorial::windowWidth)
                      .arg(test::RenpyTutorial::windowHeight)
                      .arg(test::RenpyTutorial::dialogueRegion())
                      .toUtf8());
    const auto crop = [&]() -> std::optional<QImage> {
        const auto frame = capture->captureWindow(game.windowId());
        if (!frame) return std::nullopt;
        return CaptureRegionGeometry::cropImageForOCR(*frame, region);
    };

    // A second stretch adds to the corpus: numbering goes on after the crops already there.
    QFile labels(folder + QStringLiteral("/labels.tsv"));
    int saved = 0;
    if (labels.open(QIODevice::ReadOnly)) saved = int(labels.readAll().count('\n'));
    labels.close();
    labels.open(QIODevice::Append);
    int pageChanges = 0, pagesSeen = 0, idleFrames = 0, idleChanged = 0;
    std::optional<QByteArray> lastPage;
    QString lastForm;
    const bool played = game.play(200, 1800000, [&](const test::ShownLine& line) {
        QThread::msleep(250);
        const auto first = crop();
        if (!first) return;
        const QByteArray fingerprint = FrameFingerprint::of(*first);
        const QString form = OCRTextCleaner::comparisonForm(line.text);
        if (line.kind != QStringLiteral("nvl")) {
            // A line of only punctuation ("……") is kept with its text: nothing may be read from it.
            const QString name = QStringLiteral("%1.png").arg(saved, 3, 10, QLatin1Char('0'));
            first->convertToFormat(QImage::Format_Grayscale8).save(folder + QLatin1Char('/') + name);
            labels.write((name + QLatin1Char('\t') + QString(line.text).replace(QLatin1Char('\t'), QLatin1Char(' ')) +
                          QLatin1Char('\n'))
                             .toUtf8());
            labels.flush();
            ++saved;
        }
        if (line.kind != QStringLiteral("nvl") && !form.isEmpty()) {
            if (lastPage && form != lastForm) {
                ++pagesSeen;
                std::optional<QByteArray> previous = lastPage;
                pageChanges += FrameFingerprint::frameChanged(previous, fingerprint, 0.009);
            }
            lastPage = fingerprint;
            lastForm = form;
        }
        // The unchanged page over its picture, a few frames apart, as the loop sees it while idle.
        std::optional<QByteArray> previous = fingerprint;
        for (int i = 0; i < 4; ++i) {
            QThread::msleep(300);
            if (const auto later = crop()) {
                ++idleFrames;
                idleChanged += FrameFingerprint::frameChanged(previous, FrameFingerprint::of(*later), 0.009);
            }
        }
    });
    if (!played) std::fprintf(stderr, "the stretch did not reach its end\n");
    std::printf("saved %d crops with labels to %s\n", saved, qPrintable(folder));
    std::printf("change test (threshold 0.009): %d of %d page changes seen; %d of %d idle frames taken as a change\n",
                pageChanges, pagesSeen, idleChanged, idleFrames);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's own display is none: the game and the loop run on a private X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption stretchOption("stretch", "The stretch of the tutorial to play.", "LABEL", "ovisu_bench");
    const QCommandLineOption holdOption("hold", "Milliseconds a line stays after it is fully shown.", "MS", "2500");
    const QCommandLineOption intervalOption("interval", "Polling interval of ovisu watch.", "S", "0.5");
    const QCommandLineOption ovisuOption("ovisu", "The ovisu program to measure (another build, say).", "PATH",
                                         QStringLiteral(OVISU_BINARY));
    parser.addOptions({stretchOption, holdOption, intervalOption, ovisuOption});
    parser.addPositionalArgument("command", "session | record-corpus DIR");
    parser.addHelpOption();
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0, QStringLiteral("session"));
    if (command == QStringLiteral("record-corpus") && arguments.size() == 2)
        return recordCorpus(arguments[1], parser.value(stretchOption));
    if (command == QStringLiteral("session"))
        return runSession(parser.value(ovisuOption), parser.value(stretchOption), parser.value(holdOption).toInt(),
                          parser.value(intervalOption));
    std::fprintf(stderr, "usage: ovisu_renpy_bench session | record-corpus DIR\n");
    return 2;
}
