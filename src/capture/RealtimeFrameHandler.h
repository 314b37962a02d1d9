#pragma once

#include <QImage>

#include <functional>

namespace ovisu {

struct CaptureFailure;

// What a translation mode does with the frames the realtime loop captures of the target window:
// the dialogue mode crops and reads its subtitle box, the interface mode reads the whole window.
// The loop calls it on the main thread; only the tasks it hands out run on the worker.
class RealtimeFrameHandler {
public:
    // Runs on the main thread with what a worker task made. It never runs once the loop's revision
    // has moved on since the task was started: a late result is dropped, not delivered.
    using MainThreadStep = std::function<void()>;
    // Runs on the worker with one captured frame (crop, fingerprint...), and says what to do with
    // the result back on the main thread.
    using FrameTask = std::function<MainThreadStep(const QImage& frame)>;

    virtual ~RealtimeFrameHandler() = default;

    // A capture is under way: what the worker is to make of its frame. The task copies whatever
    // it needs from the mode (a region, say), which may change while the worker runs.
    virtual FrameTask frameTask() = 0;
    // The capture failed. The loop has shown the failure and freed the cycle; the mode drops its
    // half-done work (a one-shot recognition waiting for its second reading, say).
    virtual void captureFailed(const CaptureFailure& failure) { (void)failure; }
};

}  // namespace ovisu
