#include "app/ModeCoordinator.h"

#include "app/TargetArguments.h"
#include "base/AppLogger.h"
#include "capture/CaptureRegionGeometry.h"
#include "capture/WindowListing.h"
#include "dialogue/RealtimeSession.h"
#include "dialogue/TranslationPipeline.h"
#include "engine/ProviderSelection.h"
#include "engine/TranslationProfiles.h"
#include "interface/InterfaceSession.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace ovisu {
namespace {

const QString kApp = QStringLiteral("app");

std::optional<quint32> windowIDOf(const std::optional<TargetWindow>& target) {
    return target ? std::optional(target->windowID()) : std::nullopt;
}

}  // namespace

ModeCoordinator::ModeCoordinator(SettingsStore& settings, WindowCapture& capture, RealtimeSession& session,
                                 InterfaceSession& interfaceSession, TranslationPipeline& pipeline,
                                 TranslationProfiles& profiles, ClipboardSource& clipboardSource, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_capture(capture),
      m_session(session),
      m_interface(interfaceSession),
      m_pipeline(pipeline),
      m_profiles(profiles),
      m_clipboard(std::make_unique<ClipboardMonitor>(settings, pipeline, clipboardSource, *this)) {
    m_stillPool.setMaxThreadCount(1);
}

ModeCoordinator::~ModeCoordinator() { m_stillPool.waitForDone(); }

void ModeCoordinator::restoreAtLaunch() {
    m_clipboard->restoreClipboardMonitoringAtLaunch();
    m_session.setRegion(CaptureRegionGeometry::restoreRegion(m_settings));
}

void ModeCoordinator::prepareForQuit() {
    stopSessions();
    m_interface.clearInterfaceOverlays(true);
    // Quitting is not switching the mode off: the next launch restores it.
    if (m_clipboard->isPolling()) m_clipboard->suspendClipboardMonitoringForQuit();
    m_pipeline.cancelActiveTranslation(true);
    m_stillPool.waitForDone();
}

// Targets ---------------------------------------------------------------------------------

std::optional<ModeCoordinator::TargetList> ModeCoordinator::refreshTargets() {
    const auto targets = eligibleTargets(m_capture);
    if (!targets) {
        m_session.showWindowListingFailure(targets.error());
        return std::nullopt;
    }
    m_targets = *targets;
    TargetList list;
    for (const auto& target : m_targets) list.titles << target.title;
    const RememberedTarget remembered = WindowListing::rememberedTarget(m_settings);
    const auto index =
        WindowListing::chooseSelection(m_targets, windowIDOf(m_session.selectedTarget()), remembered.windowID, remembered.title);
    if (index) {
        list.selectedIndex = static_cast<int>(*index);
        setTargetOfBothModes(m_targets[*index]);
    }
    AppLogger::shared().info(QStringLiteral("capture"), QStringLiteral("找到 %1 个可选窗口").arg(m_targets.size()));
    m_session.showState(RealtimeTranslationState::idle());
    return list;
}

void ModeCoordinator::chooseTarget(int index) {
    if (index < 0 || index >= m_targets.size()) return;
    stopSessions();
    const TargetWindow& target = m_targets[index];
    setTargetOfBothModes(target);
    rememberTarget(target);
    storeRegion(std::nullopt);
}

void ModeCoordinator::followChosenTarget(int index) {
    if (index >= 0 && index < m_targets.size()) setTargetOfBothModes(m_targets[index]);
}

void ModeCoordinator::setTargetOfBothModes(const TargetWindow& target) {
    m_session.setTarget(target);
    m_interface.setTarget(target);
}

void ModeCoordinator::rememberTarget(const TargetWindow& target) {
    if (const auto stored = WindowListing::rememberTarget(m_settings, target); !stored)
        AppLogger::shared().error(kApp, stored.error());
}

// Region ----------------------------------------------------------------------------------

// The stored form is the sanitised one, and the session reads exactly that.
void ModeCoordinator::storeRegion(std::optional<QRectF> normalizedRegion) {
    if (const auto persisted = CaptureRegionGeometry::persistRegion(m_settings, normalizedRegion); !persisted)
        AppLogger::shared().error(kApp, persisted.error());
    m_session.setRegion(normalizedRegion);
    emit regionChanged();
}

void ModeCoordinator::saveMarkedRegion(const QRectF& normalizedRegion) {
    if (m_session.selectedTarget()) rememberTarget(*m_session.selectedTarget());
    storeRegion(normalizedRegion);
}

void ModeCoordinator::captureTargetStill(std::function<void(const TargetStill&)> done) {
    const auto windowID = windowIDOf(m_session.selectedTarget());
    if (!windowID) return;
    QPointer<ModeCoordinator> guard(this);
    WindowCapture* capture = &m_capture;
    m_stillPool.start([guard, capture, id = *windowID, done = std::move(done)] {
        auto still = std::make_shared<TargetStill>(TargetStill{capture->captureWindow(id), std::nullopt});
        if (const auto frame = capture->windowFrame(id)) still->frame = *frame;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, id, done, still] {
                if (!guard || windowIDOf(guard->m_session.selectedTarget()) != id) return;
                done(*still);
            },
            Qt::QueuedConnection);
    });
}

std::optional<QRectF> ModeCoordinator::subtitleRectOnScreen() const {
    const auto& target = m_session.selectedTarget();
    if (!target) return std::nullopt;
    const auto frame = m_capture.windowFrame(target->windowID());
    return CaptureRegionGeometry::selectedCaptureRect(QRectF(frame.value_or(target->frame())),
                                                     m_session.normalizedRegion());
}

std::optional<QRectF> ModeCoordinator::targetFrameOnScreen() const {
    const auto& target = m_session.selectedTarget();
    if (!target) return std::nullopt;
    return QRectF(m_capture.windowFrame(target->windowID()).value_or(target->frame()));
}

// Modes -----------------------------------------------------------------------------------

void ModeCoordinator::changeMode(TranslationMode mode) {
    const bool wasRunning = isRealtimeSessionRunning();
    if (m_session.isRunning()) m_session.stopTranslation();
    m_interface.leaveMode();
    // Stores the mode and resets the dialogue's detection; nothing runs any more to resume.
    m_session.translationModeChanged(mode);
    if (!wasRunning) return;
    QTimer::singleShot(0, this, [this] {
        if (!isRealtimeSessionRunning()) toggleTranslation();
    });
}

TranslationMode ModeCoordinator::translationMode() const { return m_session.translationMode(); }

void ModeCoordinator::stopSessions() {
    if (m_session.isRunning()) m_session.stopTranslation();
    if (m_interface.isRunning()) m_interface.stopTranslation();
}

void ModeCoordinator::toggleTranslation() {
    if (translationMode() == TranslationMode::dialogue) {
        m_session.toggleTranslation();
        return;
    }
    // The dialogue session tells the clipboard mode itself when it starts; this one does not.
    if (!m_interface.isRunning()) realtimeSessionStarting();
    m_interface.toggleTranslation();
}

void ModeCoordinator::performManualOCR() {
    if (translationMode() == TranslationMode::dialogue) {
        m_session.performManualOCR();
        return;
    }
    if (!m_interface.isRunning()) realtimeSessionStarting();
    m_interface.performManualOCR();
}

const RealtimeTranslationState& ModeCoordinator::realtimeState() const {
    return translationMode() == TranslationMode::interface ? m_interface.state() : m_session.state();
}

void ModeCoordinator::applyUIRegionOutcome(const UIRegionList::Outcome& outcome) {
    if (outcome.realtimeError) m_interface.showState(RealtimeTranslationState::error(*outcome.realtimeError));
    if (outcome.refreshInterface) {
        m_interface.forgetPreviousFingerprint();
        if (translationMode() == TranslationMode::interface) m_interface.refreshInterfaceAfterConfigurationChange();
    }
    if (outcome.changed) emit regionChanged();
}

std::optional<QDateTime> ModeCoordinator::sessionStartedAt() const {
    return translationMode() == TranslationMode::interface ? m_interface.sessionStartedAt() : m_session.sessionStartedAt();
}

QString ModeCoordinator::lastErrorMessage() const {
    return translationMode() == TranslationMode::interface ? m_interface.lastErrorMessage() : m_session.lastErrorMessage();
}

void ModeCoordinator::translationSourceChanged() {
    if (translationMode() == TranslationMode::interface) m_interface.translationSourceChanged();
}

void ModeCoordinator::realtimeSessionStarting() {
    if (m_clipboard->clipboardMonitoringEnabled()) m_clipboard->stopClipboardMonitoring(false);
}

std::expected<QString, QString> ModeCoordinator::applyTranslationProfile(const QString& name) {
    const auto profile = m_profiles.profileNamed(name);
    if (!profile) return std::unexpected(QString());
    stopSessions();
    const Provider before = m_pipeline.selection().currentProvider();
    auto applied = m_profiles.applyTranslationProfile(*profile);
    // Automatic interface answers always come from the source in use.
    if (applied && translationMode() == TranslationMode::interface && m_pipeline.selection().currentProvider() != before)
        m_interface.dropAnswersOfPreviousSource();
    return applied;
}

// The clipboard mode's hooks ----------------------------------------------------------------

void ModeCoordinator::updateState(const RealtimeTranslationState& state) { m_session.showState(state); }
bool ModeCoordinator::isRealtimeSessionRunning() const { return m_session.isRunning() || m_interface.isRunning(); }
void ModeCoordinator::stopTranslation() { stopSessions(); }
void ModeCoordinator::startSessionClockIfNeeded() { m_session.startSessionClockIfNeeded(); }

}  // namespace ovisu
