#pragma once

#include "dialogue/ChangeVerification.h"
#include "dialogue/FrameFingerprint.h"
#include "capture/OCRQualityGate.h"
#include "capture/RealtimePolling.h"
#include "capture/RealtimeTranslationState.h"
#include "dialogue/SubtitleChangeDetector.h"
#include "capture/TargetWindow.h"
#include "capture/TextRecognizer.h"
#include "capture/TranslationMode.h"
#include "dialogue/TranslationPipelineClient.h"

#include <QDateTime>
#include <QObject>
#include <QRectF>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <expected>
#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class SettingsStore;
class TranslationPipeline;
class WindowCapture;
struct CaptureFailure;

// What the realtime session shows or asks of the desktop program (or of a command line that
// stands in for it). Every hook runs on the main thread.
class RealtimeSessionClient {
public:
    virtual ~RealtimeSessionClient() = default;
    virtual void realtimeStateChanged(const RealtimeTranslationState& state) { (void)state; }
    // Messages for the status label that are not a state ("请先选择目标窗口", ...).
    virtual void statusLabelChanged(const QString& text) { (void)text; }
    // A session starts (fresh: a new one, not a resume): place and show the overlay.
    virtual void sessionStarting(bool fresh) { (void)fresh; }
    // A one-shot recognition starts: show the overlay where it was.
    virtual void manualRecognitionStarting() {}
    virtual void sessionStatisticsChanged() {}
    // A translation ended (shown, stored and spoken by the client) or failed.
    virtual void translationEnded(const TranslationOutcome& outcome) { (void)outcome; }
    virtual void panelLinesChanged() {}
    // Window following found the target at a new place or size.
    virtual void targetGeometryChanged(const TargetWindow& target) { (void)target; }
};

// The realtime dialogue session: a timer asks for a capture of the target window, a fingerprint
// of the subtitle crop tells whether anything changed, the crop is recognised, and a reading that
// comes back the same is handed to the translation pipeline. Capture, crop and recognition run on
// one worker thread, never on the main thread. Start, pause, resume, a target change and the
// one-shot manual recognition fence everything in flight with revisions; a recognition whose
// revision has moved on is cancelled half way.
class RealtimeSession : public QObject, public TranslationPipelineClient {
    Q_OBJECT
public:
    using RecognizerFactory = std::function<std::unique_ptr<TextRecognizer>()>;

    RealtimeSession(SettingsStore& settings, WindowCapture& capture, TranslationPipeline& pipeline,
                    RealtimeSessionClient& client, RecognizerFactory recognizerFactory = makeTextRecognizer,
                    QObject* parent = nullptr);
    ~RealtimeSession() override;

    // A polling interval for this session only (a command's --interval); nothing: the setting.
    void setPollingIntervalOverride(std::optional<double> seconds) { m_pollingIntervalOverride = seconds; }
    // A different window (or none) fences whatever is in flight for the one before.
    void setTarget(std::optional<TargetWindow> target);
    void setRegion(std::optional<QRectF> normalizedRegion);
    const std::optional<TargetWindow>& selectedTarget() const { return m_selectedTarget; }
    const std::optional<QRectF>& normalizedRegion() const { return m_normalizedRegion; }

    void startTranslation();
    void stopTranslation();
    void toggleTranslation();
    void performManualOCR();
    void captureFrame();
    // The dialogue/interface switch: stores the mode, drops everything in flight and resumes a
    // running session in the new mode.
    void translationModeChanged(TranslationMode mode);
    TranslationMode translationMode() const { return m_translationMode; }
    // States and the run clock of the clipboard mode, which shares the status line and the
    // statistics with the loop.
    void showState(const RealtimeTranslationState& state) { updateState(state); }
    void startSessionClockIfNeeded();
    // The polling settings changed: a running session takes the new interval or mode at once.
    void pollingSettingsChanged();
    void stableHitsChanged(int hits) { m_detector.requiredStableHits = hits; }
    // Re-reads where the target window is now (window following).
    void refreshLockedTargetGeometry();
    // The window list could not be read: without a display the availability state with its
    // guidance, otherwise "读取窗口失败：" and the reason.
    void showWindowListingFailure(const CaptureFailure& failure);

    bool isRunning() const { return m_pollingTimer.isActive() || m_sessionRunning; }
    const RealtimeTranslationState& state() const { return m_state; }
    const SubtitleChangeDetector& detector() const { return m_detector; }
    std::optional<QDateTime> sessionStartedAt() const { return m_sessionStartedAt; }
    int captureCycleCount() const { return m_captureCycleCount; }
    QString lastErrorMessage() const { return m_lastErrorMessage; }

    // The pipeline's view of the loop.
    void translationActivityChanged(TranslationActivity activity, const QString& message) override;
    void panelLinesChanged() override;
    void translationEnded(const TranslationOutcome& outcome) override;
    std::optional<QString> currentCandidateSignature() const override;
    void signatureTranslated(const QString& signature) override;
    void translationContextReset() override;

private:
    // What the worker made of one capture: the crop to read (none when the region is unusable
    // on it), its fingerprint and where the region lies inside it.
    struct CapturedCrop {
        std::optional<QImage> crop;
        QByteArray fingerprint;
        std::optional<QRectF> selectedArea;
    };
    using CaptureOutcome = std::expected<CapturedCrop, CaptureFailure>;
    static CaptureOutcome captureAndCrop(WindowCapture& capture, quint32 windowID,
                                         const std::optional<QRectF>& normalizedRegion);
    void handleCapturedCrop(int revision, quint32 windowID, const CaptureOutcome& outcome);
    void handleRecognizedText(const QString& text, double averageConfidence, const std::optional<QString>& error);
    void handleSubtitleChange(const SubtitleChangeResult& result);
    void confirmManualReading(const QString& cleaned);
    void scheduleManualVerificationCapture();
    void schedulePollingTimer();
    void onPollingTick();
    void updateState(const RealtimeTranslationState& state);
    void clearManualState();
    void recognize(const QImage& crop, const std::optional<QRectF>& selectedArea, int revision);
    bool translationInFlight() const;
    bool refuseUnavailableMode();
    void fenceTranslations();

    SettingsStore& m_settings;
    WindowCapture& m_capture;
    TranslationPipeline& m_pipeline;
    RealtimeSessionClient& m_client;
    RecognizerFactory m_recognizerFactory;
    QThreadPool m_workerPool;  // one thread: captures in turn, and one recogniser, reused

    std::optional<TargetWindow> m_selectedTarget;
    std::optional<QRectF> m_normalizedRegion;
    TranslationMode m_translationMode = TranslationMode::dialogue;
    RealtimeTranslationState m_state;
    SubtitleChangeDetector m_detector;
    ChangeVerification m_changeVerification;
    OCRQualityGate m_qualityGate;
    AdaptivePollingController m_adaptivePolling;

    QTimer m_pollingTimer;
    bool m_sessionRunning = false;
    bool m_captureBusy = false;
    std::optional<QByteArray> m_previousFingerprint;
    bool m_forceVerification = false;
    // Read by the worker too: a recognition asks it to know when to give up.
    std::atomic<int> m_capturePipelineRevision = 0;
    int m_captureCycleCount = 0;
    bool m_manualCaptureInProgress = false;
    QString m_manualVerificationCandidate;
    int m_manualVerificationAttempts = 0;
    std::optional<QDateTime> m_sessionStartedAt;
    QString m_lastErrorMessage;
    std::optional<double> m_pollingIntervalOverride;
};

}  // namespace ovisu
