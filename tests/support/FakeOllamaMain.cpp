// ovisu-fake-ollama: stands in for the ollama program in tests.
//   ollama serve       listens on OLLAMA_HOST (host:port, default 127.0.0.1:11434) and answers
//                      GET /api/version. It needs OLLAMA_MODELS (exit 3 without it) and a free port (exit 4).
//   ollama pull MODEL  asks the server on OLLAMA_HOST, exits 1 when nothing answers there, else
//                      prints progress redrawn with terminal cursor moves, as the real one does,
//                      then exits 0.
// Environment: FAKE_OLLAMA_STOP_MS, when set, is how long serve keeps answering after SIGTERM, as
// a server finishing its requests; FAKE_OLLAMA_LOAD_MS, when set, is how long serve waits before it listens
// (connections are refused meanwhile), as a server still starting up; FAKE_OLLAMA_LAUNCH_LOG, when
// set, is a file each serve appends "serve <pid>" to, so tests count launches.

#include "support/fake/Httplib.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <csignal>
#include <pthread.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(int code, const QString& reason) {
    std::fprintf(stderr, "ovisu-fake-ollama: %s\n", qPrintable(reason));
    std::exit(code);
}

void pauseFor(const char* millisecondsVariable) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, qEnvironmentVariableIntValue(millisecondsVariable))));
}

void recordLaunch() {
    const QString path = qEnvironmentVariable("FAKE_OLLAMA_LAUNCH_LOG");
    if (path.isEmpty()) return;
    QFile log(path);
    if (!log.open(QIODevice::Append)) fail(5, QStringLiteral("cannot write the launch log %1").arg(path));
    log.write(QStringLiteral("serve %1\n").arg(::getpid()).toUtf8());
}

// Whether a server could listen on the address now, as the real one checks before it starts.
bool portIsFree(const std::string& host, int port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    const bool free = ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1 &&
                      ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
                      ::listen(socket, 1) == 0;
    ::close(socket);
    return free;
}

// SIGTERM ends serve, after FAKE_OLLAMA_STOP_MS when that is set. Called before any thread starts,
// so every thread leaves the signal to the one waiting for it.
void endOnTermination() {
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);
    std::thread([termination] {
        int signal = 0;
        sigwait(&termination, &signal);
        pauseFor("FAKE_OLLAMA_STOP_MS");
        std::_Exit(0);
    }).detach();
}

int serve() {
    recordLaunch();
    endOnTermination();
    if (qEnvironmentVariable("OLLAMA_MODELS").isEmpty()) fail(3, QStringLiteral("OLLAMA_MODELS is not set"));
    QString hostAndPort = qEnvironmentVariable("OLLAMA_HOST", QStringLiteral("127.0.0.1:11434"));
    const qsizetype colon = hostAndPort.lastIndexOf(QLatin1Char(':'));
    bool isNumber = false;
    const int port = colon > 0 ? hostAndPort.mid(colon + 1).toInt(&isNumber) : 0;
    if (!isNumber || port <= 0 || port > 65535) fail(3, QStringLiteral("bad OLLAMA_HOST \"%1\"").arg(hostAndPort));
    const std::string host = hostAndPort.left(colon).toStdString();

    if (!portIsFree(host, port)) fail(4, QStringLiteral("listen tcp %1: bind: address already in use").arg(hostAndPort));
    pauseFor("FAKE_OLLAMA_LOAD_MS");

    httplib::Server server;
    // Without SO_REUSEPORT (httplib's default sets it) a second server on a taken port fails, as
    // the real one does.
    server.set_socket_options([](socket_t socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    });
    server.Get("/api/version", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(R"({"version":"0.0-fake"})", "application/json");
    });
    if (!server.bind_to_port(host, port))
        fail(4, QStringLiteral("listen tcp %1: bind: address already in use").arg(hostAndPort));
    std::fprintf(stderr, "Listening on %s (version 0.0-fake)\n", qPrintable(hostAndPort));
    server.listen_after_bind();
    return 0;
}

int pull(const QString& model) {
    if (model.isEmpty()) fail(1, QStringLiteral("pull requires a model name"));
    const QString hostAndPort = qEnvironmentVariable("OLLAMA_HOST", QStringLiteral("127.0.0.1:11434"));
    httplib::Client client("http://" + hostAndPort.toStdString());
    client.set_connection_timeout(2);
    if (!client.Get("/api/version")) {
        std::printf("Error: could not connect to ollama app, is it running?\n");
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // Hide the cursor, go to column 1, draw, clear the rest of the line, show the cursor.
    std::printf("\x1b[?25l\x1b[1Gpulling manifest \x1b[K\x1b[?25h");
    for (const char* percent : {"  0%", " 50%", "100%"}) {
        std::printf("\x1b[?25l\x1b[A\x1b[1Gpulling 0123456789ab... %s ▕████████████████▏ 1.0 GB    \x1b[K\x1b[?25h",
                    percent);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Verifying a real model takes a while, so its line comes on its own.
    std::printf("\x1b[1Gverifying sha256 digest \x1b[K");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    std::printf("\nwriting manifest \x1b[K\nsuccess \x1b[K\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index) arguments.append(QString::fromLocal8Bit(argv[index]));
    if (arguments.value(0) == QLatin1String("serve") && arguments.size() == 1) return serve();
    if (arguments.value(0) == QLatin1String("pull") && arguments.size() == 2) return pull(arguments[1]);
    fail(2, QStringLiteral("unsupported command line: %1").arg(arguments.join(' ')));
}
