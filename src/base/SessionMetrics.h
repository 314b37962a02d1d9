#pragma once

#include <QMap>
#include <QString>

#include <array>
#include <atomic>

namespace ovisu {

// Ten process-wide counters, never reset while the process runs; the diagnostic package reports
// them. Atomic, so any thread may count.
class SessionMetrics {
public:
    enum class Counter {
        captures,
        unchangedFrames,
        ocrRuns,
        ocrFailures,
        translationRequests,
        translationFailures,
        cacheHits,
        cancelledRequests,
        retries,
        fallbackSwitches,
    };
    static constexpr int counterCount = 10;

    static SessionMetrics& shared();

    void increment(Counter counter) { m_values[static_cast<size_t>(counter)].fetch_add(1, std::memory_order_relaxed); }
    int value(Counter counter) const { return m_values[static_cast<size_t>(counter)].load(std::memory_order_relaxed); }
    static QString name(Counter counter);  // "captures", "unchangedFrames", ... as the package names them
    QMap<QString, int> dictionary() const;

private:
    std::array<std::atomic<int>, counterCount> m_values{};
};

}  // namespace ovisu
