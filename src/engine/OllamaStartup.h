#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace ovisu {

// The Ollama server must answer before an Ollama source can translate. The pipeline and the
// connection test ask here about the server of the source they are about to use (two sources
// may well talk to two servers) and wait for the callback instead of sending into a server that
// is still starting.
class OllamaStartup {
public:
    using Callback = std::function<void(std::optional<QString> error)>;  // none: ready
    virtual ~OllamaStartup() = default;
    // `server` gives scheme, host and port; path and query do not matter.
    virtual bool isReady(const QUrl& server) const = 0;
    // Queues the callback; starts the start-up (probe) of that server unless one is already
    // running. Callbacks run on the main thread, in the order they were added.
    virtual void whenReady(const QUrl& server, Callback callback) = 0;
};

}  // namespace ovisu
