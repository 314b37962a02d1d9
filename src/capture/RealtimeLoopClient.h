#pragma once

#include "capture/RealtimeTranslationState.h"
#include "capture/TargetWindow.h"
#include "capture/WindowCapture.h"

#include <QString>

namespace ovisu {

// What the realtime loop shows or asks of the desktop program (or of a command line that stands
// in for it), whichever mode runs on it. Every hook runs on the main thread.
class RealtimeLoopClient {
public:
    virtual ~RealtimeLoopClient() = default;
    virtual void realtimeStateChanged(const RealtimeTranslationState& state) { (void)state; }
    // Messages for the status label that are not a state ("请先选择目标窗口", ...).
    virtual void statusLabelChanged(const QString& text) { (void)text; }
    virtual void sessionStatisticsChanged() {}
    // The display server answered but gave no image of the target (the state says so as well):
    // the desktop program explains once what the user can do about it.
    virtual void windowCaptureFailed(const CaptureFailure& failure) { (void)failure; }
    // Window following found the target at a new place or size.
    virtual void targetGeometryChanged(const TargetWindow& target) { (void)target; }
};

}  // namespace ovisu
