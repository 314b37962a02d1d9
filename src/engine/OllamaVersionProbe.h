#pragma once

#include "engine/LocalServerStartup.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QUrl>

#include <chrono>
#include <memory>

namespace ovisu {

class HttpCall;
class HttpTransport;

// Start-up by asking the server that should already run: ready once "/api/version" answers 2xx,
// otherwise the start-up error. Managing the server process comes with the local services.
// Each server (scheme, host and port) is asked on its own. An answer counts as ready only for
// `answerLifetime`: a server stopped since is then asked again, and its sources wait for it
// instead of failing request by request.
class OllamaVersionProbe final : public LocalServerStartup {
public:
    static constexpr std::chrono::milliseconds defaultAnswerLifetime = std::chrono::seconds(30);

    explicit OllamaVersionProbe(HttpTransport& transport,
                                std::chrono::milliseconds answerLifetime = defaultAnswerLifetime);
    ~OllamaVersionProbe() override;

    bool isReady(const QUrl& server) const override;
    void whenReady(const QUrl& server, Callback callback) override;

    static QString notRunningMessage();

private:
    struct ServerState {
        std::optional<QElapsedTimer> answeredAt;
        QList<Callback> callbacks;
        std::shared_ptr<HttpCall> call;  // the probe in flight
    };

    static QString originOf(const QUrl& server);
    void finish(const QString& origin, bool answered);

    HttpTransport& m_transport;
    std::chrono::milliseconds m_answerLifetime;
    QHash<QString, ServerState> m_servers;  // by origin
};

}  // namespace ovisu
