#pragma once

#include "engine/LocalServiceRow.h"
#include "engine/Provider.h"
#include "local/LocalModelCatalogue.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QProcess;
class QTimer;

namespace ovisu {

class HttpCall;
class HttpTransport;
class SettingsStore;

// The llama-server processes of the GGUF sources (Sakura, Qwen3, Hy-MT2). Only one runs at a
// time: the small machines these models are meant for cannot hold two in memory. A started server
// is ready once its /health answers; until then the status line says it is loading.
// Lives on the main thread.
class LlamaServerService : public QObject {
    Q_OBJECT
public:
    static constexpr int maximumHealthPolls = 90;
    static constexpr std::chrono::milliseconds defaultPollInterval = std::chrono::seconds(1);

    LlamaServerService(SettingsStore& settings, const LocalModelCatalogue& catalogue, QObject* parent = nullptr);
    // Leaves no server behind: each is asked to stop, then killed if it does not.
    ~LlamaServerService() override;

    // Launches the source's server after stopping every other local server. Returns the message
    // also sent as status when nothing could be launched. Starting a running server does nothing.
    std::expected<void, QString> start(Provider provider);
    // Asks the server to stop (SIGTERM) and forgets it at once.
    void stop(Provider provider);
    void stopAll();
    bool isRunning(Provider provider) const;
    std::optional<qint64> processId(Provider provider) const;

    // The row from what is on disk and whether this program runs the server.
    LocalServiceRow serviceRow(Provider provider) const;
    // When this program runs no server for the source, asks whether another process serves its
    // port; `done` gets that row, else serviceRow(). Never runs inside the call.
    void probeExternalServer(Provider provider, std::function<void(LocalServiceRow)> done);

    // The server's command line after the executable: 16 arguments, 17 with the chat template
    // switch the Qwen3 and Hy-MT2 models need.
    static QStringList serverArguments(Provider provider, const LocalModelSpec& modelSpec, int port);

    // Called before a launch, so the Ollama runtime can stop its own server too.
    void setStopOtherLocalServers(std::function<void()> hook);
    void setPollInterval(std::chrono::milliseconds interval);
    // Tests serve on free ports instead of the catalogue's fixed ones.
    void setPortOverride(Provider provider, int port);
    int port(Provider provider) const;

signals:
    void statusChanged(Provider provider, const QString& status);
    void ready(Provider provider);
    // The server kept running but never answered its health check; it is left for the user to
    // read its log or stop it.
    void loadTimedOut(Provider provider, const QString& message);

private:
    struct Slot {
        QProcess* process = nullptr;
        QTimer* pollTimer = nullptr;
        std::shared_ptr<HttpCall> healthCall;
        int failedPolls = 0;
    };

    void setStatus(Provider provider, const QString& status);
    void pollHealth(Provider provider);
    void onProcessEnded(Provider provider, QProcess* process);
    void release(Slot& slot);  // stops polling; the process is the caller's business
    void retire(QProcess* process);
    std::optional<QString> systemRuntimeNote() const;

    SettingsStore& m_settings;
    const LocalModelCatalogue& m_catalogue;
    HttpTransport* m_transport;
    std::map<Provider, Slot> m_slots;
    QList<QProcess*> m_stopping;  // asked to stop, not yet ended
    QList<std::shared_ptr<HttpCall>> m_probes;
    std::map<Provider, int> m_portOverrides;
    std::function<void()> m_stopOtherLocalServers;
    std::chrono::milliseconds m_pollInterval = defaultPollInterval;
};

}  // namespace ovisu
