#pragma once

#include "dialogue/ChangeVerification.h"
#include "dialogue/FrameFingerprint.h"
#include "capture/OCRQualityGate.h"
#include "capture/RealtimeFrameHandler.h"
#include "capture/RealtimeLoop.h"
#include "capture/RecognitionSettingsActions.h"
#include "capture/RealtimeLoopClient.h"
#include "capture/RealtimeTranslationState.h"
#include "dialogue/SubtitleChangeDetector.h"
#include "capture/TargetWindow.h"
#include "capture/TextRecognizer.h"
#include "capture/TranslationMode.h"
#include "dialogue/TranslationPipelineClient.h"

#include <QDateTime>
#include <QObject>
#include <QRectF>

#include <memory>
#include <optional>

namespace ovisu {

class SettingsStore;
class TranslationPipeline;
class WindowCapture;
struct CaptureFailure;

// What the realtime session shows or asks of the desktop program (or of a command line that
// stands in for it): the loop's hooks and the dialogue's. Every hook runs on the main thread.
class RealtimeSessionClient : public RealtimeLoopClient {
public:
    // A session starts (fresh: a new one, not a resume): place and show the overlay.
    virtual void sessionStarting(bool fresh) { (void)fresh; }
    // A one-shot recognition starts: show the overlay where it was.
    virtual void manualRecognitionStarting() {}
    // A translation ended (shown, stored and spoken by the client) or failed.
    virtual void translationEnded(const TranslationOutcome& outcome) { (void)outcome; }
    virtual void panelLinesChanged() {}
};

// The realtime dialogue session, the dialogue mode on the realtime loop: for each frame the loop
// captures, a fingerprint of the subtitle crop tells whether anything changed, the crop is
// recognised, and a reading that comes back the same is handed to the translation pipeline.
// Crop and recognition run on the loop's worker; start, pause, resume, a target change and the
// one-shot manual recognition fence everything in flight through the loop's revision.
class RealtimeSession : public QObject,
                        public TranslationPipelineClient,
                        public RecognitionSettingsActions,
                        private RealtimeFrameHandler {
    Q_OBJECT
public:
    using RecognizerFactory = RealtimeLoop::RecognizerFactory;

    RealtimeSession(SettingsStore& settings, WindowCapture& capture, TranslationPipeline& pipeline,
                    RealtimeSessionClient& client, RecognizerFactory recognizerFactory = makeTextRecognizer,
                    QObject* parent = nullptr);
    ~RealtimeSession() override;

    // A polling interval for this session only (a command's --interval); nothing: the setting.
    void setPollingIntervalOverride(std::optional<double> seconds) { m_loop.setPollingIntervalOverride(seconds); }
    // A different window (or none) fences whatever is in flight for the one before.
    void setTarget(std::optional<TargetWindow> target);
    void setRegion(std::optional<QRectF> normalizedRegion);
    const std::optional<TargetWindow>& selectedTarget() const { return m_loop.target(); }
    const std::optional<QRectF>& normalizedRegion() const { return m_normalizedRegion; }

    void startTranslation();
    void stopTranslation();
    void toggleTranslation();
    void performManualOCR();
    void captureFrame() { m_loop.captureFrame(); }
    // The dialogue/interface switch: stores the mode, drops everything in flight and resumes a
    // running session in the new mode.
    void translationModeChanged(TranslationMode mode);
    TranslationMode translationMode() const { return m_translationMode; }
    // The mode for this session only, not stored: a command that reads dialogue whatever mode the
    // desktop program was left in.
    void useModeTransiently(TranslationMode mode) { m_translationMode = mode; }
    // States and the run clock of the clipboard mode, which shares the status line and the
    // statistics with the loop.
    void showState(const RealtimeTranslationState& state) { m_loop.showState(state); }
    void startSessionClockIfNeeded() { m_loop.startSessionClockIfNeeded(); }
    // The recognition settings changed (already stored): a running session takes them at once.
    void pollingIntervalChanged(double) override { m_loop.pollingSettingsChanged(); }
    void highPerformancePollingChanged(bool enabled) override;
    // The change test reads it again at every capture.
    void frameChangeThresholdChanged(double) override {}
    void stableHitsChanged(int hits) override { m_detector.requiredStableHits = hits; }
    // Re-reads where the target window is now (window following).
    void refreshLockedTargetGeometry() { m_loop.refreshLockedTargetGeometry(); }
    // The window list could not be read: without a display the availability state with its
    // guidance, otherwise "读取窗口失败：" and the reason.
    void showWindowListingFailure(const CaptureFailure& failure) { m_loop.showWindowListingFailure(failure); }

    bool isRunning() const { return m_loop.isRunning(); }
    const RealtimeTranslationState& state() const { return m_loop.state(); }
    const SubtitleChangeDetector& detector() const { return m_detector; }
    std::optional<QDateTime> sessionStartedAt() const { return m_loop.sessionStartedAt(); }
    int captureCycleCount() const { return m_loop.captureCycleCount(); }
    QString lastErrorMessage() const { return m_loop.lastErrorMessage(); }

    // The pipeline's view of the loop.
    void translationActivityChanged(TranslationActivity activity, const QString& message) override;
    void panelLinesChanged() override;
    void translationEnded(const TranslationOutcome& outcome) override;
    std::optional<QString> currentCandidateSignature() const override;
    void signatureTranslated(const QString& signature) override;
    void translationContextReset() override;

private:
    // What the worker made of one frame: the crop to read (none when the region is unusable on
    // it), its fingerprint and where the region lies inside it.
    struct CapturedCrop {
        std::optional<QImage> crop;
        QByteArray fingerprint;
        std::optional<QRectF> selectedArea;
    };
    static CapturedCrop cropOf(const QImage& frame, const std::optional<QRectF>& normalizedRegion);
    // The loop's view of the dialogue.
    FrameTask frameTask() override;
    void captureFailed(const CaptureFailure& failure) override;

    void handleCapturedCrop(const CapturedCrop& captured);
    void handleRecognizedText(const QString& text, double averageConfidence, const std::optional<QString>& error);
    void handleSubtitleChange(const SubtitleChangeResult& result);
    void confirmManualReading(const QString& cleaned);
    void scheduleManualVerificationCapture();
    void clearManualState();
    // Forgets what earlier frames looked like and read, so the next frame is recognised afresh.
    void forgetEarlierFrames();
    void recognize(const QImage& crop, const std::optional<QRectF>& selectedArea);
    bool translationInFlight() const;
    bool refuseInterfaceMode();
    void fenceTranslations();

    SettingsStore& m_settings;
    TranslationPipeline& m_pipeline;
    RealtimeSessionClient& m_client;

    std::optional<QRectF> m_normalizedRegion;
    TranslationMode m_translationMode = TranslationMode::dialogue;
    SubtitleChangeDetector m_detector;
    ChangeVerification m_changeVerification;
    OCRQualityGate m_qualityGate;

    std::optional<QByteArray> m_previousFingerprint;
    // The last picture the running loop recognised and what it read. The same pixels read the
    // same, so a line that stopped changing is confirmed by its next identical capture without a
    // second recognition: on a loaded machine that pass can outlast the reader's pause.
    struct RecognizedPicture {
        QImage crop;
        std::optional<QRectF> selectedArea;
        QString text;
        double confidence = 0;
    };
    std::optional<RecognizedPicture> m_lastRecognized;
    bool m_forceVerification = false;
    bool m_manualCaptureInProgress = false;
    QString m_manualVerificationCandidate;
    int m_manualVerificationAttempts = 0;
    // Last: it is torn down first, so no result of its worker reaches a half-destroyed session.
    RealtimeLoop m_loop;
};

}  // namespace ovisu
