// ovisu-fake-service: the fake translation services as a program of their own, for end-to-end runs
// where Ovisu is a separate process. Serves every service format on 127.0.0.1 until SIGINT or
// SIGTERM.

#include "support/fake/FakeService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop reads the byte and quits.
void onTerminationSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

bool installTerminationHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void printError(const QString& text) {
    std::fprintf(stderr, "ovisu-fake-service: %s\n", qPrintable(text));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ovisu-fake-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fake translation services on 127.0.0.1 for tests and end-to-end runs.\n"
        "Every service format answers on its own path (…/chat/completions, …/responses, …/messages,\n"
        "/api/chat, /api/version, …/v2/translate, /translate, /api, …/trans/vip/translate,\n"
        "…/nmt/v1/translation, /translate_a/single). Stops on SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption recordOption(QStringLiteral("record"),
                                          QStringLiteral("Append every request to FILE as one JSON line."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption translationOption(QStringLiteral("translation"),
                                               QStringLiteral("Text of every default reply (default: 你好，世界)."),
                                               QStringLiteral("TEXT"));
    parser.addOptions({portOption, recordOption, translationOption});
    parser.process(app);

    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("unexpected argument \"%1\"; see --help").arg(parser.positionalArguments().first()));
        return 2;
    }
    bool portIsNumber = false;
    const int port = parser.value(portOption).toInt(&portIsNumber);
    if (!portIsNumber || port < 0 || port > 65535) {
        printError(QStringLiteral("--port needs a number from 0 to 65535, not \"%1\"").arg(parser.value(portOption)));
        return 2;
    }
    if (!installTerminationHandlers()) {
        printError(QStringLiteral("cannot install the SIGINT/SIGTERM handlers"));
        return 1;
    }

    ovisu::fake::FakeService service(port);
    if (!service.isListening()) {
        printError(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port));
        return 1;
    }
    if (parser.isSet(translationOption)) service.setDefaultTranslation(parser.value(translationOption));
    if (parser.isSet(recordOption)) service.setRecordFile(parser.value(recordOption));

    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });

    std::printf("listening on %s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
