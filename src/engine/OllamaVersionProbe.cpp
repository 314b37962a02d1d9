#include "engine/OllamaVersionProbe.h"

#include "engine/HttpTransport.h"

namespace ovisu {

OllamaVersionProbe::OllamaVersionProbe(HttpTransport& transport, std::chrono::milliseconds answerLifetime)
    : m_transport(transport), m_answerLifetime(answerLifetime) {}

OllamaVersionProbe::~OllamaVersionProbe() {
    for (const ServerState& state : std::as_const(m_servers))
        if (state.call) state.call->cancel();
}

QString OllamaVersionProbe::notRunningMessage() {
    return QStringLiteral("未检测到正在运行的 Ollama 服务。请先运行 ollama serve，或在“本地模型管理”中安装 Ollama 后重试。");
}

QString OllamaVersionProbe::originOf(const QUrl& server) {
    return server.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString()
        .toLower();
}

bool OllamaVersionProbe::isReady(const QUrl& server) const {
    const auto state = m_servers.constFind(originOf(server));
    if (state == m_servers.constEnd() || !state->answeredAt) return false;
    return !state->answeredAt->hasExpired(m_answerLifetime.count());
}

void OllamaVersionProbe::whenReady(const QUrl& server, Callback callback) {
    const QString origin = originOf(server);
    ServerState& state = m_servers[origin];
    state.callbacks.append(std::move(callback));
    if (state.call) return;

    QUrl url = server.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    url.setPath(QStringLiteral("/api/version"));
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    request.timeoutSeconds = 5;
    state.call = m_transport.send(request, [this, origin](HttpResponse response) {
        finish(origin, !response.error && response.statusCode && *response.statusCode / 100 == 2);
    });
}

void OllamaVersionProbe::finish(const QString& origin, bool answered) {
    ServerState& state = m_servers[origin];
    state.call.reset();
    if (answered) {
        state.answeredAt.emplace();
        state.answeredAt->start();
    } else {
        state.answeredAt.reset();
    }
    // A callback may ask again (and so touch m_servers): it runs on copies.
    const QList<Callback> callbacks = std::exchange(state.callbacks, {});
    const std::optional<QString> error = answered ? std::nullopt : std::optional(notRunningMessage());
    for (const Callback& callback : callbacks) callback(error);
}

}  // namespace ovisu
