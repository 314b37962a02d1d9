#include "app/LocalServiceCommands.h"

#include "app/CommandSupport.h"
#include "app/LocalServices.h"
#include "app/StopSignals.h"
#include "base/AtomicFile.h"
#include "engine/HttpTransport.h"
#include "engine/OllamaVersionProbe.h"
#include "engine/Provider.h"
#include "local/LlamaServerService.h"
#include "local/LocalModelCatalogue.h"
#include "local/OllamaRuntime.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <functional>

namespace ovisu {
namespace {

// The server behind a source: a GGUF source's llama-server, or the Ollama server.
struct LocalServiceTarget {
    Provider provider;
    std::optional<LocalModelSpec> modelSpec;  // none for Ollama
    QString name;                             // as the user knows it: "Sakura", "Ollama"
    QString pidFile;                          // where "ovisu local start" records its server
    std::optional<QString> executable;        // the program that server runs, when installed
};

std::expected<LocalServiceTarget, int> serviceTarget(const QString& argument, const LocalModelCatalogue& catalogue,
                                                     const char* action, CommandStreams& streams) {
    const auto provider = providerFromArgument(argument);
    const LocalInstallLayout& layout = catalogue.layout();
    if (provider) {
        if (const auto modelSpec = catalogue.localModelSpec(*provider))
            return LocalServiceTarget{*provider, modelSpec, modelSpec->name,
                                      layout.logsFolder() + QLatin1Char('/') + modelSpec->logName + QStringLiteral(".pid"),
                                      layout.llamaServerExecutable()};
        if (ProviderCatalogue::usesOllama(*provider))
            return LocalServiceTarget{*provider, std::nullopt, QStringLiteral("Ollama"),
                                      layout.logsFolder() + QStringLiteral("/ollama.pid"), layout.ollamaExecutable()};
    }
    streams.err << "ovisu local " << action << ": '" << argument
                << "' is not a source with a local server (sakura, qwenLocal and hyMTLocal run llama-server; "
                   "ollamaLocal and translateGemmaLocal the Ollama server)\n";
    return std::unexpected(2);
}

// Whether the process runs the given program, so a pid file left behind by a crash never makes
// stop signal an unrelated process that took the number since.
bool runsProgram(qint64 pid, const std::optional<QString>& executable) {
    if (!executable) return false;
    const QString running = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath();
    return !running.isEmpty() && running == QFileInfo(*executable).canonicalFilePath();
}

// Runs the event loop until the server answers or its start-up fails; none when ready.
std::optional<QString> waitUntilReady(LocalServerStartup& startup, const QUrl& server) {
    std::optional<std::optional<QString>> answer;
    QEventLoop loop;
    startup.whenReady(server, [&](std::optional<QString> error) {
        answer = error;
        loop.quit();
    });
    if (!answer) loop.exec();
    return answer ? *answer : OllamaRuntime::stoppedMessage();
}

qint64 recordedProcess(const QString& pidFile) {
    QFile file(pidFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

// Keeps a started server in the foreground until Ctrl+C, "ovisu local stop" or its own end. The
// pid file lets stop find it; stop removes the file before it signals, which is how an end on
// request is told from a crash.
int runInForeground(const LocalServiceTarget& target, qint64 pid, const std::function<bool()>& isRunning,
                    const std::function<void()>& stop, CommandStreams& streams) {
    const StopSignals stopSignals;
    if (const auto written = writeFileAtomically(target.pidFile, QByteArray::number(pid) + "\n"); !written)
        streams.err << "ovisu local start: " << written.error() << "（ovisu local stop 将找不到此服务）\n";
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!isRunning()) loop.quit();
    });
    watch.start(200);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
    // Ctrl+C reaches the whole process group, so the server may be gone by the time the loop
    // ends; the signal still makes it a stop on request.
    const bool stopRequested = stopSignals.received() || recordedProcess(target.pidFile) != pid;
    const bool crashed = !isRunning() && !stopRequested;
    stop();
    if (recordedProcess(target.pidFile) == pid) QFile::remove(target.pidFile);
    streams.out << target.name << (crashed ? " 服务已结束\n" : " 服务已停止\n");
    return crashed ? 1 : 0;
}

int startLlamaServer(const LocalServiceTarget& target, SettingsStore& settings, const LocalModelCatalogue& catalogue,
                     CommandStreams& streams) {
    LlamaServerService service(settings, catalogue);
    const Provider provider = target.provider;
    QObject::connect(&service, &LlamaServerService::statusChanged, [&](Provider, const QString& status) {
        streams.err << status << "\n";
        streams.err.flush();
    });
    QObject::connect(&service, &LlamaServerService::ready, [&](Provider) {
        streams.out << target.name << " 已就绪 · http://127.0.0.1:" << service.port(provider) << "（按 Ctrl+C 停止）\n";
        streams.out.flush();
    });
    if (const auto started = service.start(provider); !started) return 1;
    return runInForeground(
        target, *service.processId(provider), [&] { return service.isRunning(provider); },
        [&] { service.stopAll(); }, streams);
}

int startOllama(const LocalServiceTarget& target, SettingsStore& settings, CommandStreams& streams) {
    HttpTransport transport;
    LocalServices services(settings, transport);
    OllamaRuntime& ollama = services.ollama();
    QObject::connect(&ollama, &OllamaRuntime::statusChanged, [&](const QString& status) {
        streams.err << status << "\n";
        streams.err.flush();
    });
    const QUrl server = OllamaRuntime::defaultLocalServer();
    if (const auto error = waitUntilReady(ollama, server)) {
        streams.err << "ovisu local start: " << *error << "\n";
        return 1;
    }
    const QString address = server.host() + QLatin1Char(':') + QString::number(server.port());
    if (!ollama.isProcessRunning()) {
        streams.out << "Ollama 已在 " << address << " 运行（不是由 Ovisu 启动的），无需启动\n";
        return 0;
    }
    streams.out << "Ollama 已就绪 · http://" << address << "（按 Ctrl+C 停止）\n";
    streams.out.flush();
    return runInForeground(
        target, *ollama.processId(), [&] { return ollama.isProcessRunning(); }, [&] { ollama.stop(); }, streams);
}

int ollamaStatus(const LocalServiceTarget& target, CommandStreams& streams) {
    if (!target.executable) {
        streams.out << OllamaRuntime::notFoundMessage() << "\n";
        return 0;
    }
    HttpTransport transport;
    OllamaVersionProbe probe(transport);
    const QUrl server = OllamaRuntime::defaultLocalServer();
    const bool ready = !waitUntilReady(probe, server);
    const QString address = server.host() + QLatin1Char(':') + QString::number(server.port());
    const qint64 pid = recordedProcess(target.pidFile);
    if (ready)
        streams.out << "Ollama 已就绪 · " << address
                    << (pid > 0 && runsProgram(pid, target.executable) ? "（由 ovisu local start 启动）" : "") << "\n";
    else
        streams.out << "Ollama 未运行 · " << *target.executable << "\n";
    return 0;
}

}  // namespace

int runLocalServiceStart(const QString& providerArgument, SettingsStore& settings, const LocalModelCatalogue& catalogue,
                         CommandStreams& streams) {
    const auto target = serviceTarget(providerArgument, catalogue, "start", streams);
    if (!target) return target.error();
    return target->modelSpec ? startLlamaServer(*target, settings, catalogue, streams)
                             : startOllama(*target, settings, streams);
}

int runLocalServiceStop(const QString& providerArgument, const LocalModelCatalogue& catalogue, CommandStreams& streams) {
    const auto target = serviceTarget(providerArgument, catalogue, "stop", streams);
    if (!target) return target.error();
    const qint64 pid = recordedProcess(target->pidFile);
    if (pid <= 0 || !runsProgram(pid, target->executable)) {
        streams.err << "ovisu local stop: 没有由 ovisu local start 启动的 " << target->name << " 服务在运行\n";
        return 1;
    }
    // Removed first: the start command reads its absence as a stop on request, not a crash.
    QFile::remove(target->pidFile);
    ::kill(pid_t(pid), SIGTERM);
    // The server may take a moment to release its model.
    const QDeadlineTimer deadline(10000);
    while (runsProgram(pid, target->executable) && !deadline.hasExpired()) QThread::msleep(100);
    if (runsProgram(pid, target->executable)) {
        streams.err << "ovisu local stop: " << target->name << " 服务（进程 " << pid << "）10 秒内没有退出\n";
        return 1;
    }
    streams.out << target->name << " 服务已停止\n";
    return 0;
}

int runLocalServiceStatus(const QString& providerArgument, SettingsStore& settings,
                          const LocalModelCatalogue& catalogue, CommandStreams& streams) {
    const auto target = serviceTarget(providerArgument, catalogue, "status", streams);
    if (!target) return target.error();
    if (!target->modelSpec) return ollamaStatus(*target, streams);
    LlamaServerService service(settings, catalogue);
    std::optional<LocalServiceRow> row;
    QEventLoop loop;
    // A server on the port (one of ours from "ovisu local start", or someone else's) is found by
    // asking it, as the settings window does.
    service.probeExternalServer(target->provider, [&](LocalServiceRow found) {
        row = found;
        loop.quit();
    });
    if (!row) loop.exec();
    streams.out << row->status << "\n";
    return 0;
}

}  // namespace ovisu
