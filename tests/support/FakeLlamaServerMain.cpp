// ovisu-fake-llama-server: stands in for llama.cpp's llama-server in tests. It accepts only the
// command line Ovisu launches the server with (exit 3 and the reason on stderr otherwise), logs
// like the real one on stdout and stderr, and serves on 127.0.0.1:
//   GET  /health               503 {"status":"loading model"} while "loading", then 200 {"status":"ok"}
//   POST /v1/chat/completions  "译：" + the last user message, as the model named by --alias
// Environment: FAKE_LLAMA_LOAD_MS (default 300) is how long loading takes; FAKE_LLAMA_CRASH_MS,
// when set, makes the server exit with code 9 that long after it started; FAKE_LLAMA_IGNORE_SIGTERM=1
// makes it a server that hangs on exit, so only SIGKILL ends it. Exit 4: the port is taken.

#include "support/fake/Httplib.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/socket.h>
#include <thread>

namespace {

struct Options {
    QString modelPath;
    QString alias;
    int port = 0;
};

void fail(int code, const QString& reason) {
    std::fprintf(stderr, "ovisu-fake-llama-server: %s\n", qPrintable(reason));
    std::exit(code);
}

// The arguments must be exactly these, "--jinja" last for every model but Sakura, whose prompt
// format is llama-server's built-in one.
Options parseArguments(const QStringList& arguments) {
    const Options options{arguments.value(1), arguments.value(3), arguments.value(7).toInt()};
    QStringList expected{"--model", options.modelPath, "--alias", options.alias, "--host", "127.0.0.1",
                         "--port", arguments.value(7), "--ctx-size", "2048", "--parallel", "1",
                         "--threads", "6", "--n-gpu-layers", "99"};
    if (!options.alias.startsWith(QLatin1String("Sakura")))
        expected << "--jinja";
    if (arguments != expected || options.alias.isEmpty() || options.port <= 0 || options.port > 65535)
        fail(3, QStringLiteral("expected \"%1\", got \"%2\"").arg(expected.join(' '), arguments.join(' ')));
    if (!QFileInfo(options.modelPath).isFile())
        fail(3, QStringLiteral("failed to load model '%1': no such file").arg(options.modelPath));
    return options;
}

int millisecondsFromEnvironment(const char* name, int fallback) {
    bool isNumber = false;
    const int value = qEnvironmentVariable(name).toInt(&isNumber);
    return isNumber && value >= 0 ? value : fallback;
}

QJsonObject completion(const QString& alias, const QJsonObject& request) {
    QString lastUserMessage;
    for (const QJsonValue& message : request.value("messages").toArray())
        if (message.toObject().value("role").toString() == QLatin1String("user"))
            lastUserMessage = message.toObject().value("content").toString();
    return {{"object", "chat.completion"},
            {"model", alias},
            {"choices", QJsonArray{QJsonObject{{"index", 0},
                                               {"message", QJsonObject{{"role", "assistant"},
                                                                       {"content", QStringLiteral("译：") + lastUserMessage}}},
                                               {"finish_reason", "stop"}}}}};
}

std::string compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index) arguments.append(QString::fromLocal8Bit(argv[index]));
    const Options options = parseArguments(arguments);
    const auto startedAt = std::chrono::steady_clock::now();
    const int loadMs = millisecondsFromEnvironment("FAKE_LLAMA_LOAD_MS", 300);

    if (qEnvironmentVariable("FAKE_LLAMA_IGNORE_SIGTERM") == QLatin1String("1")) std::signal(SIGTERM, SIG_IGN);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("main: arguments: %s\n", qPrintable(arguments.join(' ')));
    std::printf("main: working folder: %s\n", qPrintable(QDir::currentPath()));
    std::printf("main: LD_LIBRARY_PATH=%s\n", qPrintable(qEnvironmentVariable("LD_LIBRARY_PATH")));
    std::printf("llama_model_load: loading model from %s\n", qPrintable(options.modelPath));

    httplib::Server server;
    // Without SO_REUSEPORT (httplib's default sets it) a second server on a taken port fails, as
    // the real one does.
    server.set_socket_options([](socket_t socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    });
    server.Get("/health", [&](const httplib::Request&, httplib::Response& response) {
        const auto elapsed = std::chrono::steady_clock::now() - startedAt;
        if (elapsed < std::chrono::milliseconds(loadMs)) {
            response.status = 503;
            response.set_content(R"({"status":"loading model"})", "application/json");
            return;
        }
        response.set_content(R"({"status":"ok"})", "application/json");
    });
    server.Post("/v1/chat/completions", [&](const httplib::Request& request, httplib::Response& response) {
        QJsonParseError error{};
        const QJsonDocument body = QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &error);
        if (error.error != QJsonParseError::NoError || !body.isObject()) {
            response.status = 400;
            response.set_content(R"({"error":{"code":400,"message":"invalid JSON body"}})", "application/json");
            return;
        }
        const QJsonObject reply = completion(options.alias, body.object());
        std::printf("srv  update_slots: completion for %s\n", qPrintable(options.alias));
        if (!body.object().value("stream").toBool()) {
            response.set_content(compact(reply), "application/json");
            return;
        }
        QJsonObject choice = reply.value("choices").toArray().first().toObject();
        choice.insert("delta", choice.take("message"));
        QJsonObject chunk = reply;
        chunk.insert("object", "chat.completion.chunk");
        chunk.insert("choices", QJsonArray{choice});
        response.set_content("data: " + compact(chunk) + "\n\ndata: [DONE]\n\n", "text/event-stream");
    });

    if (!server.bind_to_port("127.0.0.1", options.port)) {
        std::fprintf(stderr, "main: couldn't bind HTTP server socket, hostname: 127.0.0.1, port: %d\n", options.port);
        return 4;
    }
    std::fprintf(stderr, "main: server is listening on http://127.0.0.1:%d - starting the main loop\n", options.port);

    if (const int crashMs = millisecondsFromEnvironment("FAKE_LLAMA_CRASH_MS", -1); crashMs >= 0) {
        std::thread([crashMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(crashMs));
            std::fprintf(stderr, "GGML_ASSERT failed: the fake server crashes as asked\n");
            std::_Exit(9);
        }).detach();
    }
    server.listen_after_bind();
    return 0;
}
