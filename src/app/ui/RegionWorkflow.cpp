#include "app/ui/RegionWorkflow.h"

#include "app/ModeCoordinator.h"
#include "app/ui/MainWindow.h"
#include "capture/RegionControls.h"
#include "capture/ui/RegionPicker.h"
#include "dialogue/RealtimeSession.h"

namespace ovisu {

RegionWorkflow::RegionWorkflow(MainWindow& window, ModeCoordinator& modes, RealtimeSession& session, QObject* parent)
    : QObject(parent), m_window(window), m_modes(modes), m_session(session), m_picker(std::make_unique<RegionPicker>()) {
    connect(&window, &MainWindow::primaryRegionActionRequested, this, &RegionWorkflow::primaryRegionAction);
    connect(&window, &MainWindow::showRegionRequested, this, &RegionWorkflow::showRegion);
    connect(&window, &MainWindow::clearRegionRequested, this, &RegionWorkflow::clearRegion);
    connect(&modes, &ModeCoordinator::regionChanged, this, &RegionWorkflow::updateRegionControls);
}

RegionWorkflow::~RegionWorkflow() = default;

// The user may have picked a window while the list was refreshed under it.
void RegionWorkflow::followChosenTarget() { m_modes.followChosenTarget(m_window.selectedTargetIndex()); }

void RegionWorkflow::primaryRegionAction() {
    if (m_session.translationMode() == TranslationMode::interface) {
        m_window.setStatusText(QStringLiteral("界面模式尚未开放，请先切换到对白模式"));
        return;
    }
    selectRegion();
}

void RegionWorkflow::selectRegion() {
    followChosenTarget();
    if (!m_session.selectedTarget()) {
        m_window.setStatusText(QStringLiteral("请先选择目标窗口"));
        return;
    }
    const QRect listedFrame = m_session.selectedTarget()->frame();
    m_modes.captureTargetStill([this, listedFrame](const ModeCoordinator::TargetStill& still) {
        if (!still.image) {
            m_window.setStatusText(QStringLiteral("读取失败：") + (still.image.error().message.isEmpty()
                                                                     ? QStringLiteral("请允许屏幕录制")
                                                                     : still.image.error().message));
            return;
        }
        // The still sits exactly where the window is; the frame may have moved since the listing.
        m_picker->presentRegionPicker(*still.image, QRectF(still.frame.value_or(listedFrame)),
                                      [this](const QRectF& region) {
                                          m_window.setStatusText(QStringLiteral("字幕区域已保存"));
                                          m_modes.saveMarkedRegion(region);
                                      });
    });
}

void RegionWorkflow::showRegion() {
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
    m_modes.storeRegion(std::nullopt);
    m_window.setStatusText(QStringLiteral("字幕区域已删除"));
}

void RegionWorkflow::updateRegionControls() {
    m_window.setRegionControls(
        RegionControls::make(m_session.translationMode(), m_session.normalizedRegion().has_value(), 0, 0));
}

}  // namespace ovisu
