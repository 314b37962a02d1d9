#pragma once

#include "capture/RealtimeFrameHandler.h"
#include "capture/RealtimeLoopClient.h"
#include "capture/RealtimePolling.h"
#include "capture/RealtimeTranslationState.h"
#include "capture/TargetWindow.h"
#include "capture/TextRecognizer.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class SettingsStore;
class WindowCapture;
struct CaptureFailure;

// The realtime loop every translation mode runs on: a timer asks for a capture of the target
// window, and the mode's frame handler says what the worker makes of the frame and what the main
// thread does with the result. Capture and recognition run on one worker thread, never on the
// main thread. The loop owns the target, the timing and the revision: starting, stopping and a
// target change fence everything in flight, so a late result is dropped and a recognition whose
// revision has moved on is cancelled half way.
//
// A cycle runs from a capture until the last worker task it started has come back; the next
// capture waits for it, so frames are never read twice at once.
class RealtimeLoop : public QObject {
public:
    using RecognizerFactory = std::function<std::unique_ptr<TextRecognizer>()>;
    using MainThreadStep = RealtimeFrameHandler::MainThreadStep;
    // Runs on the worker with the worker's recogniser, which gives up once the revision moves on.
    using RecognitionTask = std::function<MainThreadStep(TextRecognizer& recognizer)>;

    RealtimeLoop(SettingsStore& settings, WindowCapture& capture, RealtimeLoopClient& client,
                 RealtimeFrameHandler& handler, RecognizerFactory recognizerFactory, QObject* parent = nullptr);
    ~RealtimeLoop() override;

    // True when it is another window (or none): whatever was in flight for the one before is fenced.
    bool setTarget(std::optional<TargetWindow> target);
    const std::optional<TargetWindow>& target() const { return m_target; }
    // Re-reads where the target window is now (window following).
    void refreshLockedTargetGeometry();

    // A polling interval for this loop only (a command's --interval); nothing: the setting.
    void setPollingIntervalOverride(std::optional<double> seconds) { m_pollingIntervalOverride = seconds; }
    // Fences what is in flight, shows the capturing state, and captures now and at every tick.
    void start();
    // Stops the ticks and fences what is in flight; the state is the mode's to show.
    void stop();
    bool isRunning() const { return m_pollingTimer.isActive() || m_running; }
    // The polling settings changed: a running loop takes the new interval or mode at once.
    void pollingSettingsChanged();
    // One capture of the target, unless a cycle is under way.
    void captureFrame();
    // Whether the frame changed visually, for the adaptive polling.
    void recordFrame(bool changed);

    // Drops every result in flight and frees the cycle.
    void fence();
    bool isCycleBusy() const { return m_cycleBusy; }
    // Moves on with every start, stop, target change and fence: work stamped with an older one is stale.
    int revision() const { return m_revision.load(); }
    // Recognises on the worker, as part of the current cycle.
    void recognize(RecognitionTask task);

    void showState(const RealtimeTranslationState& state);
    const RealtimeTranslationState& state() const { return m_state; }
    QString lastErrorMessage() const { return m_lastErrorMessage; }
    // The window list could not be read: without a display the availability state with its
    // guidance, otherwise "读取窗口失败：" and the reason.
    void showWindowListingFailure(const CaptureFailure& failure);

    void restartSessionClock() { m_sessionStartedAt = QDateTime::currentDateTime(); }
    void startSessionClockIfNeeded();
    std::optional<QDateTime> sessionStartedAt() const { return m_sessionStartedAt; }
    int captureCycleCount() const { return m_captureCycleCount; }

private:
    void schedulePollingTimer();
    void onPollingTick();
    bool highPerformancePolling() const;
    bool isCurrent(int revision) const { return revision == m_revision.load(); }
    // Hands a worker's result to the main thread, where it is dropped if its revision moved on.
    void postToMainThread(int revision, std::function<void()> delivery);
    // One task of the cycle came back: the cycle ends with its last one.
    void taskReturned();
    void handleFrame(quint32 windowID, const std::optional<CaptureFailure>& failure, const MainThreadStep& step);

    SettingsStore& m_settings;
    WindowCapture& m_capture;
    RealtimeLoopClient& m_client;
    RealtimeFrameHandler& m_handler;
    RecognizerFactory m_recognizerFactory;
    // Made and used on the worker only: engines are costly to start, so one serves every pass.
    std::unique_ptr<TextRecognizer> m_recognizer;

    std::optional<TargetWindow> m_target;
    RealtimeTranslationState m_state;
    AdaptivePollingController m_adaptivePolling;
    QTimer m_pollingTimer;
    bool m_running = false;
    bool m_cycleBusy = false;
    int m_tasksInFlight = 0;
    // Read by the worker too: a recognition asks it to know when to give up.
    std::atomic<int> m_revision = 0;
    int m_captureCycleCount = 0;
    std::optional<QDateTime> m_sessionStartedAt;
    QString m_lastErrorMessage;
    std::optional<double> m_pollingIntervalOverride;
    // Last: it is torn down first, waiting for the worker's tasks, which use the members above.
    QThreadPool m_workerPool;
};

}  // namespace ovisu
