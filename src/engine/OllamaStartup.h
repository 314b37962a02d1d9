#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace ovisu {

// The Ollama server must answer before an Ollama source can translate. The pipeline asks here
// and waits for the callback instead of sending into a server that is still starting.
class OllamaStartup {
public:
    using Callback = std::function<void(std::optional<QString> error)>;  // none: ready
    virtual ~OllamaStartup() = default;
    virtual bool isReady() const = 0;
    // Queues the callback; starts the start-up (probe) unless one is already running. Callbacks
    // run on the main thread, in the order they were added.
    virtual void whenReady(Callback callback) = 0;
};

}  // namespace ovisu
