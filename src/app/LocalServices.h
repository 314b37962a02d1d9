#pragma once

#include "engine/LocalServiceRow.h"
#include "engine/Provider.h"
#include "local/LlamaServerService.h"
#include "local/LocalInstaller.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"
#include "local/OllamaRuntime.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <map>
#include <optional>

namespace ovisu {

class SettingsStore;

// The local translation services of one run: where models and runtimes live (decided once, at
// start), the one download slot, the llama-servers of the GGUF sources and the installer that
// fetches what they lack. Every server it started stops when it goes.
class LocalServices : public QObject, public LocalServerStartup {
    Q_OBJECT
public:
    LocalServices(SettingsStore& settings, HttpTransport& transport, QObject* parent = nullptr);
    ~LocalServices() override;

    LocalModelCatalogue& catalogue() { return m_catalogue; }
    LocalModelDownloads& downloads() { return m_downloads; }
    LlamaServerService& llamaServers() { return m_llamaServers; }
    LocalInstaller& installer() { return m_installer; }
    OllamaRuntime& ollama() { return m_ollama; }

    // The service row of a source: what runs it (ours, someone else's, nothing), the step under
    // way, and what the button does. None for a source without a server of ours. Asking starts a
    // look at the source's port, whose answer comes as serviceRowChanged.
    std::optional<LocalServiceRow> serviceRow(Provider provider);
    // The row's button: stop our server, start an installed one, or install and then start.
    void toggleService(Provider provider);

    // A local source about to translate asks for its server. A llama-server port: ready when our
    // server answered or someone else's answers its health check; otherwise an installed model's
    // server is started and waited for, and a missing one is an error that says where to install
    // it. Any other server: Ollama's (started when it is the local one and does not answer).
    bool isReady(const QUrl& server) const override;
    void whenReady(const QUrl& server, Callback callback) override;

signals:
    void serviceRowChanged(Provider provider);

private:
    void statusChanged(Provider provider, const QString& status);
    // The GGUF source whose server listens at that address.
    std::optional<Provider> llamaSourceAt(const QUrl& server) const;
    void finishStartup(Provider provider, const std::optional<QString>& error);

    LocalModelCatalogue m_catalogue;
    LocalModelDownloads m_downloads;
    LlamaServerService m_llamaServers;
    LocalInstaller m_installer;
    // After the llama-servers: it stops them before it starts, and goes first.
    OllamaRuntime m_ollama;
    std::map<Provider, bool> m_ready;
    std::map<Provider, bool> m_servedByOthers;
    // Callbacks waiting for a llama-server, by source; a source with some is starting up.
    std::map<Provider, QList<Callback>> m_waiting;
    // What the last step said (loading, ready, a failure), shown until the state moves on.
    std::map<Provider, QString> m_lastStatus;
    // Someone else's server answered on the port.
    std::map<Provider, LocalServiceRow> m_outsideServer;
    std::map<Provider, bool> m_probing;
};

}  // namespace ovisu
