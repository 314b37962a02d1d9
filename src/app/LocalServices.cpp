#include "app/LocalServices.h"

namespace ovisu {

LocalServices::LocalServices(SettingsStore& settings, HttpTransport& transport, QObject* parent)
    : QObject(parent),
      m_catalogue(settings, LocalInstallLayout::resolve()),
      m_downloads(settings),
      m_llamaServers(settings, m_catalogue),
      m_installer(settings, m_catalogue, m_downloads, m_llamaServers),
      m_ollama(transport, m_catalogue, m_downloads, m_llamaServers) {
    connect(&m_llamaServers, &LlamaServerService::statusChanged, this, &LocalServices::statusChanged);
    connect(&m_installer, &LocalInstaller::statusChanged, this, &LocalServices::statusChanged);
    connect(&m_llamaServers, &LlamaServerService::loadTimedOut, this,
            [this](Provider provider, const QString& message) { finishStartup(provider, message); });
    connect(&m_llamaServers, &LlamaServerService::ready, this, [this](Provider provider) {
        m_ready[provider] = true;
        finishStartup(provider, std::nullopt);
    });
}

LocalServices::~LocalServices() { m_llamaServers.stopAll(); }

void LocalServices::statusChanged(Provider provider, const QString& status) {
    m_lastStatus[provider] = status;
    m_outsideServer.erase(provider);
    if (!m_llamaServers.isRunning(provider)) m_ready[provider] = false;
    // A server that ended ends the wait of the translations behind it.
    const bool installing = m_installer.installingProvider() == provider;
    if (!installing && !m_llamaServers.isRunning(provider)) finishStartup(provider, status);
    emit serviceRowChanged(provider);
}

std::optional<Provider> LocalServices::llamaSourceAt(const QUrl& server) const {
    const QString host = server.host();
    if (host != QLatin1String("127.0.0.1") && host != QLatin1String("localhost")) return std::nullopt;
    for (Provider provider : {Provider::sakura, Provider::qwenLocal, Provider::hyMTLocal})
        if (server.port() == m_llamaServers.port(provider)) return provider;
    return std::nullopt;
}

bool LocalServices::isReady(const QUrl& server) const {
    const auto provider = llamaSourceAt(server);
    if (!provider) return m_ollama.isReady(server);
    // Someone else's server stays trusted until a request to it fails; then the error says so.
    if (const auto others = m_servedByOthers.find(*provider); others != m_servedByOthers.end() && others->second)
        return true;
    const auto ready = m_ready.find(*provider);
    return ready != m_ready.end() && ready->second && m_llamaServers.isRunning(*provider);
}

void LocalServices::whenReady(const QUrl& server, Callback callback) {
    const auto provider = llamaSourceAt(server);
    if (!provider) {
        m_ollama.whenReady(server, std::move(callback));
        return;
    }
    QList<Callback>& waiting = m_waiting[*provider];
    waiting.append(std::move(callback));
    if (waiting.size() > 1) return;  // a start-up is already under way
    if (m_llamaServers.isRunning(*provider)) return;  // loading: its readiness ends the wait
    const Provider source = *provider;
    m_llamaServers.probeExternalServer(source, [this, source](LocalServiceRow found) {
        if (m_waiting[source].isEmpty()) return;
        if (found != m_llamaServers.serviceRow(source)) {  // someone else's server answers
            m_servedByOthers[source] = true;
            finishStartup(source, std::nullopt);
            return;
        }
        if (!m_catalogue.localProviderIsInstalled(source)) {
            const QString name = m_catalogue.localModelSpec(source)->name;
            finishStartup(source, QStringLiteral("尚未安装 %1 模型或运行组件，请在“配置翻译源”中点击“安装并启动 %1”。").arg(name));
            return;
        }
        if (const auto started = m_llamaServers.start(source); !started) finishStartup(source, started.error());
    });
}

void LocalServices::finishStartup(Provider provider, const std::optional<QString>& error) {
    const QList<Callback> waiting = std::exchange(m_waiting[provider], {});
    for (const Callback& callback : waiting) callback(error);
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
    m_servedByOthers[provider] = false;
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
