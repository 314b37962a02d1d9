#include "app/LocalServices.h"

namespace ovisu {

LocalServices::LocalServices(SettingsStore& settings, QObject* parent)
    : QObject(parent),
      m_catalogue(settings, LocalInstallLayout::resolve()),
      m_downloads(settings),
      m_llamaServers(settings, m_catalogue),
      m_installer(settings, m_catalogue, m_downloads, m_llamaServers) {
    connect(&m_llamaServers, &LlamaServerService::statusChanged, this, &LocalServices::statusChanged);
    connect(&m_installer, &LocalInstaller::statusChanged, this, &LocalServices::statusChanged);
    connect(&m_llamaServers, &LlamaServerService::ready, this, &LocalServices::serviceReady);
}

LocalServices::~LocalServices() { m_llamaServers.stopAll(); }

void LocalServices::statusChanged(Provider provider, const QString& status) {
    m_lastStatus[provider] = status;
    m_outsideServer.erase(provider);
    emit serviceRowChanged(provider);
}

std::optional<LocalServiceRow> LocalServices::serviceRow(Provider provider) {
    LocalServiceRow row = m_installer.serviceRow(provider);
    if (!row.visible) return std::nullopt;
    const bool ours = m_llamaServers.isRunning(provider) || m_installer.installingProvider() == provider;
    if (ours) {
        if (const auto said = m_lastStatus.find(provider); said != m_lastStatus.end()) row.status = said->second;
        return row;
    }
    if (const auto outside = m_outsideServer.find(provider); outside != m_outsideServer.end()) return outside->second;
    if (!m_probing[provider]) {
        m_probing[provider] = true;
        m_llamaServers.probeExternalServer(provider, [this, provider](LocalServiceRow found) {
            m_probing[provider] = false;
            if (found == m_llamaServers.serviceRow(provider)) return;  // nobody else serves the port
            m_outsideServer[provider] = found;
            emit serviceRowChanged(provider);
        });
    }
    return row;
}

void LocalServices::toggleService(Provider provider) {
    m_outsideServer.erase(provider);
    if (m_llamaServers.isRunning(provider)) {
        m_llamaServers.stop(provider);
    } else if (m_catalogue.localProviderIsInstalled(provider)) {
        (void)m_llamaServers.start(provider);  // a failure is said through statusChanged
    } else {
        m_installer.installAndStartLocalProvider(provider);
    }
    emit serviceRowChanged(provider);
}

}  // namespace ovisu
