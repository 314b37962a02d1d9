#include "local/LlamaServerService.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/HttpRequest.h"
#include "engine/HttpTransport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace ovisu {

namespace {

constexpr auto loopbackHost = "127.0.0.1";
// A server that ignores SIGTERM this long at exit is killed; a real one stops in well under it.
constexpr int terminationGraceMs = 2000;

bool isSuccess(const HttpResponse& response) {
    return !response.error && response.statusCode && *response.statusCode / 100 == 2;
}

HttpRequest healthRequest(int port) {
    HttpRequest request;
    request.method = "GET";
    request.url = QUrl(QStringLiteral("http://%1:%2/health").arg(QLatin1String(loopbackHost)).arg(port));
    request.timeoutSeconds = 1;
    return request;
}

QString address(int port) { return QStringLiteral("%1:%2").arg(QLatin1String(loopbackHost)).arg(port); }

}  // namespace

LlamaServerService::LlamaServerService(SettingsStore& settings, const LocalModelCatalogue& catalogue, QObject* parent)
    : QObject(parent), m_settings(settings), m_catalogue(catalogue), m_transport(new HttpTransport(this)) {}

LlamaServerService::~LlamaServerService() {
    for (const auto& probe : m_probes) probe->cancel();
    QList<QProcess*> processes = m_stopping;
    for (auto& [provider, slot] : m_slots) {
        release(slot);
        processes.append(slot.process);
    }
    m_slots.clear();
    m_stopping.clear();
    // Every server gets its SIGTERM before any is waited for, so the grace periods overlap.
    for (QProcess* process : processes) {
        disconnect(process, nullptr, this, nullptr);
        if (process->state() != QProcess::NotRunning) process->terminate();
    }
    for (QProcess* process : processes) {
        if (process->state() != QProcess::NotRunning && !process->waitForFinished(terminationGraceMs)) {
            process->kill();
            process->waitForFinished(terminationGraceMs);
        }
        delete process;
    }
}

QStringList LlamaServerService::serverArguments(Provider provider, const LocalModelSpec& modelSpec, int port) {
    QStringList arguments{QStringLiteral("--model"),    modelSpec.modelPath,          QStringLiteral("--alias"),
                          modelSpec.alias,                   QStringLiteral("--host"), QLatin1String(loopbackHost),
                          QStringLiteral("--port"),     QString::number(port),   QStringLiteral("--ctx-size"),
                          QStringLiteral("2048"),       QStringLiteral("--parallel"), QStringLiteral("1"),
                          QStringLiteral("--threads"),  QStringLiteral("6"),     QStringLiteral("--n-gpu-layers"),
                          QStringLiteral("99")};
    // Their GGUF files carry chat templates llama-server only applies with --jinja; Sakura's
    // prompt format is the server's built-in one.
    if (provider == Provider::qwenLocal || provider == Provider::hyMTLocal) arguments.append(QStringLiteral("--jinja"));
    return arguments;
}

std::expected<void, QString> LlamaServerService::start(Provider provider) {
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    if (!modelSpec) return std::unexpected(QStringLiteral("%1 不是本地 llama-server 翻译源").arg(caseName(provider)));
    if (isRunning(provider)) return {};
    const auto fail = [&](const QString& message) -> std::expected<void, QString> {
        setStatus(provider, message);
        return std::unexpected(message);
    };

    std::vector<Provider> others;
    for (const auto& [other, slot] : m_slots) others.push_back(other);
    for (Provider other : others) stop(other);
    if (m_stopOtherLocalServers) m_stopOtherLocalServers();

    const auto executable = m_catalogue.layout().llamaServerExecutable();
    if (!executable) return fail(QStringLiteral("尚未安装运行组件和 %1 模型").arg(modelSpec->name));
    const QString runtimeFolder = QFileInfo(*executable).absolutePath();

    const QString logsFolder = m_catalogue.layout().logsFolder();
    const QString logPath = logsFolder + QLatin1Char('/') + modelSpec->logName;
    {
        // Each launch starts a fresh log, so what the user finds there is about this attempt.
        QFile log(logPath);
        if (!QDir().mkpath(logsFolder) || !log.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QStringLiteral("无法创建 %1 日志文件").arg(modelSpec->name));
    }

    const int serverPort = port(provider);
    // Another program on the port would answer the readiness probe for a server of ours that
    // could never listen, and requests would reach a model nobody chose.
    if (QTcpServer probe; !probe.listen(QHostAddress::LocalHost, quint16(serverPort)))
        return fail(QStringLiteral("端口 %1 已被其他程序占用，%2 无法启动；请先关闭占用该端口的程序。")
                        .arg(serverPort)
                        .arg(modelSpec->name));
    auto* process = new QProcess(this);
    process->setProgram(*executable);
    process->setArguments(serverArguments(provider, *modelSpec, serverPort));
    process->setWorkingDirectory(runtimeFolder);
    // The release archive keeps its shared libraries beside the server rather than in a system path.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString libraryPath = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       libraryPath.isEmpty() ? runtimeFolder : runtimeFolder + QLatin1Char(':') + libraryPath);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(logPath, QIODevice::Append);
    process->start();
    if (!process->waitForStarted()) {
        const QString description = process->errorString();
        delete process;
        return fail(QStringLiteral("启动失败：") + description);
    }
    connect(process, &QProcess::finished, this, [this, provider, process] { onProcessEnded(provider, process); });

    Slot& slot = m_slots[provider];
    slot.process = process;
    slot.pollTimer = new QTimer(this);
    slot.pollTimer->setSingleShot(true);
    slot.pollTimer->setInterval(m_pollInterval);
    connect(slot.pollTimer, &QTimer::timeout, this, [this, provider] { pollHealth(provider); });

    // Requests to the source name the model the server announces.
    if (const auto stored = m_settings.setString(SettingsKeys::perSource(SettingsKeys::modelPrefix, rawValue(provider)),
                                                 modelSpec->alias);
        !stored)
        qWarning("llama-server: cannot store the model name of %s: %s", qPrintable(modelSpec->name),
                 qPrintable(stored.error()));

    setStatus(provider, QStringLiteral("正在加载 %1 模型，请稍候…").arg(modelSpec->name));
    slot.pollTimer->start();
    return {};
}

void LlamaServerService::pollHealth(Provider provider) {
    const auto found = m_slots.find(provider);
    if (found == m_slots.end()) return;
    QProcess* process = found->second.process;
    found->second.healthCall = m_transport->send(healthRequest(port(provider)), [this, provider, process](HttpResponse response) {
        const auto slot = m_slots.find(provider);
        if (slot == m_slots.end() || slot->second.process != process) return;
        slot->second.healthCall.reset();
        const auto modelSpec = m_catalogue.localModelSpec(provider);
        const QString name = modelSpec ? modelSpec->name : caseName(provider);
        if (isSuccess(response)) {
            setStatus(provider, QStringLiteral("%1 已就绪 · %2").arg(name, address(port(provider))));
            emit ready(provider);
            return;
        }
        if (++slot->second.failedPolls >= maximumHealthPolls) {
            const QString timedOut = QStringLiteral("模型加载超时，请查看 logs 文件夹中的日志");
            setStatus(provider, timedOut);
            emit loadTimedOut(provider, timedOut);
            return;
        }
        slot->second.pollTimer->start();
    });
}

void LlamaServerService::onProcessEnded(Provider provider, QProcess* process) {
    const auto slot = m_slots.find(provider);
    if (slot == m_slots.end() || slot->second.process != process) return;
    release(slot->second);
    m_slots.erase(slot);
    process->deleteLater();
    setStatus(provider, serviceRow(provider).status);
}

void LlamaServerService::release(Slot& slot) {
    if (slot.healthCall) slot.healthCall->cancel();
    slot.healthCall.reset();
    delete slot.pollTimer;
    slot.pollTimer = nullptr;
}

void LlamaServerService::retire(QProcess* process) {
    disconnect(process, nullptr, this, nullptr);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // The object lives on until the server has gone, so its end is collected and nothing is killed.
    m_stopping.append(process);
    connect(process, &QProcess::finished, this, [this, process] {
        m_stopping.removeOne(process);
        process->deleteLater();
    });
    process->terminate();
}

void LlamaServerService::stop(Provider provider) {
    const auto slot = m_slots.find(provider);
    if (slot == m_slots.end()) return;
    QProcess* process = slot->second.process;
    release(slot->second);
    m_slots.erase(slot);
    retire(process);
    setStatus(provider, serviceRow(provider).status);
}

void LlamaServerService::stopAll() {
    std::vector<Provider> running;
    for (const auto& [provider, slot] : m_slots) running.push_back(provider);
    for (Provider provider : running) stop(provider);
}

bool LlamaServerService::isRunning(Provider provider) const { return m_slots.contains(provider); }

std::optional<qint64> LlamaServerService::processId(Provider provider) const {
    const auto slot = m_slots.find(provider);
    if (slot == m_slots.end()) return std::nullopt;
    return slot->second.process->processId();
}

std::optional<QString> LlamaServerService::systemRuntimeNote() const {
    const auto executable = m_catalogue.layout().llamaServerExecutable();
    if (!executable || *executable == m_catalogue.layout().bundledLlamaServer()) return std::nullopt;
    return QStringLiteral(" · 使用系统的 llama-server（%1）").arg(*executable);
}

LocalServiceRow LlamaServerService::serviceRow(Provider provider) const {
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    if (!modelSpec) return {};
    const QString& name = modelSpec->name;
    if (!m_catalogue.layout().llamaServerExecutable())
        return {QStringLiteral("尚未安装运行组件和 %1 模型").arg(name), QStringLiteral("安装并启动 %1").arg(name), true,
                true};
    const QFileInfo model(modelSpec->modelPath);
    if (!model.isFile())
        return {QStringLiteral("%1 模型尚未安装").arg(name), QStringLiteral("下载并启动 %1").arg(name), true, true};
    const auto size = std::uint64_t(model.size());
    if (size >= modelSpec->expectedBytes) {
        const QString note = systemRuntimeNote().value_or(QString());
        if (isRunning(provider))
            return {QStringLiteral("%1 正在运行 · %2").arg(name, address(port(provider))) + note,
                    QStringLiteral("停止本地 %1").arg(name), true, true};
        return {QStringLiteral("%1 已安装 · 当前未启动").arg(name) + note, QStringLiteral("启动本地 %1").arg(name), true,
                true};
    }
    // Never 100 % for a file still short of its size, however close.
    const double percent = std::min(double(size) / double(modelSpec->expectedBytes) * 100.0, 99.9);
    return {QString::asprintf("模型已下载 %.1f%%，可断点续传", percent), QStringLiteral("继续下载并启动 %1").arg(name),
            true, true};
}

void LlamaServerService::probeExternalServer(Provider provider, std::function<void(LocalServiceRow)> done) {
    m_probes.removeIf([](const std::shared_ptr<HttpCall>& call) { return call->isFinished(); });
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    if (!modelSpec || isRunning(provider)) {
        QTimer::singleShot(0, this, [this, provider, done = std::move(done)] { done(serviceRow(provider)); });
        return;
    }
    m_probes.append(m_transport->send(healthRequest(port(provider)), [this, provider, name = modelSpec->name,
                                                                      done = std::move(done)](HttpResponse response) {
        // A server this program started meanwhile is its own row, not an outside one.
        if (!isSuccess(response) || isRunning(provider)) {
            done(serviceRow(provider));
            return;
        }
        done({QStringLiteral("%1 服务已在运行 · %2").arg(name, address(port(provider))),
              QStringLiteral("服务由外部进程运行"), false, true});
    }));
}

void LlamaServerService::setStopOtherLocalServers(std::function<void()> hook) { m_stopOtherLocalServers = std::move(hook); }

void LlamaServerService::setPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

void LlamaServerService::setPortOverride(Provider provider, int port) { m_portOverrides[provider] = port; }

int LlamaServerService::port(Provider provider) const {
    if (const auto found = m_portOverrides.find(provider); found != m_portOverrides.end()) return found->second;
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    return modelSpec ? modelSpec->port : 0;
}

void LlamaServerService::setStatus(Provider provider, const QString& status) { emit statusChanged(provider, status); }

}  // namespace ovisu
