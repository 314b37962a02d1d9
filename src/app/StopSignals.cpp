#include "app/StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

namespace ovisu {
namespace {

int g_stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stopReceived = 0;

void requestStop(int) {
    g_stopReceived = 1;
    const char byte = 1;
    (void)!write(g_stopPipe[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals() {
    g_stopReceived = 0;
    if (pipe(g_stopPipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
}

bool StopSignals::received() const { return g_stopReceived != 0; }

StopSignals::~StopSignals() {
    if (!m_notifier) return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_notifier.reset();
    close(g_stopPipe[0]);
    close(g_stopPipe[1]);
    g_stopPipe[0] = g_stopPipe[1] = -1;
}

}  // namespace ovisu
