#include "dialogue/RealtimeSession.h"

#include "base/AppLogger.h"
#include "base/OCRTextCleaner.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/CaptureRegionGeometry.h"
#include "dialogue/DialogueRecognition.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"

#include <QTimer>

namespace ovisu {
namespace {

const QString kSession = QStringLiteral("session");
const QString kCapture = QStringLiteral("capture");
const QString kOcr = QStringLiteral("ocr");
constexpr int kManualConfirmationDelayMs = 550;
constexpr int kMaximumManualAttempts = 5;

}  // namespace

RealtimeSession::RealtimeSession(SettingsStore& settings, WindowCapture& capture, TranslationPipeline& pipeline,
                                 RealtimeSessionClient& client, RecognizerFactory recognizerFactory, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_pipeline(pipeline),
      m_client(client),
      m_translationMode(storedTranslationMode(settings)),
      m_detector(SubtitleChangeDetector::fromSettings(settings)),
      m_loop(settings, capture, client, *this, std::move(recognizerFactory)) {
    // The pipeline reports to the session it serves; the session is made after it, so it is the
    // one that closes the loop.
    m_pipeline.setClient(*this);
}

RealtimeSession::~RealtimeSession() { m_pipeline.clearClient(); }

void RealtimeSession::highPerformancePollingChanged(bool enabled) {
    m_loop.pollingSettingsChanged();
    m_client.statusLabelChanged(enabled ? QStringLiteral("高性能自适应轮询已开启")
                                        : QStringLiteral("已恢复 1.1.4 原有固定频率 OCR"));
}

void RealtimeSession::setTarget(std::optional<TargetWindow> target) {
    if (!m_loop.setTarget(std::move(target))) return;
    clearManualState();
    forgetEarlierFrames();
}

void RealtimeSession::setRegion(std::optional<QRectF> normalizedRegion) {
    m_normalizedRegion = CaptureRegionGeometry::sanitizedTopLeftNormalized(normalizedRegion);
}

bool RealtimeSession::translationInFlight() const { return m_pipeline.isRequestInFlight(); }

void RealtimeSession::fenceTranslations() { m_pipeline.abandonTranslationsInFlight(); }

void RealtimeSession::forgetEarlierFrames() {
    m_previousFingerprint.reset();
    m_changeVerification.reset();
    m_lastRecognized.reset();
}

void RealtimeSession::clearManualState() {
    m_manualCaptureInProgress = false;
    m_manualVerificationCandidate.clear();
    m_manualVerificationAttempts = 0;
}

// Interface mode runs on its own session; this one reads subtitles only.
bool RealtimeSession::refuseInterfaceMode() {
    if (m_translationMode != TranslationMode::interface) return false;
    const QString message = QStringLiteral("当前为界面模式：对白翻译未启动，请先切换到对白模式");
    AppLogger::shared().warning(kSession, message);
    m_client.statusLabelChanged(message);
    return true;
}

void RealtimeSession::startTranslation() {
    if (!m_loop.target()) {
        m_client.statusLabelChanged(QStringLiteral("请先选择目标窗口"));
        return;
    }
    if (refuseInterfaceMode()) return;
    if (!m_normalizedRegion) {
        m_client.statusLabelChanged(QStringLiteral("请先框选字幕区域"));
        return;
    }
    const Provider provider = m_pipeline.selection().currentProvider();
    if (const auto issue = m_pipeline.providerSettings().providerConfigurationIssue(provider)) {
        m_loop.showState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue));
        return;
    }

    AppLogger::shared().info(kSession, QStringLiteral("开始翻译，模式：对白模式，翻译源：") + ProviderCatalogue::title(provider));
    const bool fresh = m_loop.state().kind != RealtimeTranslationState::Kind::paused;
    m_client.sessionStarting(fresh);
    if (fresh) {
        m_loop.restartSessionClock();
        m_pipeline.resetStatistics();
        m_client.sessionStatisticsChanged();
        m_pipeline.clearPanelLines();
        m_detector.reset();  // a resume keeps it, so the last line is not translated again
    }
    forgetEarlierFrames();
    fenceTranslations();
    m_forceVerification = false;
    m_loop.start();
}

void RealtimeSession::stopTranslation() {
    AppLogger::shared().info(kSession, QStringLiteral("暂停翻译，本次已完成 %1 句").arg(m_pipeline.statistics().translationCount));
    m_loop.stop();
    clearManualState();
    fenceTranslations();
    m_loop.showState(RealtimeTranslationState::paused());
}

void RealtimeSession::toggleTranslation() {
    if (isRunning())
        stopTranslation();
    else
        startTranslation();
}

// The crop is taken from a copy of the region made when the capture was asked for: the region
// may change while the worker runs.
RealtimeFrameHandler::FrameTask RealtimeSession::frameTask() {
    if (!translationInFlight()) m_loop.showState(RealtimeTranslationState::capturing());
    // The steps run on the main thread, and only while the loop (a member) is alive.
    return [this, region = m_normalizedRegion](const QImage& frame) -> MainThreadStep {
        return [this, captured = cropOf(frame, region)] { handleCapturedCrop(captured); };
    };
}

RealtimeSession::CapturedCrop RealtimeSession::cropOf(const QImage& frame, const std::optional<QRectF>& normalizedRegion) {
    CapturedCrop result;
    result.crop = CaptureRegionGeometry::cropImageForOCR(frame, normalizedRegion);
    if (!result.crop) return result;
    result.fingerprint = FrameFingerprint::of(*result.crop);
    result.selectedArea = CaptureRegionGeometry::selectedAreaInCrop(frame.size(), normalizedRegion);
    return result;
}

void RealtimeSession::captureFailed(const CaptureFailure& failure) {
    (void)failure;  // the loop shows it
    clearManualState();
}

void RealtimeSession::handleCapturedCrop(const CapturedCrop& captured) {
    if (!captured.crop) {
        clearManualState();
        const QString message = QStringLiteral("字幕区域无效，请重新框选");
        AppLogger::shared().error(kCapture, message);
        m_loop.showState(RealtimeTranslationState::error(message));
        return;
    }
    const bool changed = FrameFingerprint::frameChanged(
        m_previousFingerprint, captured.fingerprint,
        m_settings.doubleValue(SettingsKeys::ocrFrameChangeThreshold, 0.009));
    m_loop.recordFrame(changed);
    if (!changed) {
        SessionMetrics::shared().increment(SessionMetrics::Counter::unchangedFrames);
        if (!m_forceVerification) return;
    }
    m_forceVerification = false;
    if (!m_manualCaptureInProgress && m_lastRecognized && m_lastRecognized->selectedArea == captured.selectedArea &&
        m_lastRecognized->crop == *captured.crop) {
        handleRecognizedText(m_lastRecognized->text, m_lastRecognized->confidence, std::nullopt);
        return;
    }
    if (!translationInFlight()) m_loop.showState(RealtimeTranslationState::recognizing());
    recognize(*captured.crop, captured.selectedArea);
}

void RealtimeSession::recognize(const QImage& crop, const std::optional<QRectF>& selectedArea) {
    const bool manual = m_manualCaptureInProgress;
    // The worker reads only the copies; `this` is used by the step, back on the main thread.
    m_loop.recognize([this, crop, selectedArea, manual](TextRecognizer& recognizer) -> MainThreadStep {
        auto result = DialogueRecognition::recognizeFastThenAccurate(recognizer, crop, manual, selectedArea);
        return [this, crop, selectedArea, manual, result = std::move(result)] {
            if (!manual) {
                if (result)
                    m_lastRecognized = RecognizedPicture{crop, selectedArea, result->text, result->confidence};
                else
                    m_lastRecognized.reset();
            }
            if (result)
                handleRecognizedText(result->text, result->confidence, std::nullopt);
            else
                handleRecognizedText(QString(), 0, result.error());
        };
    });
}

void RealtimeSession::handleRecognizedText(const QString& text, double averageConfidence,
                                           const std::optional<QString>& error) {
    const bool manual = m_manualCaptureInProgress;
    if (error) {
        if (manual) clearManualState();
        m_loop.showState(RealtimeTranslationState::error(QStringLiteral("OCR 失败：") + *error));
        return;
    }
    const QString cleaned = OCRTextCleaner::clean(text);
    // A realtime change is followed by readings until they agree, whatever the gate says of
    // them: a box half way through a dissolve or a reveal reads as junk or as too little text.
    const bool followChange = !manual && m_changeVerification.needsAnotherReading(OCRTextCleaner::comparisonForm(cleaned),
                                                                            m_detector.similarityThreshold);
    switch (m_qualityGate.evaluate(cleaned, averageConfidence)) {
    case OCRQualityGate::Decision::garbled:
        if (manual) clearManualState();
        m_forceVerification = followChange;
        m_loop.showState(RealtimeTranslationState::error(QStringLiteral("OCR 结果质量过低，请查看或重新框选字幕区域")));
        return;
    case OCRQualityGate::Decision::insufficientText:
        if (manual) {
            clearManualState();
            m_loop.showState(RealtimeTranslationState::error(QStringLiteral("单次 OCR 未识别到有效日文，请检查区域")));
        } else {
            m_forceVerification = followChange;
            m_loop.showState(RealtimeTranslationState::capturing());
        }
        return;
    case OCRQualityGate::Decision::lowConfidence:
        if (manual) {
            clearManualState();
            m_loop.showState(RealtimeTranslationState::error(QStringLiteral("单次 OCR 置信度过低，请重新框选或再试一次")));
        } else {
            m_forceVerification = true;
            m_loop.showState(RealtimeTranslationState::waitingForStableText());
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
        m_loop.showState(RealtimeTranslationState::waitingForStableText());
        return;
    case SubtitleChangeResult::Kind::waiting:
        m_forceVerification = true;
        m_loop.showState(RealtimeTranslationState::waitingForStableText());
        return;
    case SubtitleChangeResult::Kind::alreadyTranslated:
        m_loop.showState(RealtimeTranslationState::showingResult());
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
        m_loop.showState(RealtimeTranslationState::error(QStringLiteral("文本仍在变化，未开始翻译；请等待字幕完整后再点立即 OCR")));
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
    if (!m_loop.target()) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：未选择目标窗口"));
        m_client.statusLabelChanged(QStringLiteral("立即 OCR：请先选择目标窗口"));
        return;
    }
    const Provider provider = m_pipeline.selection().currentProvider();
    if (const auto issue = m_pipeline.providerSettings().providerConfigurationIssue(provider)) {
        m_loop.showState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue));
        return;
    }
    if (m_loop.isCycleBusy()) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：识别任务正忙"));
        m_client.statusLabelChanged(QStringLiteral("OCR 正忙，请稍后再试"));
        return;
    }
    if (!m_normalizedRegion) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：未框选字幕区域"));
        m_client.statusLabelChanged(QStringLiteral("立即 OCR：请先框选字幕区域"));
        return;
    }
    if (refuseInterfaceMode()) return;
    m_client.manualRecognitionStarting();
    m_manualCaptureInProgress = true;
    m_manualVerificationCandidate.clear();
    m_manualVerificationAttempts = 0;
    m_detector.reset();
    forgetEarlierFrames();
    m_forceVerification = true;
    m_client.statusLabelChanged(QStringLiteral("正在执行一次 OCR…"));
    captureFrame();
}

void RealtimeSession::translationModeChanged(TranslationMode mode) {
    const bool wasRunning = isRunning();
    if (wasRunning) {
        stopTranslation();
    } else {
        m_loop.fence();
    }
    m_translationMode = mode;
    if (const auto stored = m_settings.setValue(SettingsKeys::translationMode, static_cast<int>(mode)); !stored)
        AppLogger::shared().error(kSession, stored.error());
    forgetEarlierFrames();
    m_detector.reset();
    m_loop.showState(RealtimeTranslationState::idle());
    // The session picks up in the new mode once the switch itself has been handled; interface
    // mode is another session's.
    if (wasRunning && mode == TranslationMode::dialogue) QTimer::singleShot(0, this, [this] { startTranslation(); });
}

void RealtimeSession::translationActivityChanged(TranslationActivity activity, const QString& message) {
    switch (activity) {
    case TranslationActivity::translating: m_loop.showState(RealtimeTranslationState::translating()); return;
    case TranslationActivity::showingResult: m_loop.showState(RealtimeTranslationState::showingResult()); return;
    case TranslationActivity::error: m_loop.showState(RealtimeTranslationState::error(message)); return;
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
    forgetEarlierFrames();
    m_forceVerification = true;
}

}  // namespace ovisu
