#pragma once

#include "engine/LocalServiceRow.h"
#include "engine/Provider.h"
#include "local/LlamaServerService.h"
#include "local/LocalInstaller.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"

#include <QObject>

#include <map>
#include <optional>

namespace ovisu {

class SettingsStore;

// The local translation services of one run: where models and runtimes live (decided once, at
// start), the one download slot, the llama-servers of the GGUF sources and the installer that
// fetches what they lack. Every server it started stops when it goes.
class LocalServices : public QObject {
    Q_OBJECT
public:
    explicit LocalServices(SettingsStore& settings, QObject* parent = nullptr);
    ~LocalServices() override;

    LocalModelCatalogue& catalogue() { return m_catalogue; }
    LocalModelDownloads& downloads() { return m_downloads; }
    LlamaServerService& llamaServers() { return m_llamaServers; }
    LocalInstaller& installer() { return m_installer; }

    // The service row of a source: what runs it (ours, someone else's, nothing), the step under
    // way, and what the button does. None for a source without a server of ours. Asking starts a
    // look at the source's port, whose answer comes as serviceRowChanged.
    std::optional<LocalServiceRow> serviceRow(Provider provider);
    // The row's button: stop our server, start an installed one, or install and then start.
    void toggleService(Provider provider);

signals:
    void serviceRowChanged(Provider provider);
    // A server of ours answers: requests may go to it.
    void serviceReady(Provider provider);

private:
    void statusChanged(Provider provider, const QString& status);

    LocalModelCatalogue m_catalogue;
    LocalModelDownloads m_downloads;
    LlamaServerService m_llamaServers;
    LocalInstaller m_installer;
    // What the last step said (loading, ready, a failure), shown until the state moves on.
    std::map<Provider, QString> m_lastStatus;
    // Someone else's server answered on the port.
    std::map<Provider, LocalServiceRow> m_outsideServer;
    std::map<Provider, bool> m_probing;
};

}  // namespace ovisu
