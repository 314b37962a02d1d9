#pragma once

#include <QtGlobal>

namespace ovisu {

// What the adaptive polling knows about recent captures.
struct AdaptivePollingController {
    static constexpr int unchangedFramesCap = 10000;

    int unchangedFrames = 0;         // consecutive captures without a visual change
    bool targetUnavailable = false;  // the last capture failed

    void reset() { *this = {}; }
    // A capture that produced a frame.
    void recordFrame(bool changed);
    // A capture that produced nothing.
    void recordCaptureFailure() { targetUnavailable = true; }

    friend bool operator==(const AdaptivePollingController&, const AdaptivePollingController&) = default;
};

// How often the realtime loop captures. Normal polling repeats at the configured interval;
// high-performance polling chooses each interval afresh from recent activity: quick while the
// subtitle keeps changing, slow while it stands still, slowest while the window cannot be read.
class RealtimePolling {
public:
    static constexpr double unavailableInterval = 3.0;  // seconds

    // The configured interval ("ocrPollingInterval"). A value that is not a positive number
    // would make the timer spin on the main thread; it reads as the default.
    static double baseInterval(double ocrPollingInterval);

    // Whether the timer repeats by itself (normal polling) or is rescheduled after each tick.
    static bool repeats(bool highPerformancePollingEnabled) { return !highPerformancePollingEnabled; }

    // The high-performance interval in seconds.
    static double highPerformanceInterval(double ocrPollingInterval, const AdaptivePollingController& state);

    // The next timer's interval in seconds for either mode.
    static double interval(bool highPerformancePollingEnabled, double ocrPollingInterval,
                           const AdaptivePollingController& state);

    // Seconds to whole timer milliseconds (at least 1).
    static int milliseconds(double seconds);
};

}  // namespace ovisu
