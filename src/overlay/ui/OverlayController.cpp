#include "overlay/ui/OverlayController.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/DisplayScreens.h"
#include "overlay/OverlayGeometry.h"
#include "overlay/OverlayTextRenderer.h"
#include "overlay/ui/OverlayPanel.h"

namespace ovisu {

OverlayController::OverlayController(SettingsStore& settings, SessionList sessionList, QObject* parent)
    : QObject(parent), m_settings(settings), m_sessionList(std::move(sessionList)) {}

OverlayController::~OverlayController() = default;

OverlayAppearance OverlayController::appearance() const { return OverlayAppearance::read(m_settings); }

void OverlayController::report(const std::expected<void, QString>& result) {
    if (!result) emit settingsWriteFailed(result.error());
}

void OverlayController::createOverlayIfNeeded() {
    if (m_overlay) return;
    m_overlay = std::make_unique<OverlayPanel>();
    connect(m_overlay.get(), &OverlayPanel::frameChanged, this, &OverlayController::persistOverlayFrame);
    connect(m_overlay.get(), &OverlayPanel::closeRequested, this, &OverlayController::closeOverlayFromHover);
    applyOverlayStyle();
    applyOverlayBehavior();
}

void OverlayController::setOverlayVisible(bool visible) {
    if (visible) {
        m_overlay->show();
        m_overlay->raise();
    } else if (m_overlay) {
        m_overlay->hide();
    }
    if (visible != m_lastVisible) {
        m_lastVisible = visible;
        emit overlayVisibilityChanged(visible);
    }
}

void OverlayController::presentForSession(bool fresh, std::optional<QRectF> subtitleRect) {
    if (!fresh) {
        presentWhereItWas(subtitleRect);
        return;
    }
    createOverlayIfNeeded();
    renderOverlayText(false);
    positionOverlayOnSelectedRegion(subtitleRect);
    bringToFront();
}

void OverlayController::presentWhereItWas(std::optional<QRectF> subtitleRect) {
    createOverlayIfNeeded();
    if (!restoreOverlayFrame()) positionOverlayOnSelectedRegion(subtitleRect);
    bringToFront();
}

void OverlayController::bringToFront() {
    if (m_overlay) setOverlayVisible(true);
}

void OverlayController::showOverlay() {
    m_hiddenByUser = false;
    createOverlayIfNeeded();
    renderOverlayText(true);
    setOverlayVisible(true);
}

void OverlayController::sessionListChanged() {
    // Shown by other means since (a session start, say): the user's choice no longer holds.
    if (m_hiddenByUser && isOverlayVisible()) m_hiddenByUser = false;
    if (!m_hiddenByUser) {
        showOverlay();
        return;
    }
    renderOverlayText(true);
}

void OverlayController::renderOverlayText(bool scrollToBottom) {
    if (!m_overlay) return;
    static const QList<TranslationHistoryRecord> none;
    const QList<TranslationHistoryRecord>& entries = m_sessionList ? m_sessionList() : none;
    m_overlay->setOverlayText(OverlayTextRenderer::render(entries, appearance()), scrollToBottom);
}

void OverlayController::applyOverlayStyle() {
    if (!m_overlay) return;
    m_overlay->applyStyle(appearance());
    renderOverlayText(false);
}

void OverlayController::applyOverlayBehavior() {
    if (!m_overlay) return;
    const bool wasClickThrough = m_overlay->isClickThrough();
    const OverlayAppearance a = appearance();
    m_overlay->applyBehavior(a);
    renderOverlayText(false);
    if (wasClickThrough != a.clickThrough) emit overlayClickThroughChanged(a.clickThrough);
    emit overlayBehaviorApplied();
}

void OverlayController::resetOverlayBehavior() {
    report(ovisu::resetOverlayBehavior(m_settings));
    applyOverlayBehavior();
}

bool OverlayController::restoreOverlayFrame() {
    const auto frame = OverlayGeometry::restoredFrame(m_settings.dictionaryValue(SettingsKeys::overlayFrame),
                                                      currentDisplayScreens());
    if (!frame) return false;
    if (m_overlay) m_overlay->setGeometry(frame->toRect());
    return true;
}

void OverlayController::positionOverlayOnSelectedRegion(std::optional<QRectF> selectedCaptureRect) {
    if (selectedCaptureRect) selectedCaptureRect = logicalRectOnDisplays(*selectedCaptureRect);
    const auto frame = OverlayGeometry::frameOverSelectedRegion(selectedCaptureRect, currentDisplayScreens());
    if (!frame) return;
    createOverlayIfNeeded();
    m_overlay->setGeometry(frame->toRect());
    applyOverlayStyle();
}

void OverlayController::persistOverlayFrame() {
    if (!m_overlay) return;
    report(OverlayGeometry::persistOverlayFrame(m_settings, QRectF(m_overlay->geometry())));
}

void OverlayController::toggleOverlayVisibility() {
    if (isOverlayVisible()) {
        m_hiddenByUser = true;
        setOverlayVisible(false);
    } else {
        m_hiddenByUser = false;
        createOverlayIfNeeded();
        setOverlayVisible(true);
    }
    emit overlayBehaviorApplied();
}

void OverlayController::toggleOverlayClickThrough() {
    const bool clickThrough = !isOverlayClickThrough();
    report(m_settings.setBool(SettingsKeys::overlayClickThrough, clickThrough));
    if (m_overlay) {
        applyOverlayBehavior();
    } else {
        emit overlayClickThroughChanged(clickThrough);
        emit overlayBehaviorApplied();
    }
}

void OverlayController::closeOverlayFromHover() {
    if (!m_overlay) return;
    m_hiddenByUser = true;
    setOverlayVisible(false);
}

bool OverlayController::isOverlayVisible() const { return m_overlay && m_overlay->isVisible(); }

bool OverlayController::isOverlayClickThrough() const { return appearance().clickThrough; }

void OverlayController::overlayHistoryLimitChanged(int limit) {
    report(m_settings.setInt(SettingsKeys::overlayHistoryLimit, limit));
    if (m_trimSession) m_trimSession(limit);
    renderOverlayText(true);
}

void OverlayController::overlayThemePresetChanged(int index) {
    report(applyThemePreset(m_settings, index));
    applyOverlayStyle();
    emit overlayThemePresetApplied(index);
}

void OverlayController::changeOverlayFontSize(int delta) {
    const auto size = stepOverlayFontSize(m_settings, delta);
    if (!size) emit settingsWriteFailed(size.error());
    applyOverlayStyle();
}

void OverlayController::overlayWindowOpacityChanged(double opacity) {
    const double clamped = OverlayAppearance::clampedWindowOpacity(opacity);
    report(m_settings.setDouble(SettingsKeys::overlayWindowOpacity, clamped));
    applyOverlayStyle();
    emit windowOpacityChanged(clamped);
}

}  // namespace ovisu
