// Whole-window recognition for interface mode, measured on real screens: the Ren'Py tutorial's
// main menu, one of its dialogue screens with the quick menu under the box, and the test game's
// menu screen, captured as PNGs into bench/corpus/renpy-interface with the words each shows
// (expected.tsv, checked by eye).
//
//   ovisu_interface_bench recognition [--runs N] [--corpus DIR] [--passes LIST] [--refine S] [--all-cores]
//       Per screen: time of a whole-window recognition (median and p95 over N runs, on one core
//       unless --all-cores), of its detector passes alone, the lines read, the expected words found
//       and the junk blocks. LIST names the detector passes, e.g. "local@1" (one pass, dark
//       panels turned round, at scale 1) or "asis@1.5,inverted@1.5"; S the scale small lines are
//       looked at again at (0: not at all).
//   ovisu_interface_bench session [--quiet S]
//       Interface mode on the test game's menu screens through the real loop: per screen, the
//       time until every text is answered, recognitions and requests; the CPU of an unchanged
//       screen over S seconds.
//   ovisu_interface_bench placement [--runs N]
//       The labels of a screen of 9 and of 40 texts created and placed, and placed again (a style
//       change, a moved window), offscreen.
//   ovisu_interface_bench record DIR
//       Captures the three screens on a private X server into DIR (the words list is written by
//       hand, from the pictures).
#include "InterfacePlacementBench.h"
#include "InterfaceSessionBench.h"
#include "Quantile.h"
#include "capture/InterfaceScreenScore.h"
#include "capture/WindowCapture.h"
#include "capture/platform/WindowTextRecognizer.h"
#include "support/RenpyTutorial.h"
#include "support/XvfbSession.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sched.h>

#include <cstdio>
#include <optional>
#include <vector>

using namespace ovisu;
using bench::quantile;

namespace {

// Keeps the whole process, and every thread it starts (OpenCV's, Tesseract's), on the CPU it
// runs on now.
bool pinToOneCore() {
    const int cpu = sched_getcpu();
    if (cpu < 0) return false;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return sched_setaffinity(0, sizeof(set), &set) == 0;
}

std::optional<QList<WindowTextRecognizerSettings::DetectorPass>> passesOf(const QString& list) {
    using Pass = WindowTextRecognizerSettings::DetectorPass;
    QList<Pass> passes;
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char('@'));
        Pass pass;
        bool ok = true;
        pass.scale = parts.size() > 1 ? parts[1].toDouble(&ok) : 1.0;
        if (!ok || pass.scale <= 0) return std::nullopt;
        if (parts[0] == QLatin1String("asis"))
            pass.look = Pass::Look::asIs;
        else if (parts[0] == QLatin1String("inverted"))
            pass.look = Pass::Look::inverted;
        else if (parts[0] == QLatin1String("local"))
            pass.look = Pass::Look::localPolarity;
        else
            return std::nullopt;
        passes.append(pass);
    }
    if (passes.isEmpty()) return std::nullopt;
    return passes;
}

int recognition(const QString& corpus, int runs, const QString& passList, const QString& refine, bool allCores) {
    if (!allCores && !pinToOneCore()) std::fprintf(stderr, "could not keep to one core; timing all of them\n");
    QString error;
    const QMap<QString, QStringList> screens = test::expectedScreenWords(corpus, &error);
    if (screens.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error.isEmpty() ? QStringLiteral("no screens in ") + corpus : error));
        return 1;
    }
    WindowTextRecognizerSettings settings;
    if (!passList.isEmpty()) {
        const auto passes = passesOf(passList);
        if (!passes) {
            std::fprintf(stderr, "bad --passes: %s\n", qPrintable(passList));
            return 2;
        }
        settings.passes = *passes;
    }
    if (!refine.isEmpty()) settings.refineScale = refine.toDouble();
    WindowTextRecognizer recognizer(settings);
    QElapsedTimer startTimer;
    startTimer.start();
    if (const auto failure = recognizer.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(*failure));
        return 1;
    }
    std::printf("detector and engines started in %lld ms; passes %s, small lines again at %.2g; %s\n",
                static_cast<long long>(startTimer.elapsed()),
                qPrintable(passList.isEmpty() ? QStringLiteral("default") : passList), settings.refineScale,
                allCores ? "all cores" : "one core");
    std::printf("\n%-22s %9s %6s %7s %5s %9s %9s %9s\n", "screen", "size", "lines", "found", "junk", "detect", "median",
                "p95");
    int exitCode = 0;
    QStringList details;
    for (auto screen = screens.begin(); screen != screens.end(); ++screen) {
        const QImage image(corpus + QLatin1Char('/') + screen.key());
        if (image.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(screen.key()));
            exitCode = 1;
            continue;
        }
        std::vector<double> detectMs, totalMs;
        QList<RecognizedLine> lines;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const auto detected = recognizer.detectLines(image);
            detectMs.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            const auto result = recognizer.recognize(image, {});
            totalMs.push_back(timer.nsecsElapsed() / 1e6);
            if (!detected || !result) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(screen.key()),
                             qPrintable(!detected ? detected.error() : result.error()));
                return 1;
            }
            lines = *result;
        }
        const test::InterfaceScreenScore score = test::scoreScreen(lines, screen.value());
        std::printf("%-22s %4dx%-4d %6lld %3lld/%-3lld %5lld %7.0f ms %6.0f ms %6.0f ms\n", qPrintable(screen.key()),
                    image.width(), image.height(), static_cast<long long>(lines.size()),
                    static_cast<long long>(score.found.size()), static_cast<long long>(screen.value().size()),
                    static_cast<long long>(score.junk.size()), quantile(detectMs, 0.5), quantile(totalMs, 0.5),
                    quantile(totalMs, 0.95));
        QString detail = screen.key() + QStringLiteral(":\n");
        for (const RecognizedLine& line : lines) {
            const QRectF& r = line.normalizedRect;
            detail += QStringLiteral("  %1  (%2)  x %3 y %4 w %5 h %6\n")
                          .arg(line.text)
                          .arg(line.confidence, 0, 'f', 2)
                          .arg(r.x(), 0, 'f', 3)
                          .arg(r.y(), 0, 'f', 3)
                          .arg(r.width(), 0, 'f', 3)
                          .arg(r.height(), 0, 'f', 3);
        }
        if (!score.missed.isEmpty()) detail += QStringLiteral("  missed: ") + score.missed.join(QStringLiteral(" | ")) + QLatin1Char('\n');
        details.append(detail);
    }
    std::printf("\n(detect: the detector passes alone; median and p95: the whole recognition, over %d runs)\n\n", runs);
    for (const QString& detail : details) std::printf("%s", qPrintable(detail));
    return exitCode;
}

std::optional<quint32> windowTitled(WindowCapture& capture, const QString& title) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const auto windows = capture.listWindows())
            for (const PlatformWindow& window : *windows)
                if (window.isOnScreen && window.title == title) return window.windowID;
        QThread::msleep(100);
    }
    return std::nullopt;
}

bool saveCapture(WindowCapture& capture, quint32 window, const QString& path) {
    const auto frame = capture.captureWindow(window);
    if (!frame) {
        std::fprintf(stderr, "capture failed: %s\n", qPrintable(frame.error().message));
        return false;
    }
    if (!frame->convertToFormat(QImage::Format_RGB888).save(path)) return false;
    std::printf("saved %s (%dx%d)\n", qPrintable(path), frame->width(), frame->height());
    return true;
}

int record(const QString& folder) {
    test::XvfbSession display(true, {1600, 1000});
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.error()));
        return 1;
    }
    QDir().mkpath(folder);
    QTemporaryDir scratch;
    const auto capture = makeWindowCapture();
    bool saved = true;
    {
        test::RenpyTutorial game({QStringLiteral("ovisu_main_menu"), 40, scratch.path() + QStringLiteral("/menu.jsonl")});
        if (const QString error = game.start(); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        QThread::msleep(3000);  // the menu's dissolve
        saved &= saveCapture(*capture, game.windowId(), folder + QStringLiteral("/renpy-main-menu.png"));
    }
    {
        test::RenpyTutorial game({QStringLiteral("ovisu_e2e"), 40, scratch.path() + QStringLiteral("/say.jsonl")});
        if (const QString error = game.start(); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        QThread::msleep(1500);
        saved &= saveCapture(*capture, game.windowId(), folder + QStringLiteral("/renpy-dialogue.png"));
    }
    {
        QProcess game;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        game.setProcessEnvironment(environment);
        const QString title = QStringLiteral("Ovisu Menu Screen");
        game.start(QStringLiteral(OVISU_TEST_GAME_BINARY), {QStringLiteral("--menu"), QStringLiteral("--title"), title});
        const auto window = windowTitled(*capture, title);
        if (!window) {
            std::fprintf(stderr, "the test game's window did not show\n");
            return 1;
        }
        QThread::msleep(1500);
        saved &= saveCapture(*capture, *window, folder + QStringLiteral("/test-game-menu.png"));
        game.kill();
        game.waitForFinished(3000);
    }
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's own display is none: the games run on a private X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);  // the placement bench shows real label windows
    QCommandLineParser parser;
    const QCommandLineOption runsOption("runs", "Recognitions per screen.", "N", "7");
    const QCommandLineOption corpusOption("corpus", "Folder of the screens and expected.tsv.", "DIR",
                                          QStringLiteral(OVISU_INTERFACE_CORPUS_DIR));
    const QCommandLineOption passesOption("passes", "Detector passes: look@scale,... (look: asis, inverted, local).",
                                          "LIST");
    const QCommandLineOption refineOption("refine", "Scale small lines are looked at again at (0: off).", "S");
    const QCommandLineOption allCoresOption("all-cores", "Time on every core instead of one.");
    const QCommandLineOption quietOption("quiet", "Seconds the session watches an unchanged screen.", "S", "20");
    parser.addOptions({runsOption, corpusOption, passesOption, refineOption, allCoresOption, quietOption});
    parser.addPositionalArgument("command", "recognition | session | placement | record DIR");
    parser.addHelpOption();
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0, QStringLiteral("recognition"));
    if (command == QStringLiteral("recognition"))
        return recognition(parser.value(corpusOption), std::max(1, parser.value(runsOption).toInt()),
                           parser.value(passesOption), parser.value(refineOption), parser.isSet(allCoresOption));
    if (command == QStringLiteral("session")) return interfaceSessionBench(std::max(1, parser.value(quietOption).toInt()));
    if (command == QStringLiteral("placement")) return interfacePlacementBench(std::max(1, parser.value(runsOption).toInt()));
    if (command == QStringLiteral("record") && arguments.size() == 2) return record(arguments[1]);
    std::fprintf(stderr, "usage: ovisu_interface_bench recognition | session | placement | record DIR\n");
    return 2;
}
