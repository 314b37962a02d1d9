#include "InterfacePlacementBench.h"
#include "Quantile.h"
#include "base/SettingsStore.h"
#include "interface/ui/InterfaceLabels.h"

#include "support/XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace ovisu;
using ovisu::bench::quantile;

// A title screen as the test game draws it (a menu column, a status line, two buttons), or a
// settings page with a grid of 40 short texts; translations of typical lengths.
QList<std::pair<UIOCRTextBlock, QString>> screenOf(int texts) {
    static const QStringList translations{QStringLiteral("从头开始"), QStringLiteral("继续游戏"),
                                          QStringLiteral("环境设置"), QStringLiteral("画廊"),
                                          QStringLiteral("退出"), QStringLiteral("好感度 35"),
                                          QStringLiteral("4月12日（星期一）"), QStringLiteral("确定"),
                                          QStringLiteral("返回上一页并保存当前的所有设置")};
    QList<std::pair<UIOCRTextBlock, QString>> screen;
    for (int i = 0; i < texts; ++i) {
        const int column = texts <= 9 ? 0 : i % 4;
        const int row = texts <= 9 ? i : i / 4;
        const double rowHeight = 0.9 / (texts <= 9 ? 9 : 10);
        UIOCRTextBlock block{QStringLiteral("テキスト%1").arg(i),
                             QRectF(0.05 + column * 0.24, 0.95 - (row + 1) * rowHeight, 0.12, rowHeight * 0.6), 0.9f};
        screen.append({block, translations[i % translations.size()]});
    }
    return screen;
}

// Real label windows on a private X server: the benchmark runs itself again there, since a Qt
// application picks its display once.
int runOnPrivateServer(int runs) {
    test::XvfbSession display(true, {1400, 900});
    if (!display.isRunning()) {
        std::fprintf(stderr, "no private X server: %s\n", qPrintable(display.error()));
        return 1;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("OVISU_PLACEMENT_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    child.start(QCoreApplication::applicationFilePath(), {"placement", "--runs", QString::number(runs)});
    if (!child.waitForFinished(600000)) return 1;
    return child.exitCode();
}

}  // namespace

int interfacePlacementBench(int runs) {
    if (qEnvironmentVariable("OVISU_PLACEMENT_CHILD") != QStringLiteral("1")) return runOnPrivateServer(runs);
    QTemporaryDir home;
    qputenv("OVISU_HOME", home.path().toUtf8());
    SettingsStore settings;
    const QRectF gameFrame(100, 100, 1280, 720);
    std::printf("%-22s %12s %12s %14s\n", "screen", "show (ms)", "p95 (ms)", "place again");
    for (const int texts : {9, 40}) {
        const auto screen = screenOf(texts);
        std::vector<double> showing, placing;
        for (int run = 0; run < runs; ++run) {
            InterfaceLabels labels(settings, [&] { return std::optional(gameFrame); }, {});
            QElapsedTimer timer;
            timer.start();
            for (const auto& [block, translation] : screen) labels.showInterfaceTranslation(block, translation, false);
            QCoreApplication::processEvents();  // the windows mapped and painted
            showing.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            labels.applyInterfaceOverlayAppearance();
            QCoreApplication::processEvents();
            placing.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("%-22s %12.2f %12.2f %11.2f ms\n", qPrintable(QStringLiteral("%1 texts").arg(texts)),
                    quantile(showing, 0.5), quantile(showing, 0.95), quantile(placing, 0.5));
    }
    std::printf("\n(show: every label of the screen created, measured, placed, shown and painted on a private X\n"
                "server; place again: all of them drawn and placed again, as after a style change or a moved\n"
                "window; medians over %d runs)\n",
                runs);
    return 0;
}
