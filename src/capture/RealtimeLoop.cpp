#include "capture/RealtimeLoop.h"

#include "base/AppLogger.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "capture/WindowListing.h"

#include <QPointer>

namespace ovisu {
namespace {

const QString kCapture = QStringLiteral("capture");
constexpr int kCapturesPerGeometryRefresh = 4;

}  // namespace

RealtimeLoop::RealtimeLoop(SettingsStore& settings, WindowCapture& capture, RealtimeLoopClient& client,
                           RealtimeFrameHandler& handler, RecognizerFactory recognizerFactory, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_capture(capture),
      m_client(client),
      m_handler(handler),
      m_recognizerFactory(std::move(recognizerFactory)) {
    // One worker keeps one recogniser for the whole session and takes the captures in turn.
    m_workerPool.setMaxThreadCount(1);
    m_workerPool.setExpiryTimeout(-1);
    connect(&m_pollingTimer, &QTimer::timeout, this, &RealtimeLoop::onPollingTick);
}

RealtimeLoop::~RealtimeLoop() {
    m_pollingTimer.stop();
    ++m_revision;  // a recognition under way gives up
    m_workerPool.waitForDone();
}

bool RealtimeLoop::setTarget(std::optional<TargetWindow> target) {
    const auto idOf = [](const std::optional<TargetWindow>& t) { return t ? std::optional(t->windowID()) : std::nullopt; };
    const bool changed = idOf(target) != idOf(m_target);
    m_target = std::move(target);
    // A capture or recognition under way serves the window before: its result must not be taken
    // for this one's.
    if (changed) fence();
    return changed;
}

void RealtimeLoop::fence() {
    ++m_revision;
    m_cycleBusy = false;
    m_tasksInFlight = 0;
}

void RealtimeLoop::start() {
    fence();
    m_running = true;
    showState(RealtimeTranslationState::capturing());
    m_adaptivePolling.reset();
    schedulePollingTimer();
    captureFrame();
}

void RealtimeLoop::stop() {
    m_pollingTimer.stop();
    m_running = false;
    fence();
}

void RealtimeLoop::startSessionClockIfNeeded() {
    if (!m_sessionStartedAt) restartSessionClock();
}

void RealtimeLoop::pollingSettingsChanged() {
    m_adaptivePolling.reset();
    if (m_running) schedulePollingTimer();
}

bool RealtimeLoop::highPerformancePolling() const {
    return m_settings.boolValue(SettingsKeys::highPerformancePollingEnabled, false);
}

void RealtimeLoop::schedulePollingTimer() {
    const bool highPerformance = highPerformancePolling();
    const double base = m_pollingIntervalOverride.value_or(m_settings.doubleValue(SettingsKeys::ocrPollingInterval, 0.8));
    m_pollingTimer.setSingleShot(!RealtimePolling::repeats(highPerformance));
    m_pollingTimer.start(RealtimePolling::milliseconds(RealtimePolling::interval(highPerformance, base, m_adaptivePolling)));
}

void RealtimeLoop::onPollingTick() {
    if (!m_running) return;
    m_client.sessionStatisticsChanged();
    captureFrame();
    if (m_running && m_pollingTimer.isSingleShot()) schedulePollingTimer();
}

void RealtimeLoop::recordFrame(bool changed) {
    if (highPerformancePolling()) m_adaptivePolling.recordFrame(changed);
}

void RealtimeLoop::showState(const RealtimeTranslationState& state) {
    m_state = state;
    if (state.isError()) {
        AppLogger::shared().error(QStringLiteral("runtime"), state.message);
        m_lastErrorMessage = state.message;
    }
    m_client.realtimeStateChanged(state);
}

void RealtimeLoop::postToMainThread(int revision, std::function<void()> delivery) {
    const QPointer<RealtimeLoop> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, revision, delivery = std::move(delivery)] {
            // Whoever moved the revision on freed the cycle.
            if (self && self->isCurrent(revision)) delivery();
        },
        Qt::QueuedConnection);
}

void RealtimeLoop::taskReturned() {
    if (--m_tasksInFlight <= 0) {
        m_tasksInFlight = 0;
        m_cycleBusy = false;
    }
}

void RealtimeLoop::captureFrame() {
    if (m_cycleBusy || !m_target) return;
    SessionMetrics::shared().increment(SessionMetrics::Counter::captures);
    // Following runs before this cycle remembers its target: a window found again under a new
    // identifier must not make the cycle drop its own frame and leave the loop marked busy.
    ++m_captureCycleCount;
    if (m_captureCycleCount % kCapturesPerGeometryRefresh == 0 &&
        m_settings.boolValue(SettingsKeys::interfaceWindowFollowEnabled, SettingsDefaults::interfaceWindowFollowEnabled))
        refreshLockedTargetGeometry();
    const int revision = m_revision;
    const quint32 windowID = m_target->windowID();
    m_cycleBusy = true;
    ++m_tasksInFlight;
    RealtimeFrameHandler::FrameTask task = m_handler.frameTask();

    // A whole frame is a long round trip to the display server (and the first one after a
    // redirect waits for the game to repaint): the worker takes it, and only the mode's result
    // of it comes back. The loop outlives the worker's tasks (its destructor waits for them).
    m_workerPool.start([this, windowID, revision, task = std::move(task)] {
        if (!isCurrent(revision)) return;
        auto frame = m_capture.captureWindow(windowID);
        std::optional<CaptureFailure> failure;
        MainThreadStep step;
        if (frame)
            step = task(*frame);
        else
            failure = frame.error();
        postToMainThread(revision, [this, windowID, failure = std::move(failure), step = std::move(step)] {
            handleFrame(windowID, failure, step);
        });
    });
}

void RealtimeLoop::handleFrame(quint32 windowID, const std::optional<CaptureFailure>& failure, const MainThreadStep& step) {
    taskReturned();
    if (!m_target || m_target->windowID() != windowID) return;
    if (failure) {
        m_handler.captureFailed(*failure);
        const QString message = QStringLiteral("采集失败：") +
                                (failure->message.isEmpty() ? QStringLiteral("未知错误") : failure->message);
        AppLogger::shared().error(kCapture, message);
        showState(failure->isDisplayUnavailable() ? RealtimeTranslationState::displayUnavailable()
                                                  : RealtimeTranslationState::error(message));
        if (!failure->isDisplayUnavailable()) m_client.windowCaptureFailed(*failure);
        if (highPerformancePolling()) m_adaptivePolling.recordCaptureFailure();
        return;
    }
    if (step) step();
}

void RealtimeLoop::recognize(RecognitionTask task) {
    const int revision = m_revision;
    m_cycleBusy = true;
    ++m_tasksInFlight;
    m_workerPool.start([this, revision, task = std::move(task)] {
        if (!isCurrent(revision)) return;
        if (!m_recognizer) m_recognizer = m_recognizerFactory();
        // A pass whose revision moves on meanwhile stops half way.
        m_recognizer->setCancelCheck([this, revision] { return !isCurrent(revision); });
        MainThreadStep step = task(*m_recognizer);
        m_recognizer->setCancelCheck(nullptr);
        postToMainThread(revision, [this, step = std::move(step)] {
            taskReturned();
            if (step) step();
        });
    });
}

// The listing is a few round trips to the display server, cheap enough to do inline every few
// captures; a target that is hidden for a moment is kept.
void RealtimeLoop::refreshLockedTargetGeometry() {
    if (!m_target) return;
    const auto windows = m_capture.listWindows();
    if (!windows) {
        AppLogger::shared().warning(kCapture, QStringLiteral("读取窗口失败：") + windows.error().message);
        return;
    }
    const auto found = WindowListing::locateTarget(*windows, m_target->windowID(), m_target->title);
    if (!found) {
        m_client.statusLabelChanged(QStringLiteral("目标游戏窗口暂时不可见，等待恢复…"));
        return;
    }
    const bool moved = found->frame() != m_target->frame();
    m_target = found;
    if (moved) m_client.targetGeometryChanged(*found);
}

void RealtimeLoop::showWindowListingFailure(const CaptureFailure& failure) {
    if (failure.isDisplayUnavailable()) {
        AppLogger::shared().error(kCapture, failure.message);
        showState(RealtimeTranslationState::displayUnavailable());
        return;
    }
    showState(RealtimeTranslationState::error(QStringLiteral("读取窗口失败：") + failure.message));
}

}  // namespace ovisu
