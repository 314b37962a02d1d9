#include "engine/OllamaVersionProbe.h"

#include "engine/HttpTransport.h"

namespace ovisu {

OllamaVersionProbe::OllamaVersionProbe(HttpTransport& transport, std::function<QUrl()> serverURL)
    : m_transport(transport), m_serverURL(std::move(serverURL)) {}

OllamaVersionProbe::~OllamaVersionProbe() {
    if (m_call) m_call->cancel();
}

QString OllamaVersionProbe::notRunningMessage() {
    return QStringLiteral("未检测到正在运行的 Ollama 服务。请先运行 ollama serve，或在“本地模型管理”中安装 Ollama 后重试。");
}

void OllamaVersionProbe::whenReady(Callback callback) {
    m_callbacks.append(std::move(callback));
    if (m_inProgress) return;
    m_inProgress = true;

    QUrl url = m_serverURL();
    url.setPath(QStringLiteral("/api/version"));
    url.setQuery(QString());
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    request.timeoutSeconds = 5;
    m_call = m_transport.send(request, [this](HttpResponse response) {
        m_call.reset();
        const bool answered = !response.error && response.statusCode && *response.statusCode / 100 == 2;
        if (answered) m_ready = true;
        finish(answered ? std::nullopt : std::optional(notRunningMessage()));
    });
}

void OllamaVersionProbe::finish(std::optional<QString> error) {
    m_inProgress = false;
    const QList<Callback> callbacks = std::exchange(m_callbacks, {});
    for (const Callback& callback : callbacks) callback(error);
}

}  // namespace ovisu
