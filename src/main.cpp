#include "app/CommandLine.h"
#include "app/ui/AppDelegate.h"

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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ovisu"));
    QApplication::setApplicationVersion(QStringLiteral("1.26"));
    // One CJK family for the whole interface, so Chinese text never mixes fallback fonts.
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPointSizeF(QApplication::font().pointSizeF());
        QApplication::setFont(font);
    }
    ovisu::DesktopComponents parts;
    ovisu::AppDelegate delegate(parts);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &ovisu::AppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
