#include "local/OllamaRuntime.h"

#include "engine/HttpRequest.h"
#include "engine/HttpTransport.h"
#include "local/LlamaServerService.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace ovisu {

namespace {

constexpr int defaultOllamaPort = 11434;
// A serve process that ignores SIGTERM this long is killed; a real one stops well within it.
constexpr int terminationGraceMs = 3000;

bool isSuccess(const HttpResponse& response) {
    return !response.error && response.statusCode && *response.statusCode / 100 == 2;
}

// 127.0.0.1 and localhost are the same server to the sources' endpoints.
QString canonicalOrigin(const QUrl& server) {
    QString host = server.host().toLower();
    if (host == QLatin1String("localhost")) host = QStringLiteral("127.0.0.1");
    return server.scheme().toLower() + QStringLiteral("://") + host + QLatin1Char(':') +
           QString::number(server.port(defaultOllamaPort));
}

void endNow(QProcess* process) {
    if (process->state() != QProcess::NotRunning && !process->waitForFinished(terminationGraceMs)) {
        process->kill();
        process->waitForFinished(terminationGraceMs);
    }
    delete process;
}

}  // namespace

OllamaRuntime::OllamaRuntime(HttpTransport& transport, const LocalModelCatalogue& catalogue,
                             LocalModelDownloads& downloads, LlamaServerService& llamaServers, const QUrl& localServer,
                             QObject* parent)
    : QObject(parent),
      m_transport(transport),
      m_catalogue(catalogue),
      m_downloads(downloads),
      m_llamaServers(llamaServers),
      m_localServer(localServer),
      m_otherServers(transport),
      m_probeTimer(new QTimer(this)) {
    m_probeTimer->setSingleShot(true);
    connect(m_probeTimer, &QTimer::timeout, this, &OllamaRuntime::probe);
    // The small machines these models are meant for hold one model in memory, not two.
    m_llamaServers.setStopOtherLocalServers([this] { stop(); });
}

OllamaRuntime::~OllamaRuntime() {
    m_llamaServers.setStopOtherLocalServers({});
    if (m_probeCall) m_probeCall->cancel();
    QList<QProcess*> processes = m_retiring;
    if (m_process) processes.append(m_process);
    m_process = nullptr;
    m_retiring.clear();
    // Every process gets its SIGTERM before any is waited for, so the grace periods overlap.
    for (QProcess* process : processes) {
        disconnect(process, nullptr, this, nullptr);
        if (process->state() != QProcess::NotRunning) process->terminate();
    }
    for (QProcess* process : processes) endNow(process);
}

QUrl OllamaRuntime::defaultLocalServer() { return QUrl(QStringLiteral("http://127.0.0.1:11434")); }

QString OllamaRuntime::notFoundMessage() {
    return QStringLiteral("未找到 Ollama。请在“本地模型管理”中点击“后台安装 Ollama”。");
}

QString OllamaRuntime::noAnswerMessage() {
    return QStringLiteral("Ollama 已尝试启动但 12 秒内没有响应。请检查 11434 端口和 Ollama 运行组件。");
}

QString OllamaRuntime::stoppedMessage() {
    return QStringLiteral("Ollama 已停止，未能完成启动。");
}

QString OllamaRuntime::downloadFailedMessage() { return QStringLiteral("Ollama 下载失败，可点击重试。"); }
QString OllamaRuntime::installFailedMessage() { return QStringLiteral("Ollama 安装失败，可点击重试。"); }
QString OllamaRuntime::slotBusyMessage() { return QStringLiteral("已有后台下载任务正在进行。"); }
QString OllamaRuntime::runtimeURLKey() { return QStringLiteral("ollamaRuntimeURL"); }
QString OllamaRuntime::defaultRuntimeURL() { return QStringLiteral("https://ollama.com/download/ollama-linux-amd64.tgz"); }

bool OllamaRuntime::isLocal(const QUrl& server) const {
    return canonicalOrigin(server) == canonicalOrigin(m_localServer);
}

bool OllamaRuntime::isReady(const QUrl& server) const {
    if (!isLocal(server)) return m_otherServers.isReady(server);
    if (!m_answeredAt) return false;
    // Ours is known to be gone when it exits; a server someone else runs could stop unnoticed.
    return m_process || !m_answeredAt->hasExpired(OllamaVersionProbe::defaultAnswerLifetime.count());
}

void OllamaRuntime::whenReady(const QUrl& server, Callback callback) {
    if (!isLocal(server)) {
        m_otherServers.whenReady(server, std::move(callback));
        return;
    }
    if (!m_startingUp && isReady(server)) {
        QTimer::singleShot(0, this, [callback = std::move(callback)] { callback(std::nullopt); });
        return;
    }
    m_callbacks.append(std::move(callback));
    if (!m_startingUp) beginStartUp();
}

void OllamaRuntime::beginStartUp() {
    m_startingUp = true;
    m_probes = 0;
    // A server we just stopped may still answer; its answer would stand for a server about to vanish.
    if (!m_retiring.isEmpty()) {
        m_waitingForRetired = true;
        return;
    }
    probe();
}

void OllamaRuntime::probe() {
    ++m_probes;
    QUrl url = m_localServer.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    url.setPath(QStringLiteral("/api/version"));
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    request.timeoutSeconds = double(probeTimeout.count()) / 1000.0;
    m_probeCall = m_transport.send(request, [this](HttpResponse response) {
        m_probeCall.reset();
        probeAnswered(isSuccess(response));
    });
}

void OllamaRuntime::probeAnswered(bool answered) {
    if (answered) {
        m_answeredAt.emplace();
        m_answeredAt->start();
        finishStartUp(std::nullopt);
        return;
    }
    if (m_probes == 1) {
        if (const auto error = startOllamaProcessIfNeeded()) {
            finishStartUp(error);
            return;
        }
    }
    // A serve that exits early keeps being waited for: it may have lost the port to another
    // Ollama starting at the same time, which then answers.
    if (m_probes >= maximumProbes) {
        finishStartUp(noAnswerMessage());
        return;
    }
    m_probeTimer->start(m_probeInterval);
}

void OllamaRuntime::finishStartUp(const std::optional<QString>& error) {
    m_startingUp = false;
    m_waitingForRetired = false;
    m_probeTimer->stop();
    if (m_probeCall) m_probeCall->cancel();
    m_probeCall.reset();
    // A callback may ask again and start the next start-up: it runs on a copy.
    const QList<Callback> callbacks = std::exchange(m_callbacks, {});
    for (const Callback& callback : callbacks) callback(error);
}

void OllamaRuntime::pullModel(const QString& model, PullFailed failed) {
    if (!m_catalogue.layout().ollamaExecutable()) {
        emit statusChanged(QStringLiteral("正在后台安装 Ollama 运行组件…"));
        const bool started = installOllamaRuntimeIfNeeded(
            false, [this, model, failed](std::optional<QString> error) {
                if (error) return failed(*error);
                if (!m_catalogue.layout().ollamaExecutable()) return failed(notFoundMessage());
                pullModel(model, failed);
            });
        if (!started) failed(slotBusyMessage());
        return;
    }
    emit statusChanged(QStringLiteral("正在启动 Ollama…"));
    whenReady(m_localServer, [this, model, failed](std::optional<QString> error) {
        if (error) return failed(*error);
        const auto executable = m_catalogue.layout().ollamaExecutable();
        if (!executable) return failed(notFoundMessage());
        switch (m_downloads.startOllamaPull(*executable, model, m_catalogue.ollamaModelDirectory(), m_localServer)) {
        case LocalModelDownloads::Start::started:
            return;
        case LocalModelDownloads::Start::alreadyRunning:
            return failed(slotBusyMessage());
        case LocalModelDownloads::Start::failed:
            return failed(m_downloads.status());
        }
    });
}

std::optional<QString> OllamaRuntime::startOllamaProcessIfNeeded() {
    if (m_process) return std::nullopt;
    const LocalInstallLayout& layout = m_catalogue.layout();
    const auto executable = layout.ollamaExecutable();
    if (!executable) return notFoundMessage();
    const QString store = m_catalogue.ollamaModelDirectory();
    if (!QDir().mkpath(store) || !QFileInfo(store).isDir())
        return QStringLiteral("无法访问 Ollama 模型目录：") + store;

    m_llamaServers.stopAll();

    auto* process = new QProcess(this);
    process->setProgram(*executable);
    process->setArguments({QStringLiteral("serve")});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OLLAMA_HOST"),
                       m_localServer.host() + QLatin1Char(':') + QString::number(m_localServer.port(defaultOllamaPort)));
    environment.insert(QStringLiteral("OLLAMA_MODELS"), store);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::MergedChannels);
    // Each launch starts a fresh log, so what the user finds there is about this attempt; without
    // a writable logs folder the server still runs.
    const QString logsFolder = layout.logsFolder();
    const QString logPath = logsFolder + QStringLiteral("/ollama.log");
    if (QFile log(logPath); QDir().mkpath(logsFolder) && log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        process->setStandardOutputFile(logPath, QIODevice::Append);
    else
        process->setStandardOutputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        const QString description = process->errorString();
        delete process;
        return QStringLiteral("Ollama 启动失败：") + description;
    }
    connect(process, &QProcess::finished, this, [this, process] { serveEnded(process); });
    m_process = process;
    return std::nullopt;
}

void OllamaRuntime::serveEnded(QProcess* process) {
    process->deleteLater();
    if (process != m_process) return;
    m_process = nullptr;
    m_answeredAt.reset();
}

std::optional<qint64> OllamaRuntime::processId() const {
    if (!m_process) return std::nullopt;
    return m_process->processId();
}

void OllamaRuntime::stop() {
    if (m_startingUp) finishStartUp(stoppedMessage());
    if (!m_process) return;
    m_answeredAt.reset();
    retire(std::exchange(m_process, nullptr));
}

void OllamaRuntime::retire(QProcess* process) {
    disconnect(process, nullptr, this, nullptr);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // The object lives on until the server has gone, so its end is collected.
    m_retiring.append(process);
    connect(process, &QProcess::finished, this, [this, process] {
        m_retiring.removeOne(process);
        process->deleteLater();
        if (m_retiring.isEmpty() && std::exchange(m_waitingForRetired, false)) probe();
    });
    QTimer::singleShot(terminationGraceMs, process, [process] { process->kill(); });
    process->terminate();
}

bool OllamaRuntime::installOllamaRuntimeIfNeeded(bool force, InstallDone done) {
    const LocalInstallLayout& layout = m_catalogue.layout();
    if (!force && layout.ollamaExecutable()) {
        done(std::nullopt);
        return true;
    }
    if (m_downloads.isRunning()) {
        emit statusChanged(slotBusyMessage());
        return false;
    }
    const auto fail = [this, &done](const QString& message) {
        emit statusChanged(message);
        done(message);
        return true;
    };
    const QString runtime = layout.runtimeFolder();
    if (!QDir().mkpath(runtime)) return fail(QStringLiteral("无法创建 Ollama 运行组件目录：") + runtime);
    const auto curl = LocalInstallLayout::systemExecutable(QStringLiteral("curl"));
    if (!curl) return fail(QStringLiteral("找不到 curl，请先安装 curl。"));

    const QString archive = runtime + QStringLiteral("/ollama-linux-amd64.tgz");
    const QUrl source(m_catalogue.storedLocalModelPath(runtimeURLKey(), defaultRuntimeURL()));
    emit statusChanged(QStringLiteral("正在后台下载 Ollama…"));
    const auto started = m_downloads.runInstallerProcess(
        *curl, LocalModelCatalogue::curlResumeArguments(source, archive),
        [this](const QString& piece) { emit statusChanged(QStringLiteral("正在后台下载 Ollama… ") + piece.trimmed()); },
        [this, archive, done](int exitCode) {
            // The partial archive stays: the retry continues it.
            if (exitCode != 0) {
                emit statusChanged(downloadFailedMessage());
                done(downloadFailedMessage());
                return;
            }
            unpack(archive, done);
        });
    if (started == LocalModelDownloads::Start::alreadyRunning) {
        emit statusChanged(slotBusyMessage());
        return false;
    }
    return true;
}

void OllamaRuntime::unpack(const QString& archive, InstallDone done) {
    const LocalInstallLayout& layout = m_catalogue.layout();
    // An archive that does not unpack into a program is not resumed into a longer broken one.
    const auto fail = [this, archive, done] {
        QFile::remove(archive);
        emit statusChanged(installFailedMessage());
        done(installFailedMessage());
    };
    const auto tar = LocalInstallLayout::systemExecutable(QStringLiteral("tar"));
    if (!tar) {
        fail();
        return;
    }
    emit statusChanged(QStringLiteral("正在安装 Ollama…"));
    const auto started = m_downloads.runInstallerProcess(
        *tar, {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), layout.runtimeFolder()}, {},
        [this, archive, done, fail, program = layout.bundledOllama()](int exitCode) {
            if (exitCode != 0 || !LocalInstallLayout::isExecutableFile(program)) {
                fail();
                return;
            }
            QFile::remove(archive);
            emit statusChanged(QStringLiteral("Ollama 安装完成。"));
            done(std::nullopt);
        });
    // The slot was freed for this step; someone taking it in between still ends the install.
    if (started == LocalModelDownloads::Start::alreadyRunning) fail();
}

}  // namespace ovisu
