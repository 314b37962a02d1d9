// Interface mode as a player runs it: the test game's title screen, a quiet stretch on it, its
// settings page, and the title screen again. Per screen: how long until every text is answered,
// the recognitions and requests it cost; and the CPU an unchanged screen costs per second.
#include "InterfaceSessionBench.h"

#include "app/InterfaceModeParts.h"
#include "app/TargetArguments.h"
#include "app/TranslationServices.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "engine/ProviderSelection.h"
#include "interface/InterfacePanelRecord.h"
#include "support/EventLoopWait.h"
#include "support/TestGameMenu.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <cstdio>

using namespace ovisu;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Counter : public InterfaceSessionClient {
public:
    int recognitions = 0;
    int answers = 0;
    void interfaceRecognized(const QList<InterfaceBlockVerdict>&) override { ++recognitions; }
    void interfaceAnswered(const UIOCRTextBlock&, const QString&, InterfaceAnswerOrigin) override { ++answers; }
};

}  // namespace

int interfaceSessionBench(int quietSeconds) {
    QTemporaryDir home;
    qputenv("OVISU_HOME", home.path().toUtf8());
    test::XvfbSession display(true, {1400, 900});
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.error()));
        return 1;
    }
    fake::FakeService service;
    SettingsStore settings;
    if (!settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions")) return 1;
    ProviderSelection selection(settings);
    selection.useTransiently(Provider::sakura);

    const QString title = QStringLiteral("Ovisu Menu Bench");
    QProcess game;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    game.setProcessEnvironment(environment);
    game.start(QStringLiteral(OVISU_TEST_GAME_BINARY), {"--menu", "--title", title, "--size", "34"});
    const auto capture = makeWindowCapture();
    std::optional<TargetWindow> target;
    test::waitUntil(
        [&] {
            if (const auto targets = eligibleTargets(*capture))
                if (const auto found = findTarget(*targets, title)) target = *found;
            return target.has_value();
        },
        10000);
    if (!target) {
        std::fprintf(stderr, "the test game's window did not show\n");
        return 1;
    }
    QThread::msleep(1000);

    TranslationServices services(settings, selection);
    InterfacePanelRecord panels;
    Counter counter;
    InterfaceModeParts parts(settings, selection, services, *capture, panels, counter, {});
    InterfaceSession& session = parts.session();
    session.setTarget(*target);

    std::printf("%-26s %10s %13s %9s %8s\n", "screen", "answered", "recognitions", "requests", "panels");
    const auto measureScreen = [&](const char* name, int expectedPanels) {
        const int recognitionsBefore = counter.recognitions, requestsBefore = service.requestCount();
        QElapsedTimer timer;
        timer.start();
        const bool answered = test::waitUntil(
            [&] { return counter.recognitions > recognitionsBefore && panels.panelCount() >= expectedPanels &&
                         !session.hasPendingTranslations(); },
            60000);
        const double seconds = timer.elapsed() / 1000.0;
        test::spin(1500);  // what a settled screen still costs
        std::printf("%-26s %9.2fs %13d %9d %8d%s\n", name, seconds, counter.recognitions - recognitionsBefore,
                    service.requestCount() - requestsBefore, panels.panelCount(), answered ? "" : "  (not all answered)");
    };
    const auto turnPage = [&] {
        const auto frame = capture->windowFrame(target->windowID());
        const QPoint centre = frame ? frame->center() : QPoint(700, 450);
        QProcess::execute(QStringLiteral("xdotool"), {"mousemove", QString::number(centre.x()),
                                                      QString::number(centre.y()), "click", "1"});
    };

    session.startTranslation();
    measureScreen("title screen", int(test::TestGameMenu::titleScreenTexts().size()));

    const int recognitionsBefore = counter.recognitions, requestsBefore = service.requestCount();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer quiet;
    quiet.start();
    {
        // A real event loop, idle between events: a spinning wait would be the CPU measured.
        QEventLoop loop;
        QTimer::singleShot(quietSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("%-26s %9ds %13d %9d %8d   CPU %.1f %% of one core\n", "title screen, unchanged", quietSeconds,
                counter.recognitions - recognitionsBefore, service.requestCount() - requestsBefore,
                panels.panelCount(), 100.0 * cpu / (quiet.elapsed() / 1000.0));

    turnPage();
    measureScreen("settings page", int(test::TestGameMenu::settingsScreenTexts().size()));
    turnPage();
    measureScreen("title screen again", int(test::TestGameMenu::titleScreenTexts().size()));

    session.stopTranslation();
    game.kill();
    game.waitForFinished(3000);
    return 0;
}
