#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace ovisu {

// A local source's server (Ollama's, or a GGUF model's llama-server) must answer before the
// source can translate. The pipeline, interface mode and the connection test ask here about the
// server of the source they are about to use (two sources may well talk to two servers) and wait
// for the callback instead of sending into a server that is still starting, or not started yet.
class LocalServerStartup {
public:
    using Callback = std::function<void(std::optional<QString> error)>;  // none: ready
    virtual ~LocalServerStartup() = default;
    // `server` gives scheme, host and port; path and query do not matter.
    virtual bool isReady(const QUrl& server) const = 0;
    // Queues the callback; starts the start-up of that server (a probe, and a launch where the
    // program runs that server) unless one is already under way. Callbacks run on the main thread, in the order they were added.
    virtual void whenReady(const QUrl& server, Callback callback) = 0;
};

}  // namespace ovisu
