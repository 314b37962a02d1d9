#pragma once

#include "overlay/OverlaySettingsActions.h"

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
class OverlayController : public QObject, public OverlaySettingsActions {
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
    // the panel to the front (without taking the focus), even when the user had hidden it.
    void showOverlay();
    // The session list changed otherwise (a streamed preview grew or was taken back, the list
    // was trimmed or emptied): drawn at once, and shown as for a new result unless the user hid
    // the panel; then it stays hidden until the user shows it or a new result arrives.
    void sessionListChanged();
    void renderOverlayText(bool scrollToBottom);
    void applyOverlayStyle() override;
    void applyOverlayBehavior() override;
    void resetOverlayBehavior() override;

    // Both place the panel; it reports the new frame, which is then stored. The subtitle region
    // is in the display server's device pixels (a region of the X11 window frame).
    bool restoreOverlayFrame();
    void positionOverlayOnSelectedRegion(std::optional<QRectF> selectedCaptureRect);
    // A session starts: a fresh one puts the panel over the subtitles (`subtitleRect`, in the
    // display server's pixels); a resume puts it back where the player left it.
    void presentForSession(bool fresh, std::optional<QRectF> subtitleRect);
    // Where the player left it, else over the subtitles; in front, without taking the focus.
    void presentWhereItWas(std::optional<QRectF> subtitleRect);
    void bringToFront();
    void persistOverlayFrame();

    void toggleOverlayVisibility();
    void toggleOverlayClickThrough();
    void closeOverlayFromHover();
    bool isOverlayVisible() const;
    bool isOverlayClickThrough() const;
    // The user hid the panel (the toggle or its close button) and has not shown it since.
    bool isOverlayHiddenByUser() const { return m_hiddenByUser; }

    // The history-limit pop-up chose `limit`: stores it, trims the session and redraws at the end.
    void overlayHistoryLimitChanged(int limit) override;
    // The style window's preset segment.
    void overlayThemePresetChanged(int index) override;
    // The style window's font buttons: `delta` points, within 12 to 64.
    void changeOverlayFontSize(int delta);
    // The main window's "窗口整体透明度" slider, 0.1 to 1.0.
    void overlayWindowOpacityChanged(double opacity) override;

signals:
    // The window opacity changed (from the settings window or the main window's slider).
    void windowOpacityChanged(double opacity);
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
    bool m_hiddenByUser = false;
};

}  // namespace ovisu
