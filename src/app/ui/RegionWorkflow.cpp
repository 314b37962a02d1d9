#include "app/ui/RegionWorkflow.h"

#include "app/InterfaceModeParts.h"
#include "app/ModeCoordinator.h"
#include "app/ui/MainWindow.h"
#include "base/DisplaySession.h"
#include "capture/RegionControls.h"
#include "capture/ui/RegionPicker.h"
#include "dialogue/RealtimeSession.h"
#include "base/ui/DestructiveConfirmation.h"

#include <QPushButton>

namespace ovisu {

RegionWorkflow::RegionWorkflow(MainWindow& window, ModeCoordinator& modes, RealtimeSession& session,
                               InterfaceModeParts& interfaceMode, QObject* parent)
    : QObject(parent),
      m_window(window),
      m_modes(modes),
      m_session(session),
      m_interfaceMode(interfaceMode),
      m_picker(std::make_unique<RegionPicker>()) {
    connect(&window, &MainWindow::primaryRegionActionRequested, this, &RegionWorkflow::primaryRegionAction);
    connect(&window, &MainWindow::showRegionRequested, this, &RegionWorkflow::showRegion);
    connect(&window, &MainWindow::clearRegionRequested, this, &RegionWorkflow::clearRegion);
    connect(&modes, &ModeCoordinator::regionChanged, this, &RegionWorkflow::updateRegionControls);
}

RegionWorkflow::~RegionWorkflow() = default;

// The user may have picked a window while the list was refreshed under it.
void RegionWorkflow::followChosenTarget() { m_modes.followChosenTarget(m_window.selectedTargetIndex()); }

bool RegionWorkflow::inInterfaceMode() const { return m_modes.translationMode() == TranslationMode::interface; }

void RegionWorkflow::primaryRegionAction() {
    if (inInterfaceMode())
        addUIRegion();
    else
        selectRegion();
}

void RegionWorkflow::pickOnStill(const QString& subject, const QString& unknownFailure,
                                 std::function<void(const QRectF&)> picked) {
    followChosenTarget();
    if (!m_session.selectedTarget()) {
        m_window.setStatusText(QStringLiteral("请先选择目标窗口"));
        return;
    }
    const QRect listedFrame = m_session.selectedTarget()->frame();
    m_modes.captureTargetStill([this, listedFrame, subject, unknownFailure, picked = std::move(picked)](
                                   const ModeCoordinator::TargetStill& still) {
        if (!still.image) {
            const QString& description = still.image.error().message;
            m_window.setStatusText(QStringLiteral("读取失败：") + (description.isEmpty() ? unknownFailure : description));
            if (!still.image.error().isDisplayUnavailable())
                m_window.showCaptureExplanationOnce(captureFailureExplanation(DisplaySessionEnvironment::current()));
            return;
        }
        // The still sits exactly where the window is; the frame may have moved since the listing.
        m_picker->presentRegionPicker(*still.image, QRectF(still.frame.value_or(listedFrame)), picked, {}, subject);
    });
}

void RegionWorkflow::selectRegion() {
    pickOnStill(QStringLiteral("字幕区域"), QStringLiteral("请允许屏幕录制"), [this](const QRectF& region) {
        m_window.setStatusText(QStringLiteral("字幕区域已保存"));
        m_modes.saveMarkedRegion(region);
    });
}

void RegionWorkflow::addUIRegion() {
    pickOnStill(QStringLiteral("UI 区域"), QStringLiteral("未知错误"), [this](const QRectF& region) {
        m_modes.applyUIRegionOutcome(m_interfaceMode.regions().add(region));
        m_window.setStatusText(QStringLiteral("已添加 UI 区域，只翻译启用区域内的文字"));
    });
}

void RegionWorkflow::clearUIRegions() {
    if (m_interfaceMode.regions().regions().isEmpty()) return;
    if (!confirmDestructiveAction(&m_window, {QStringLiteral("清空区域"), UIRegionList::clearAllMessage(),
                                              UIRegionList::clearAllInformativeText(),
                                              UIRegionList::clearAllButtonTitle(), UIRegionList::cancelButtonTitle()}))
        return;
    m_modes.applyUIRegionOutcome(m_interfaceMode.regions().clearAll());
}

void RegionWorkflow::showRegion() {
    if (inInterfaceMode()) {
        if (m_openUIRegionEditor) m_openUIRegionEditor();
        return;
    }
    followChosenTarget();
    if (!m_session.selectedTarget() || !m_session.normalizedRegion()) {
        m_window.setStatusText(QStringLiteral("尚未框选字幕区域"));
        return;
    }
    m_modes.captureTargetStill([this](const ModeCoordinator::TargetStill& still) {
        if (!still.image) return;
        if (auto preview = RegionPreviewWindow::create(*still.image, m_session.normalizedRegion()))
            m_previews.present(std::move(preview));
    });
}

void RegionWorkflow::clearRegion() {
    if (inInterfaceMode()) {
        clearUIRegions();
        return;
    }
    m_modes.storeRegion(std::nullopt);
    m_window.setStatusText(QStringLiteral("字幕区域已删除"));
}

void RegionWorkflow::updateRegionControls() {
    const UIRegionList& regions = m_interfaceMode.regions();
    m_window.setRegionControls(RegionControls::make(m_modes.translationMode(), m_session.normalizedRegion().has_value(),
                                                    int(regions.enabledRegions().size()),
                                                    int(regions.regions().size())));
}

}  // namespace ovisu
