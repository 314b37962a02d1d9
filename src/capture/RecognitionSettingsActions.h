#pragma once

namespace ovisu {

// What the settings window's recognition page asks of the realtime loop once it has stored a value.
class RecognitionSettingsActions {
public:
    virtual ~RecognitionSettingsActions() = default;

    // "ocrPollingInterval", seconds: a running session picks the new interval up at once.
    virtual void pollingIntervalChanged(double seconds) = 0;
    // "highPerformancePollingEnabled": reset the adaptive polling, reschedule a running session,
    // and say "高性能自适应轮询已开启" (on) or "已恢复 1.1.4 原有固定频率 OCR" (off).
    virtual void highPerformancePollingChanged(bool enabled) = 0;
    // "ocrFrameChangeThreshold" (read again at every capture).
    virtual void frameChangeThresholdChanged(double threshold) = 0;
    // "ocrStableHits".
    virtual void stableHitsChanged(int hits) = 0;
};

}  // namespace ovisu
