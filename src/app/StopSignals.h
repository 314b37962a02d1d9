#pragma once

#include <memory>

class QSocketNotifier;

namespace ovisu {

// Lets SIGINT and SIGTERM end the event loop of a command that runs until it is stopped. A signal
// handler may only do async-signal-safe work, so it writes a byte to a pipe whose reading end the
// event loop watches. One at a time per process; when it ends the default handlers are back and
// the pipe is closed.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the pipe could not be made: nothing was installed, and the signals act as before.
    bool isInstalled() const { return m_notifier != nullptr; }
    // Whether SIGINT or SIGTERM has arrived since this was made. Set inside the handler, so it is
    // true as soon as the signal is delivered, before the event loop has seen it.
    bool received() const;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace ovisu
