#include "dialogue/RealtimeSession.h"

#include "base/AppLogger.h"
#include "base/OCRTextCleaner.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/CaptureRegionGeometry.h"
#include "dialogue/DialogueRecognition.h"
#include "capture/WindowListing.h"
#include "capture/WindowCapture.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"

#include <QPointer>

namespace ovisu {
namespace {

const QString kSession = QStringLiteral("session");
const QString kCapture = QStringLiteral("capture");
const QString kOcr = QStringLiteral("ocr");
constexpr int kManualConfirmationDelayMs = 550;
constexpr int kMaximumManualAttempts = 5;
constexpr int kCapturesPerGeometryRefresh = 4;
const QString kInterfaceModeUnavailable = QStringLiteral("界面模式尚未开放，请先切换到对白模式");

}  // namespace

RealtimeSession::RealtimeSession(SettingsStore& settings, WindowCapture& capture, TranslationPipeline& pipeline,
                                 RealtimeSessionClient& client, RecognizerFactory recognizerFactory, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_capture(capture),
      m_pipeline(pipeline),
      m_client(client),
      m_recognizerFactory(std::move(recognizerFactory)),
      m_translationMode(storedTranslationMode(settings)),
      m_detector(SubtitleChangeDetector::fromSettings(settings)) {
    // One worker keeps one recogniser for the whole session (engines are costly to start) and
    // takes the captures, which are never two at once for one session.
    m_workerPool.setMaxThreadCount(1);
    m_workerPool.setExpiryTimeout(-1);
    connect(&m_pollingTimer, &QTimer::timeout, this, &RealtimeSession::onPollingTick);
}

RealtimeSession::~RealtimeSession() {
    m_pollingTimer.stop();
    ++m_capturePipelineRevision;  // a recognition under way gives up
    m_workerPool.waitForDone();
}

void RealtimeSession::setTarget(std::optional<TargetWindow> target) {
    const auto idOf = [](const std::optional<TargetWindow>& t) { return t ? std::optional(t->windowID()) : std::nullopt; };
    const bool changed = idOf(target) != idOf(m_selectedTarget);
    m_selectedTarget = std::move(target);
    if (!changed) return;
    // A capture or recognition under way serves the window before: its result must not be taken
    // for this one's.
    ++m_capturePipelineRevision;
    m_captureBusy = false;
    clearManualState();
    m_previousFingerprint.reset();
    m_changeVerification.reset();
}

void RealtimeSession::setRegion(std::optional<QRectF> normalizedRegion) {
    m_normalizedRegion = CaptureRegionGeometry::sanitizedTopLeftNormalized(normalizedRegion);
}

bool RealtimeSession::translationInFlight() const { return m_pipeline.isRequestInFlight(); }

void RealtimeSession::fenceTranslations() { m_pipeline.abandonTranslationsInFlight(); }

void RealtimeSession::updateState(const RealtimeTranslationState& state) {
    m_state = state;
    if (state.isError()) {
        AppLogger::shared().error(QStringLiteral("runtime"), state.message);
        m_lastErrorMessage = state.message;
    }
    m_client.realtimeStateChanged(state);
}

void RealtimeSession::clearManualState() {
    m_manualCaptureInProgress = false;
    m_manualVerificationCandidate.clear();
    m_manualVerificationAttempts = 0;
}

// Interface mode has no recogniser for whole windows yet: say so rather than capture for nothing.
bool RealtimeSession::refuseUnavailableMode() {
    if (m_translationMode != TranslationMode::interface) return false;
    m_client.statusLabelChanged(kInterfaceModeUnavailable);
    return true;
}

void RealtimeSession::startTranslation() {
    if (!m_selectedTarget) {
        m_client.statusLabelChanged(QStringLiteral("请先选择目标窗口"));
        return;
    }
    if (refuseUnavailableMode()) return;
    if (!m_normalizedRegion) {
        m_client.statusLabelChanged(QStringLiteral("请先框选字幕区域"));
        return;
    }
    const Provider provider = m_pipeline.selection().currentProvider();
    if (const auto issue = m_pipeline.providerSettings().providerConfigurationIssue(provider)) {
        updateState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue));
        return;
    }

    AppLogger::shared().info(kSession, QStringLiteral("开始翻译，模式：对白模式，翻译源：") + ProviderCatalogue::title(provider));
    const bool fresh = m_state.kind != RealtimeTranslationState::Kind::paused;
    m_client.sessionStarting(fresh);
    if (fresh) {
        m_sessionStartedAt = QDateTime::currentDateTime();
        m_pipeline.resetStatistics();
        m_client.sessionStatisticsChanged();
        m_pipeline.clearPanelLines();
        m_detector.reset();  // a resume keeps it, so the last line is not translated again
    }
    m_previousFingerprint.reset();
    m_changeVerification.reset();
    fenceTranslations();
    ++m_capturePipelineRevision;
    m_captureBusy = false;
    m_forceVerification = false;

    m_sessionRunning = true;
    updateState(RealtimeTranslationState::capturing());
    m_adaptivePolling.reset();
    schedulePollingTimer();
    captureFrame();
}

void RealtimeSession::stopTranslation() {
    AppLogger::shared().info(kSession, QStringLiteral("暂停翻译，本次已完成 %1 句").arg(m_pipeline.statistics().translationCount));
    m_pollingTimer.stop();
    m_sessionRunning = false;
    ++m_capturePipelineRevision;
    m_captureBusy = false;
    clearManualState();
    fenceTranslations();
    updateState(RealtimeTranslationState::paused());
}

void RealtimeSession::startSessionClockIfNeeded() {
    if (!m_sessionStartedAt) m_sessionStartedAt = QDateTime::currentDateTime();
}

void RealtimeSession::pollingSettingsChanged() {
    m_adaptivePolling.reset();
    if (m_sessionRunning) schedulePollingTimer();
}

void RealtimeSession::toggleTranslation() {
    if (isRunning())
        stopTranslation();
    else
        startTranslation();
}

void RealtimeSession::schedulePollingTimer() {
    const bool highPerformance = m_settings.boolValue(SettingsKeys::highPerformancePollingEnabled, false);
    const double base = m_pollingIntervalOverride.value_or(m_settings.doubleValue(SettingsKeys::ocrPollingInterval, 0.8));
    m_pollingTimer.setSingleShot(!RealtimePolling::repeats(highPerformance));
    m_pollingTimer.start(RealtimePolling::milliseconds(RealtimePolling::interval(highPerformance, base, m_adaptivePolling)));
}

void RealtimeSession::onPollingTick() {
    if (!m_sessionRunning) return;
    m_client.sessionStatisticsChanged();
    captureFrame();
    if (m_sessionRunning && m_pollingTimer.isSingleShot()) schedulePollingTimer();
}

void RealtimeSession::captureFrame() {
    if (m_captureBusy || !m_selectedTarget) return;
    SessionMetrics::shared().increment(SessionMetrics::Counter::captures);
    // Following runs before this cycle remembers its target: a window found again under a new
    // identifier must not make the cycle drop its own frame and leave the loop marked busy.
    ++m_captureCycleCount;
    if (m_captureCycleCount % kCapturesPerGeometryRefresh == 0 &&
        m_settings.boolValue(SettingsKeys::interfaceWindowFollowEnabled, SettingsDefaults::interfaceWindowFollowEnabled))
        refreshLockedTargetGeometry();
    const int revision = m_capturePipelineRevision;
    const quint32 windowID = m_selectedTarget->windowID();
    m_captureBusy = true;
    if (!translationInFlight()) updateState(RealtimeTranslationState::capturing());

    // A whole frame is a long round trip to the display server (and the first one after a
    // redirect waits for the game to repaint): the worker takes it, and only the crop comes back.
    WindowCapture* capture = &m_capture;
    const std::optional<QRectF> region = m_normalizedRegion;
    const QPointer<RealtimeSession> self(this);
    m_workerPool.start([this, self, capture, windowID, region, revision] {
        if (revision != m_capturePipelineRevision) return;  // whoever moved it on cleared the busy flag
        CaptureOutcome outcome = captureAndCrop(*capture, windowID, region);
        QMetaObject::invokeMethod(
            this,
            [self, revision, windowID, outcome = std::move(outcome)] {
                if (self) self->handleCapturedCrop(revision, windowID, outcome);
            },
            Qt::QueuedConnection);
    });
}

RealtimeSession::CaptureOutcome RealtimeSession::captureAndCrop(WindowCapture& capture, quint32 windowID,
                                                                const std::optional<QRectF>& normalizedRegion) {
    const auto image = capture.captureWindow(windowID);
    if (!image) return std::unexpected(image.error());
    CapturedCrop result;
    result.crop = CaptureRegionGeometry::cropImageForOCR(*image, normalizedRegion);
    if (!result.crop) return result;
    result.fingerprint = FrameFingerprint::of(*result.crop);
    result.selectedArea = CaptureRegionGeometry::selectedAreaInCrop(image->size(), normalizedRegion);
    return result;
}

void RealtimeSession::handleCapturedCrop(int revision, quint32 windowID, const CaptureOutcome& outcome) {
    if (revision != m_capturePipelineRevision) return;  // a newer generation runs
    if (!m_selectedTarget || m_selectedTarget->windowID() != windowID) {
        m_captureBusy = false;
        return;
    }
    const bool highPerformance = m_settings.boolValue(SettingsKeys::highPerformancePollingEnabled, false);
    if (!outcome) {
        m_captureBusy = false;
        clearManualState();
        const CaptureFailure& failure = outcome.error();
        const QString message = QStringLiteral("采集失败：") +
                                (failure.message.isEmpty() ? QStringLiteral("未知错误") : failure.message);
        AppLogger::shared().error(kCapture, message);
        updateState(failure.isDisplayUnavailable() ? RealtimeTranslationState::displayUnavailable()
                                                   : RealtimeTranslationState::error(message));
        if (highPerformance) m_adaptivePolling.recordCaptureFailure();
        return;
    }
    if (!outcome->crop) {
        m_captureBusy = false;
        clearManualState();
        const QString message = QStringLiteral("字幕区域无效，请重新框选");
        AppLogger::shared().error(kCapture, message);
        updateState(RealtimeTranslationState::error(message));
        return;
    }
    const bool changed = FrameFingerprint::frameChanged(
        m_previousFingerprint, outcome->fingerprint,
        m_settings.doubleValue(SettingsKeys::ocrFrameChangeThreshold, 0.009));
    if (highPerformance) m_adaptivePolling.recordFrame(changed);
    if (!changed) {
        SessionMetrics::shared().increment(SessionMetrics::Counter::unchangedFrames);
        if (!m_forceVerification) {
            m_captureBusy = false;
            return;
        }
    }
    m_forceVerification = false;
    if (!translationInFlight()) updateState(RealtimeTranslationState::recognizing());
    recognize(*outcome->crop, outcome->selectedArea, revision);
}

void RealtimeSession::recognize(const QImage& crop, const std::optional<QRectF>& selectedArea, int revision) {
    const bool manual = m_manualCaptureInProgress;
    RecognizerFactory factory = m_recognizerFactory;
    const QPointer<RealtimeSession> self(this);
    m_workerPool.start([this, self, crop, selectedArea, revision, manual, factory] {
        // The worker thread keeps its recogniser between passes.
        thread_local std::unique_ptr<TextRecognizer> recognizer;
        if (!recognizer) recognizer = factory();
        // A pass whose revision moves on meanwhile stops half way; the session outlives the
        // worker's tasks (its destructor waits for them).
        recognizer->setCancelCheck([this, revision] { return revision != m_capturePipelineRevision.load(); });
        const auto result = DialogueRecognition::recognizeFastThenAccurate(*recognizer, crop, manual, selectedArea);
        recognizer->setCancelCheck(nullptr);
        QMetaObject::invokeMethod(
            this,
            [self, revision, result] {
                if (!self || revision != self->m_capturePipelineRevision) return;  // a newer generation runs
                if (result)
                    self->handleRecognizedText(result->text, result->confidence, std::nullopt);
                else
                    self->handleRecognizedText(QString(), 0, result.error());
            },
            Qt::QueuedConnection);
    });
}

void RealtimeSession::handleRecognizedText(const QString& text, double averageConfidence,
                                           const std::optional<QString>& error) {
    m_captureBusy = false;
    const bool manual = m_manualCaptureInProgress;
    if (error) {
        if (manual) clearManualState();
        updateState(RealtimeTranslationState::error(QStringLiteral("OCR 失败：") + *error));
        return;
    }
    const QString cleaned = OCRTextCleaner::clean(text);
    // A realtime change is followed by readings until they agree, whatever the gate says of
    // them: a box half way through a dissolve or a reveal reads as junk or as too little text.
    const bool followChange = !manual && m_changeVerification.needsAnotherReading(OCRTextCleaner::comparisonForm(cleaned));
    switch (m_qualityGate.evaluate(cleaned, averageConfidence)) {
    case OCRQualityGate::Decision::garbled:
        if (manual) clearManualState();
        m_forceVerification = followChange;
        updateState(RealtimeTranslationState::error(QStringLiteral("OCR 结果质量过低，请查看或重新框选字幕区域")));
        return;
    case OCRQualityGate::Decision::insufficientText:
        if (manual) {
            clearManualState();
            updateState(RealtimeTranslationState::error(QStringLiteral("单次 OCR 未识别到有效日文，请检查区域")));
        } else {
            m_forceVerification = followChange;
            updateState(RealtimeTranslationState::capturing());
        }
        return;
    case OCRQualityGate::Decision::lowConfidence:
        if (manual) {
            clearManualState();
            updateState(RealtimeTranslationState::error(QStringLiteral("单次 OCR 置信度过低，请重新框选或再试一次")));
        } else {
            m_forceVerification = true;
            updateState(RealtimeTranslationState::waitingForStableText());
        }
        return;
    case OCRQualityGate::Decision::accept:
        if (manual)
            confirmManualReading(cleaned);
        else
            handleSubtitleChange(m_detector.observe(cleaned));
        return;
    }
}

void RealtimeSession::handleSubtitleChange(const SubtitleChangeResult& result) {
    switch (result.kind) {
    case SubtitleChangeResult::Kind::changed:
        fenceTranslations();
        m_forceVerification = true;
        updateState(RealtimeTranslationState::waitingForStableText());
        return;
    case SubtitleChangeResult::Kind::waiting:
        m_forceVerification = true;
        updateState(RealtimeTranslationState::waitingForStableText());
        return;
    case SubtitleChangeResult::Kind::alreadyTranslated:
        updateState(RealtimeTranslationState::showingResult());
        return;
    case SubtitleChangeResult::Kind::stable:
        m_pipeline.translate(result.text, result.signature);
        return;
    }
}

// A one-shot recognition translates only a text read twice alike, so a line still being typed
// out is not sent half-way.
void RealtimeSession::confirmManualReading(const QString& cleaned) {
    ++m_manualVerificationAttempts;
    const QString form = OCRTextCleaner::comparisonForm(cleaned);
    if (!m_manualVerificationCandidate.isEmpty() && OCRTextCleaner::comparisonForm(m_manualVerificationCandidate) == form) {
        clearManualState();
        handleSubtitleChange(m_detector.acceptImmediately(cleaned));
        return;
    }
    m_manualVerificationCandidate = cleaned;
    if (m_manualVerificationAttempts > kMaximumManualAttempts) {
        clearManualState();
        updateState(RealtimeTranslationState::error(QStringLiteral("文本仍在变化，未开始翻译；请等待字幕完整后再点立即 OCR")));
        return;
    }
    AppLogger::shared().info(kOcr, QStringLiteral("立即 OCR 等待下一帧确认文本不再变化"));
    scheduleManualVerificationCapture();
}

void RealtimeSession::scheduleManualVerificationCapture() {
    m_manualCaptureInProgress = true;
    m_forceVerification = true;
    m_client.statusLabelChanged(QStringLiteral("等待文本保持不变，正在进行第二次确认…"));
    QTimer::singleShot(kManualConfirmationDelayMs, this, [this] {
        if (m_manualCaptureInProgress) captureFrame();
    });
}

void RealtimeSession::performManualOCR() {
    AppLogger::shared().info(kOcr, QStringLiteral("用户触发立即 OCR，模式：对白模式"));
    if (!m_selectedTarget) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：未选择目标窗口"));
        m_client.statusLabelChanged(QStringLiteral("立即 OCR：请先选择目标窗口"));
        return;
    }
    const Provider provider = m_pipeline.selection().currentProvider();
    if (const auto issue = m_pipeline.providerSettings().providerConfigurationIssue(provider)) {
        updateState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue));
        return;
    }
    if (m_captureBusy) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：识别任务正忙"));
        m_client.statusLabelChanged(QStringLiteral("OCR 正忙，请稍后再试"));
        return;
    }
    if (!m_normalizedRegion) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：未框选字幕区域"));
        m_client.statusLabelChanged(QStringLiteral("立即 OCR：请先框选字幕区域"));
        return;
    }
    if (refuseUnavailableMode()) return;
    m_client.manualRecognitionStarting();
    m_manualCaptureInProgress = true;
    m_manualVerificationCandidate.clear();
    m_manualVerificationAttempts = 0;
    m_detector.reset();
    m_previousFingerprint.reset();
    m_changeVerification.reset();
    m_forceVerification = true;
    m_client.statusLabelChanged(QStringLiteral("正在执行一次 OCR…"));
    captureFrame();
}

void RealtimeSession::translationModeChanged(TranslationMode mode) {
    const bool wasRunning = isRunning();
    if (wasRunning) {
        stopTranslation();
    } else {
        ++m_capturePipelineRevision;
        m_captureBusy = false;
    }
    m_translationMode = mode;
    if (const auto stored = m_settings.setValue(SettingsKeys::translationMode, static_cast<int>(mode)); !stored)
        AppLogger::shared().error(kSession, stored.error());
    m_previousFingerprint.reset();
    m_changeVerification.reset();
    m_detector.reset();
    updateState(RealtimeTranslationState::idle());
    // The session picks up in the new mode once the switch itself has been handled.
    if (wasRunning) QTimer::singleShot(0, this, [this] { startTranslation(); });
}

// The listing is a few round trips to the display server, cheap enough to do inline every few
// captures; a target that is hidden for a moment is kept.
void RealtimeSession::refreshLockedTargetGeometry() {
    if (!m_selectedTarget) return;
    const auto windows = m_capture.listWindows();
    if (!windows) {
        AppLogger::shared().warning(kCapture, QStringLiteral("读取窗口失败：") + windows.error().message);
        return;
    }
    const auto found = WindowListing::locateTarget(*windows, m_selectedTarget->windowID(), m_selectedTarget->title);
    if (!found) {
        m_client.statusLabelChanged(QStringLiteral("目标游戏窗口暂时不可见，等待恢复…"));
        return;
    }
    const bool moved = found->frame() != m_selectedTarget->frame();
    m_selectedTarget = found;
    if (moved) m_client.targetGeometryChanged(*found);
}

void RealtimeSession::showWindowListingFailure(const CaptureFailure& failure) {
    if (failure.isDisplayUnavailable()) {
        AppLogger::shared().error(kCapture, failure.message);
        updateState(RealtimeTranslationState::displayUnavailable());
        return;
    }
    updateState(RealtimeTranslationState::error(QStringLiteral("读取窗口失败：") + failure.message));
}

void RealtimeSession::translationActivityChanged(TranslationActivity activity, const QString& message) {
    switch (activity) {
    case TranslationActivity::translating: updateState(RealtimeTranslationState::translating()); return;
    case TranslationActivity::showingResult: updateState(RealtimeTranslationState::showingResult()); return;
    case TranslationActivity::error: updateState(RealtimeTranslationState::error(message)); return;
    }
}

void RealtimeSession::panelLinesChanged() { m_client.panelLinesChanged(); }

void RealtimeSession::translationEnded(const TranslationOutcome& outcome) {
    m_client.translationEnded(outcome);
    if (outcome.succeeded()) m_client.sessionStatisticsChanged();
}

std::optional<QString> RealtimeSession::currentCandidateSignature() const { return m_detector.candidateSignature; }

void RealtimeSession::signatureTranslated(const QString& signature) { m_detector.translatedSignature = signature; }

void RealtimeSession::translationContextReset() {
    m_detector.reset();
    m_previousFingerprint.reset();
    m_changeVerification.reset();
    m_forceVerification = true;
}

}  // namespace ovisu
