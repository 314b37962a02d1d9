#pragma once

#include "overlay/OverlayAppearance.h"
#include "engine/TranslationHistoryRecord.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class OverlayPanel;
class SettingsStore;

// Owns the dialogue overlay panel: creates it on first need, draws the session's translations
// into it, applies the overlay settings and keeps its frame stored.
class OverlayController : public QObject {
    Q_OBJECT
public:
    // The session list lives with the translation pipeline; the controller only reads it.
    using SessionList = std::function<const QList<TranslationHistoryRecord>&()>;
    // Trims that list to a new limit (the history-limit pop-up acts at once).
    using SessionTrimmer = std::function<void(int limit)>;

    OverlayController(SettingsStore& settings, SessionList sessionList, QObject* parent = nullptr);
    ~OverlayController() override;

    void setSessionTrimmer(SessionTrimmer trimmer) { m_trimSession = std::move(trimmer); }

    OverlayPanel* overlay() const { return m_overlay.get(); }  // null until created
    OverlayAppearance appearance() const;

    void createOverlayIfNeeded();
    // After the pipeline added a finished translation: draw it, scrolled to the end, and bring
    // the panel to the front (without taking the focus).
    void showOverlay();
    void renderOverlayText(bool scrollToBottom);
    void applyOverlayStyle();
    void applyOverlayBehavior();
    void resetOverlayBehavior();

    // Both place the panel; it reports the new frame, which is then stored.
    bool restoreOverlayFrame();
    void positionOverlayOnSelectedRegion(std::optional<QRectF> selectedCaptureRect);
    void persistOverlayFrame();

    void toggleOverlayVisibility();
    void toggleOverlayClickThrough();
    void closeOverlayFromHover();
    bool isOverlayVisible() const;
    bool isOverlayClickThrough() const;

    // The history-limit pop-up chose `limit`: stores it, trims the session and redraws at the end.
    void overlayHistoryLimitChanged(int limit);
    // The style window's preset segment.
    void overlayThemePresetChanged(int index);
    // The style window's font buttons: `delta` points, within 12 to 64.
    void changeOverlayFontSize(int delta);
    // The main window's "窗口整体透明度" slider, 0.1 to 1.0.
    void setWindowOpacity(double opacity);

signals:
    void overlayVisibilityChanged(bool visible);
    void overlayClickThroughChanged(bool clickThrough);
    // Behaviour settings were applied: the status menu and an open behaviour page refresh.
    void overlayBehaviorApplied();
    // A preset was stored and applied: the style window is rebuilt if it was showing.
    void overlayThemePresetApplied(int index);
    // A settings write failed; the panel keeps working with the values in memory.
    void settingsWriteFailed(const QString& error);

private:
    void report(const std::expected<void, QString>& result);
    void setOverlayVisible(bool visible);

    SettingsStore& m_settings;
    SessionList m_sessionList;
    SessionTrimmer m_trimSession;
    std::unique_ptr<OverlayPanel> m_overlay;
    bool m_lastVisible = false;
};

}  // namespace ovisu
