#include "app/CommandLine.h"
#include "app/ui/AppDelegate.h"
#include "base/AppLogger.h"
#include "base/ApplicationVersion.h"
#include "base/DisplaySession.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    // Commands run without a display, so they work over SSH and in scripts.
    if (ovisu::namesCommand(arguments) || arguments.size() > 1) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        QFile in;
        in.open(stdin, QIODevice::ReadOnly);
        ovisu::CommandStreams streams{out, err, in, isatty(STDIN_FILENO) != 0, isatty(STDERR_FILENO) != 0};
        if (const auto status = ovisu::runCommandLine(arguments, streams)) return *status;
    }

    // Decided before the QApplication exists: Qt reads the platform once, when it starts.
    const bool forcedXcb = ovisu::shouldForceXcbPlatform(ovisu::DisplaySessionEnvironment::current());
    if (forcedXcb) qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ovisu"));
    QApplication::setApplicationVersion(ovisu::applicationShortVersion());
    // The installed ovisu.desktop: desktops match the running program to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ovisu"));
    // One CJK family for the whole interface, so Chinese text never mixes fallback fonts.
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPointSizeF(QApplication::font().pointSizeF());
        QApplication::setFont(font);
    }
    if (forcedXcb)
        ovisu::AppLogger::shared().info(QStringLiteral("app"),
                                        QStringLiteral("Wayland 会话：界面通过 XWayland（xcb）显示，悬浮窗才能放在游戏上方"));
    ovisu::DesktopComponents parts;
    ovisu::AppDelegate delegate(parts);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &ovisu::AppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
