#include "app/LocalServiceCommands.h"

#include "app/CommandSupport.h"
#include "app/StopSignals.h"
#include "base/AtomicFile.h"
#include "local/LlamaServerService.h"
#include "local/LocalModelCatalogue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace ovisu {
namespace {

// The GGUF source a command names, or the exit status after saying why not.
std::expected<std::pair<Provider, LocalModelSpec>, int> llamaSource(const QString& argument,
                                                                    const LocalModelCatalogue& catalogue,
                                                                    const char* action, CommandStreams& streams) {
    const auto provider = providerFromArgument(argument);
    const auto modelSpec = provider ? catalogue.localModelSpec(*provider) : std::nullopt;
    if (!modelSpec) {
        streams.err << "ovisu local " << action << ": '" << argument
                    << "' is not a source served by llama-server (sakura, qwenLocal or hyMTLocal)\n";
        return std::unexpected(2);
    }
    return std::pair(*provider, *modelSpec);
}

// The server started by "ovisu local start" records its process here, beside its log.
QString pidFilePath(const LocalModelCatalogue& catalogue, const LocalModelSpec& modelSpec) {
    return catalogue.layout().logsFolder() + QLatin1Char('/') + modelSpec.logName + QStringLiteral(".pid");
}

// Whether the process is the llama-server this program would run, so a pid file left behind by a
// crash never makes stop signal an unrelated process that took the number since.
bool runsServer(qint64 pid, const LocalModelCatalogue& catalogue) {
    const auto server = catalogue.layout().llamaServerExecutable();
    if (!server) return false;
    const QString running = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath();
    return !running.isEmpty() && running == QFileInfo(*server).canonicalFilePath();
}

}  // namespace

int runLocalServiceStart(const QString& providerArgument, SettingsStore& settings, const LocalModelCatalogue& catalogue,
                         CommandStreams& streams) {
    const auto source = llamaSource(providerArgument, catalogue, "start", streams);
    if (!source) return source.error();
    const auto& [provider, modelSpec] = *source;
    LlamaServerService service(settings, catalogue);
    QEventLoop loop;
    QObject::connect(&service, &LlamaServerService::statusChanged, [&](Provider, const QString& status) {
        streams.err << status << "\n";
        streams.err.flush();
    });
    QObject::connect(&service, &LlamaServerService::ready, [&](Provider) {
        streams.out << modelSpec.name << " 已就绪 · http://127.0.0.1:" << service.port(provider)
                    << "（按 Ctrl+C 停止）\n";
        streams.out.flush();
    });
    const StopSignals stopSignals;
    if (const auto started = service.start(provider); !started) return 1;
    const QString pidFile = pidFilePath(catalogue, modelSpec);
    if (const auto written = writeFileAtomically(pidFile, QByteArray::number(*service.processId(provider)) + "\n");
        !written)
        streams.err << "ovisu local start: " << written.error() << "（ovisu local stop 将找不到此服务）\n";
    // The server ending on its own (a crash, "ovisu local stop") ends the command as well.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!service.isRunning(provider)) loop.quit();
    });
    watch.start(200);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
    const bool endedByItself = !service.isRunning(provider);
    service.stopAll();
    QFile::remove(pidFile);
    streams.out << modelSpec.name << (endedByItself ? " 服务已结束\n" : " 服务已停止\n");
    return endedByItself ? 1 : 0;
}

int runLocalServiceStop(const QString& providerArgument, const LocalModelCatalogue& catalogue, CommandStreams& streams) {
    const auto source = llamaSource(providerArgument, catalogue, "stop", streams);
    if (!source) return source.error();
    const LocalModelSpec& modelSpec = source->second;
    QFile file(pidFilePath(catalogue, modelSpec));
    const qint64 pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    if (pid <= 0 || !runsServer(pid, catalogue)) {
        streams.err << "ovisu local stop: 没有由 ovisu local start 启动的 " << modelSpec.name << " 服务在运行\n";
        return 1;
    }
    ::kill(pid_t(pid), SIGTERM);
    // The server may take a moment to release its model.
    const QDeadlineTimer deadline(10000);
    while (runsServer(pid, catalogue) && !deadline.hasExpired()) QThread::msleep(100);
    if (runsServer(pid, catalogue)) {
        streams.err << "ovisu local stop: " << modelSpec.name << " 服务（进程 " << pid << "）10 秒内没有退出\n";
        return 1;
    }
    streams.out << modelSpec.name << " 服务已停止\n";
    return 0;
}

int runLocalServiceStatus(const QString& providerArgument, SettingsStore& settings,
                          const LocalModelCatalogue& catalogue, CommandStreams& streams) {
    const auto source = llamaSource(providerArgument, catalogue, "status", streams);
    if (!source) return source.error();
    LlamaServerService service(settings, catalogue);
    std::optional<LocalServiceRow> row;
    QEventLoop loop;
    // A server on the port (one of ours from "ovisu local start", or someone else's) is found by
    // asking it, as the settings window does.
    service.probeExternalServer(source->first, [&](LocalServiceRow found) {
        row = found;
        loop.quit();
    });
    if (!row) loop.exec();
    streams.out << row->status << "\n";
    return 0;
}

}  // namespace ovisu
