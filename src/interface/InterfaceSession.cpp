#include "interface/InterfaceSession.h"

#include "base/AppLogger.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/LocalServerStartup.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "interface/InterfaceFingerprint.h"
#include "interface/InterfaceOverlayPresenter.h"
#include "interface/UIElementClassifier.h"
#include "interface/UIRegionList.h"
#include "interface/UIStoredTranslations.h"

#include <QPointer>
#include <QTimer>

namespace ovisu {

namespace {
const QString kSession = QStringLiteral("session");
const QString kOcr = QStringLiteral("ocr");
constexpr int kEmptyRetryDelayMs = 300;

InterfaceAnswerOrigin originOf(const StoredUITranslation& stored) {
    switch (stored.origin) {
    case StoredUITranslation::Origin::manualCorrection: return InterfaceAnswerOrigin::manualCorrection;
    case StoredUITranslation::Origin::fixedDictionary: return InterfaceAnswerOrigin::fixedDictionary;
    case StoredUITranslation::Origin::automaticCache: return InterfaceAnswerOrigin::automaticCache;
    }
    return InterfaceAnswerOrigin::automaticCache;
}
}  // namespace

QString describe(InterfaceAnswerOrigin origin) {
    switch (origin) {
    case InterfaceAnswerOrigin::manualCorrection: return QStringLiteral("manual-correction");
    case InterfaceAnswerOrigin::fixedDictionary: return QStringLiteral("fixed-dictionary");
    case InterfaceAnswerOrigin::automaticCache: return QStringLiteral("cache");
    case InterfaceAnswerOrigin::translated: return QStringLiteral("translated");
    }
    return {};
}

InterfaceSession::InterfaceSession(Parts parts, InterfaceSessionClient& client, RecognizerFactory recognizerFactory,
                                   QObject* parent)
    : QObject(parent),
      m_parts(parts),
      m_client(client),
      m_scheduler(parts.service, parts.selection, parts.providerSettings, *this),
      m_enabledKinds(storedEnabledUIElementKinds(parts.settings)),
      m_loop(parts.settings, parts.capture, client, *this, std::move(recognizerFactory)) {}

InterfaceSession::~InterfaceSession() = default;

QList<QRectF> InterfaceSession::enabledRegionRects() const {
    QList<QRectF> rects;
    for (const UIOCRRegion& region : m_parts.regions.enabledRegions())
        rects.append(region.normalizedRect);
    return rects;
}

void InterfaceSession::setTarget(std::optional<TargetWindow> target) {
    if (!m_loop.setTarget(std::move(target))) return;
    clearInterfaceOverlays(true);
    m_previousFingerprint.reset();
}

bool InterfaceSession::providerIssueShown() {
    const Provider provider = m_parts.selection.currentProvider();
    const auto issue = m_parts.providerSettings.providerConfigurationIssue(provider);
    if (!issue) return false;
    m_loop.showState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue));
    return true;
}

void InterfaceSession::startTranslation() {
    if (!m_loop.target()) {
        m_client.statusLabelChanged(QStringLiteral("请先选择目标窗口"));
        return;
    }
    if (providerIssueShown()) return;
    if (waitForLocalServer()) return;
    AppLogger::shared().info(kSession, QStringLiteral("开始翻译，模式：界面模式，翻译源：") +
                                           ProviderCatalogue::title(m_parts.selection.currentProvider()));
    if (m_loop.state().kind != RealtimeTranslationState::Kind::paused) {
        m_loop.restartSessionClock();
        m_client.sessionStatisticsChanged();
    }
    m_previousFingerprint.reset();
    m_interfaceEmptyRetryAvailable = true;
    m_forceVerification = false;
    m_loop.start();
}

// A local source whose server does not answer yet: start it, and start the session once it is
// ready, unless the source changed or the session was stopped, left or pointed elsewhere meanwhile
// (each of those moves the loop's revision on).
bool InterfaceSession::waitForLocalServer() {
    const Provider provider = m_parts.selection.currentProvider();
    if (!m_parts.localServers || !m_parts.providerSettings.startsLocalServer(provider)) return false;
    const QUrl server = m_parts.providerSettings.localServer(provider);
    if (m_parts.localServers->isReady(server)) return false;
    m_client.statusLabelChanged(ProviderCatalogue::localServerStartingText(provider));
    const QPointer<InterfaceSession> self(this);
    m_loop.fence();
    const int revision = m_loop.revision();
    m_parts.localServers->whenReady(server, [self, provider, revision](std::optional<QString> error) {
        if (!self || self->m_parts.selection.currentProvider() != provider || self->m_loop.revision() != revision ||
            self->isRunning())
            return;
        if (error)
            self->m_loop.showState(RealtimeTranslationState::error(ProviderCatalogue::title(provider) + QStringLiteral("：") + *error));
        else
            self->startTranslation();
    });
    return true;
}

void InterfaceSession::stopTranslation() {
    AppLogger::shared().info(kSession, QStringLiteral("暂停翻译，界面模式"));
    m_loop.stop();
    clearInterfaceOverlays(true);
    m_loop.showState(RealtimeTranslationState::paused());
}

void InterfaceSession::toggleTranslation() {
    if (isRunning())
        stopTranslation();
    else
        startTranslation();
}

void InterfaceSession::leaveMode() {
    if (isRunning()) m_loop.stop();
    else m_loop.fence();
    clearInterfaceOverlays(true);
    m_previousFingerprint.reset();
}

void InterfaceSession::performManualOCR() {
    AppLogger::shared().info(kOcr, QStringLiteral("用户触发立即 OCR，模式：界面模式"));
    if (!m_loop.target()) {
        AppLogger::shared().warning(kOcr, QStringLiteral("立即 OCR 被跳过：未选择目标窗口"));
        m_client.statusLabelChanged(QStringLiteral("立即 OCR：请先选择目标窗口"));
        return;
    }
    if (providerIssueShown()) return;
    m_interfaceRefreshRequested = true;
    m_interfaceEmptyRetryAvailable = true;
    m_interfaceLastSignatures.clear();
    m_previousFingerprint.reset();
    m_forceVerification = true;
    m_loop.showState(RealtimeTranslationState::recognizing());
    AppLogger::shared().info(kOcr, QStringLiteral("界面模式立即识别，启用区域：%1").arg(enabledRegionRects().size()));
    // Translations start only while the session runs, so a one-off recognition starts it.
    if (!isRunning()) {
        startTranslation();
        // Starting forgets the refresh; this recognition is still an explicit one.
        m_interfaceRefreshRequested = true;
        m_forceVerification = true;
    } else if (!m_loop.isCycleBusy()) {
        m_loop.captureFrame();
    }
}

void InterfaceSession::refreshInterfaceAfterConfigurationChange() {
    m_interfaceRefreshRequested = true;
    m_interfaceEmptyRetryAvailable = true;
    m_interfaceLastSignatures.clear();
    m_previousFingerprint.reset();
    m_forceVerification = true;
    if (isRunning()) {
        m_loop.showState(RealtimeTranslationState::recognizing());
        if (!m_loop.isCycleBusy()) m_loop.captureFrame();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (m_loop.target()) performManualOCR();
    });
}

void InterfaceSession::translationSourceChanged() {
    dropAnswersOfPreviousSource();
    refreshInterfaceAfterConfigurationChange();
}

void InterfaceSession::dropAnswersOfPreviousSource() {
    m_parts.storedTranslations.clearAutomaticForSourceChange();
    clearInterfaceOverlays(true);
}

bool InterfaceSession::setElementKindEnabled(UIElementKind kind, bool enabled) {
    UIElementKindSet kinds = m_enabledKinds;
    if (enabled) kinds.insert(kind);
    else kinds.erase(kind);
    if (kinds.empty()) return false;
    m_enabledKinds = kinds;
    if (const auto stored = storeEnabledUIElementKinds(m_parts.settings, kinds); !stored)
        AppLogger::shared().error(kSession, stored.error());
    m_previousFingerprint.reset();
    return true;
}

void InterfaceSession::clearInterfaceOverlays(bool cancelRequests) {
    m_parts.overlays.clearPanels();
    if (cancelRequests) m_scheduler.cancelAll();
    m_interfaceRefreshRequested = false;
    m_interfaceEmptyRetryAvailable = true;
    m_interfaceBlocks.clear();
    m_interfaceLastSignatures.clear();
}

std::expected<bool, QString> InterfaceSession::applyManualCorrection(const QString& source, const QString& typed) {
    const auto saved = m_parts.storedTranslations.saveManualCorrection(source, typed);
    if (!saved) {
        m_loop.showState(RealtimeTranslationState::error(saved.error()));
        return saved;
    }
    if (!*saved) return false;
    const QString form = uiComparisonForm(source);
    for (const UIOCRTextBlock& block : std::as_const(m_interfaceBlocks))
        if (uiComparisonForm(block.text) == form) {
            m_parts.overlays.showInterfaceTranslation(block, typed.trimmed(), true);
            m_client.interfaceAnswered(block, typed.trimmed(), InterfaceAnswerOrigin::manualCorrection);
        }
    m_client.statusLabelChanged(QStringLiteral("已保存永久人工修正"));
    return true;
}

// The worker makes the fingerprint from a copy of the regions taken when the capture was asked for.
RealtimeFrameHandler::FrameTask InterfaceSession::frameTask() {
    if (!m_scheduler.hasPendingWork()) m_loop.showState(RealtimeTranslationState::capturing());
    return [this, regions = enabledRegionRects()](const QImage& frame) -> MainThreadStep {
        CapturedWindow captured{frame, InterfaceFingerprint::of(frame, regions)};
        return [this, captured = std::move(captured)] { handleCapturedWindow(captured); };
    };
}

void InterfaceSession::handleCapturedWindow(const CapturedWindow& captured) {
    const bool changed = InterfaceFingerprint::frameChanged(
        m_previousFingerprint, captured.fingerprint,
        m_parts.settings.doubleValue(SettingsKeys::ocrFrameChangeThreshold, SettingsDefaults::ocrFrameChangeThreshold));
    m_loop.recordFrame(changed);
    if (!changed) {
        SessionMetrics::shared().increment(SessionMetrics::Counter::unchangedFrames);
        if (!m_forceVerification) return;
    } else {
        m_interfaceEmptyRetryAvailable = true;
    }
    m_forceVerification = false;
    if (!m_scheduler.hasPendingWork()) m_loop.showState(RealtimeTranslationState::recognizing());
    recognizeInterface(captured.frame);
}

void InterfaceSession::recognizeInterface(const QImage& frame) {
    m_loop.recognize([this, frame](TextRecognizer& recognizer) -> MainThreadStep {
        auto blocks = InterfaceRecognition::performInterfaceRecognition(recognizer, frame);
        return [this, blocks = std::move(blocks)] {
            if (blocks)
                handleInterfaceBlocks(*blocks, std::nullopt);
            else
                handleInterfaceBlocks({}, blocks.error());
        };
    });
}

void InterfaceSession::handleInterfaceBlocks(const QList<UIOCRTextBlock>& blocks, const std::optional<QString>& error) {
    if (error) {
        m_interfaceRefreshRequested = false;
        m_loop.showState(RealtimeTranslationState::error(QStringLiteral("界面 OCR 失败：") + *error));
        return;
    }
    const QList<QRectF> regions = enabledRegionRects();
    QList<InterfaceBlockVerdict> verdicts;
    QList<UIOCRTextBlock> accepted;
    for (const UIOCRTextBlock& block : blocks) {
        InterfaceBlockVerdict verdict{block, UIElementClassifier::classify(block.text),
                                      InterfaceRecognition::rejectionOf(block, regions, m_enabledKinds)};
        if (!verdict.rejection) accepted.append(block);
        verdicts.append(std::move(verdict));
    }
    AppLogger::shared().info(kOcr, QStringLiteral("界面 OCR 原始 %1 个、可用 %2 个、启用区域 %3 个")
                                       .arg(blocks.size())
                                       .arg(accepted.size())
                                       .arg(regions.size()));
    m_client.interfaceRecognized(verdicts);

    QSet<QString> signatures;
    for (const UIOCRTextBlock& block : accepted)
        if (const QString key = interfaceBlockKey(block); !key.isEmpty()) signatures.insert(key);
    m_interfaceBlocks = accepted;

    if (accepted.isEmpty()) {
        m_interfaceLastSignatures.clear();
        updateInterfaceOverlays({});
        if (isRunning() && m_interfaceEmptyRetryAvailable) {
            m_interfaceEmptyRetryAvailable = false;
            m_loop.showState(RealtimeTranslationState::recognizing());
            scheduleInterfaceOCRRetry();
            return;
        }
        const bool refreshRequested = std::exchange(m_interfaceRefreshRequested, false);
        m_loop.showState(refreshRequested
                             ? RealtimeTranslationState::error(QStringLiteral("界面 OCR 未识别到可翻译文字，请检查 UI 区域或文字类型"))
                             : RealtimeTranslationState::capturing());
        return;
    }

    QSet<QString> visible;
    for (const UIOCRTextBlock& block : accepted)
        if (m_parts.overlays.isPanelVisible(interfacePanelKey(block))) visible.insert(interfaceBlockKey(block));
    const bool refreshRequested = std::exchange(m_interfaceRefreshRequested, false);
    if (!refreshRequested && signatures == m_interfaceLastSignatures && visible.contains(signatures)) {
        m_loop.showState(RealtimeTranslationState::showingResult());
        return;
    }
    m_interfaceLastSignatures = signatures;
    updateInterfaceOverlays(accepted);
    if (!m_scheduler.hasPendingWork()) m_loop.showState(RealtimeTranslationState::showingResult());
}

void InterfaceSession::updateInterfaceOverlays(const QList<UIOCRTextBlock>& blocks) {
    QSet<QString> panelKeys, sourceKeys;
    for (const UIOCRTextBlock& block : blocks) {
        panelKeys.insert(interfacePanelKey(block));
        sourceKeys.insert(uiComparisonForm(block.text));
    }
    m_parts.overlays.keepOnlyPanels(panelKeys);
    m_scheduler.pruneQueue(sourceKeys);
    for (const UIOCRTextBlock& block : blocks) {
        if (const auto stored = m_parts.storedTranslations.resolve(block.text)) {
            m_parts.overlays.showInterfaceTranslation(block, stored->translation, stored->manuallyCorrected);
            m_client.interfaceAnswered(block, stored->translation, originOf(*stored));
        } else {
            m_scheduler.requestInterfaceTranslation(block);
        }
    }
}

void InterfaceSession::scheduleInterfaceOCRRetry() {
    m_forceVerification = true;
    const int revision = m_loop.revision();
    QTimer::singleShot(kEmptyRetryDelayMs, this, [this, revision] {
        if (isRunning() && m_loop.revision() == revision) m_loop.captureFrame();
    });
}

void InterfaceSession::interfaceTranslationStarted() { m_loop.showState(RealtimeTranslationState::translating()); }

void InterfaceSession::interfaceTranslationArrived(const QString& sourceKey, const QString& sourceText,
                                                   const QString& translation) {
    m_parts.storedTranslations.saveAutomatic(sourceText, translation);
    for (const UIOCRTextBlock& block : std::as_const(m_interfaceBlocks)) {
        if (uiComparisonForm(block.text) != sourceKey) continue;
        // A correction the user saved meanwhile stays on screen.
        const auto stored = m_parts.storedTranslations.resolve(block.text);
        if (stored && stored->manuallyCorrected) continue;
        m_parts.overlays.showInterfaceTranslation(block, translation, false);
        m_client.interfaceAnswered(block, translation, InterfaceAnswerOrigin::translated);
    }
}

void InterfaceSession::interfaceTranslationFailed(const QString& message) {
    m_loop.showState(RealtimeTranslationState::error(message));
}

void InterfaceSession::interfaceTranslationsSettled() {
    m_loop.showState(m_parts.overlays.panelCount() > 0 ? RealtimeTranslationState::showingResult()
                                                       : RealtimeTranslationState::capturing());
}

}  // namespace ovisu
