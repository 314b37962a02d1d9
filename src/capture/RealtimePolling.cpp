#include "capture/RealtimePolling.h"

#include "base/SettingsKeys.h"

#include <algorithm>
#include <cmath>

namespace ovisu {

void AdaptivePollingController::recordFrame(bool changed) {
    targetUnavailable = false;
    unchangedFrames = changed ? 0 : std::min(unchangedFrames + 1, unchangedFramesCap);
}

double RealtimePolling::baseInterval(double ocrPollingInterval) {
    if (!std::isfinite(ocrPollingInterval) || ocrPollingInterval <= 0)
        return SettingsDefaults::ocrPollingInterval;
    return ocrPollingInterval;
}

double RealtimePolling::highPerformanceInterval(double ocrPollingInterval, const AdaptivePollingController& state) {
    if (state.targetUnavailable)
        return unavailableInterval;
    const double base = baseInterval(ocrPollingInterval);
    const int unchanged = state.unchangedFrames;
    if (unchanged > 24)
        return std::max(base, 2.0);
    if (unchanged < 8)
        return std::min(base, 0.3);
    return std::max(base, 0.8);
}

double RealtimePolling::interval(bool highPerformancePollingEnabled, double ocrPollingInterval,
                                 const AdaptivePollingController& state) {
    return highPerformancePollingEnabled ? highPerformanceInterval(ocrPollingInterval, state)
                                         : baseInterval(ocrPollingInterval);
}

int RealtimePolling::milliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 1;
    // A day is far beyond any sensible interval and keeps the conversion inside int.
    return std::max(1, static_cast<int>(std::lround(std::min(seconds, 86'400.0) * 1000.0)));
}

}  // namespace ovisu
