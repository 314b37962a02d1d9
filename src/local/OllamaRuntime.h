#pragma once

#include "engine/LocalServerStartup.h"
#include "engine/OllamaVersionProbe.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QProcess;
class QTimer;

namespace ovisu {

class HttpCall;
class HttpTransport;
class LlamaServerService;
class LocalModelCatalogue;
class LocalModelDownloads;

// The Ollama server of the local sources. For the local server it starts `ollama serve` when
// nothing answers there, and waits until it does; any other server (a source pointed at another
// machine or port) is only asked, as OllamaVersionProbe does. It installs the Ollama release
// archive under root/runtime through the download slot. Only one local model server runs at a
// time: starting serve stops the llama-servers, and starting a llama-server stops serve.
// Lives on the main thread; the services it is given must outlive it.
class OllamaRuntime final : public QObject, public LocalServerStartup {
    Q_OBJECT
public:
    static constexpr int maximumProbes = 31;
    static constexpr std::chrono::milliseconds defaultProbeInterval{350};
    static constexpr std::chrono::milliseconds probeTimeout{800};

    // `localServer` is the server this runtime may start; the program passes defaultLocalServer().
    OllamaRuntime(HttpTransport& transport, const LocalModelCatalogue& catalogue, LocalModelDownloads& downloads,
                  LlamaServerService& llamaServers, const QUrl& localServer = defaultLocalServer(),
                  QObject* parent = nullptr);
    // Leaves no serve process of ours behind; a server it did not start is left alone.
    ~OllamaRuntime() override;

    static QUrl defaultLocalServer();  // http://127.0.0.1:11434
    static QString notFoundMessage();
    static QString noAnswerMessage();
    static QString stoppedMessage();
    static QString downloadFailedMessage();
    static QString installFailedMessage();
    static QString slotBusyMessage();
    static QString runtimeURLKey();      // "ollamaRuntimeURL"
    static QString defaultRuntimeURL();  // the Linux amd64 release archive

    bool isReady(const QUrl& server) const override;
    void whenReady(const QUrl& server, Callback callback) override;

    // Launches `<ollama> serve` for the local server unless ours runs already. None when it runs
    // (whether it answers yet or not), else why it cannot.
    std::optional<QString> startOllamaProcessIfNeeded();
    // Terminates the serve process this runtime started; a waiting start-up ends with
    // stoppedMessage(). A server someone else runs keeps running.
    void stop();
    bool isProcessRunning() const { return m_process != nullptr; }
    std::optional<qint64> processId() const;

    // Fetches and unpacks the release archive into root/runtime unless an Ollama is installed
    // already (or `force`). `done` gets none once root/runtime/bin/ollama is there, else the
    // message to show; it runs later, except when nothing needs doing. False, without `done`,
    // when the download slot is busy (statusChanged says so).
    using InstallDone = std::function<void(std::optional<QString> error)>;
    bool installOllamaRuntimeIfNeeded(bool force, InstallDone done);

    // Pulls `model` into the model store through the download slot: installs the runtime when no
    // Ollama is found, waits until the local server answers (starting serve when nothing does),
    // then runs `ollama pull`, whose end the slot's finished signal reports. The pull is a client
    // of the server, so starting it before the server answers would fail. `failed` gets the
    // message when a step before the pull fails; it is not called once the pull runs.
    using PullFailed = std::function<void(const QString& error)>;
    void pullModel(const QString& model, PullFailed failed);

    void setProbeInterval(std::chrono::milliseconds interval) { m_probeInterval = interval; }

signals:
    void statusChanged(const QString& status);

private:
    bool isLocal(const QUrl& server) const;
    void beginStartUp();
    void probe();
    void probeAnswered(bool answered);
    void finishStartUp(const std::optional<QString>& error);
    void serveEnded(QProcess* process);
    void retire(QProcess* process);
    void unpack(const QString& archive, InstallDone done);

    HttpTransport& m_transport;
    const LocalModelCatalogue& m_catalogue;
    LocalModelDownloads& m_downloads;
    LlamaServerService& m_llamaServers;
    const QUrl m_localServer;
    OllamaVersionProbe m_otherServers;
    std::chrono::milliseconds m_probeInterval = defaultProbeInterval;

    QProcess* m_process = nullptr;  // our serve process
    QList<QProcess*> m_retiring;    // asked to stop, not yet ended
    // When the local server last answered. Ours counts as ready until it exits; a server run by
    // someone else only for answerLifetime, after which it is asked again.
    std::optional<QElapsedTimer> m_answeredAt;
    QList<Callback> m_callbacks;
    bool m_startingUp = false;
    bool m_waitingForRetired = false;  // the start-up's first probe waits until stopped servers are gone
    int m_probes = 0;
    std::shared_ptr<HttpCall> m_probeCall;
    QTimer* m_probeTimer = nullptr;
};

}  // namespace ovisu
