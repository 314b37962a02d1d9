#pragma once

#include "support/fake/Httplib.h"

#include <chrono>
#include <csignal>
#include <mutex>
#include <thread>

namespace ovisu::fake {

// A client that gives up closes its socket; a late write to it must fail, not raise SIGPIPE and
// take the whole test process down. Left alone when someone already installed a handler.
inline void ignoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) std::signal(SIGPIPE, SIG_IGN);
    });
}

// Runs a bound cpp-httplib server's accept loop on a thread of its own. stop() does nothing
// before that loop has started, so a destructor could wait forever on a listener that starts
// late: this waits, briefly, until it runs.
inline std::thread serveInBackground(httplib::Server& server) {
    std::thread listener([&server] { server.listen_after_bind(); });
    for (int i = 0; i < 5000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return listener;
}

inline void stopServing(httplib::Server& server, std::thread& listener) {
    if (!listener.joinable()) return;
    server.stop();
    listener.join();
}

}  // namespace ovisu::fake
