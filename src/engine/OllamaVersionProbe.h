#pragma once

#include "engine/OllamaStartup.h"

#include <QList>
#include <QUrl>

#include <functional>
#include <memory>

namespace ovisu {

class HttpCall;
class HttpTransport;

// Start-up by asking the server that should already run: ready once "/api/version" answers 2xx,
// otherwise the start-up error. Managing the server process comes with the local services.
class OllamaVersionProbe final : public OllamaStartup {
public:
    // `serverURL` gives scheme, host and port of the Ollama server, asked at probe time so a
    // changed endpoint is followed.
    OllamaVersionProbe(HttpTransport& transport, std::function<QUrl()> serverURL);
    ~OllamaVersionProbe() override;

    bool isReady() const override { return m_ready; }
    void whenReady(Callback callback) override;

    static QString notRunningMessage();

private:
    void finish(std::optional<QString> error);

    HttpTransport& m_transport;
    std::function<QUrl()> m_serverURL;
    bool m_ready = false;
    bool m_inProgress = false;
    QList<Callback> m_callbacks;
    std::shared_ptr<HttpCall> m_call;
};

}  // namespace ovisu
