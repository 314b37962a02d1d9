#pragma once

#include "capture/TargetWindow.h"
#include "capture/TranslationMode.h"
#include "capture/WindowCapture.h"
#include "clipboard/ClipboardMonitor.h"
#include "interface/UIRegionList.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QStringList>
#include <QThreadPool>

#include <expected>
#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class ClipboardSource;
class InterfaceSession;
class RealtimeSession;
class SettingsStore;
class TranslationPipeline;
class TranslationProfiles;

// The rules between the program's areas, kept out of the windows: the dialogue session, the
// interface session and the clipboard mode exclude each other, and the stored mode says which
// session the primary action and the one-shot recognition drive; a window belongs to one target at a time, and a region to
// the window it was marked on; a profile applies to a stopped session; quitting keeps each mode
// as the user left it. It owns the clipboard mode, whose hooks it answers, and hands what only
// the desktop can do (panels, pages, menus) on as signals.
class ModeCoordinator : public QObject, public ClipboardMonitorClient {
    Q_OBJECT
public:
    ModeCoordinator(SettingsStore& settings, WindowCapture& capture, RealtimeSession& session,
                    InterfaceSession& interfaceSession, TranslationPipeline& pipeline, TranslationProfiles& profiles,
                    ClipboardSource& clipboardSource, QObject* parent = nullptr);
    ~ModeCoordinator() override;

    ClipboardMonitor& clipboard() { return *m_clipboard; }

    // Launch: the clipboard mode and the region as they were when the program last ran.
    void restoreAtLaunch();
    // Quit: stop what runs without storing it as switched off.
    void prepareForQuit();

    // The windows worth offering, with the one to select (the current one, else the remembered
    // one); the session follows the selection. A failure is shown as the session's state.
    struct TargetList {
        QStringList titles;
        int selectedIndex = -1;
    };
    std::optional<TargetList> refreshTargets();
    const QList<TargetWindow>& targets() const { return m_targets; }
    // The user picked another window: stop, follow it, remember it, and forget the region,
    // which was marked on the window before.
    void chooseTarget(int index);
    // Make sure the session follows the window shown as chosen (it may have been picked while
    // the list was refreshed under it).
    void followChosenTarget(int index);

    // The region marked on the current target, stored in its sanitised form and followed by the
    // session; nothing forgets it.
    void storeRegion(std::optional<QRectF> normalizedRegion);
    // A region the user has just marked: the target it was marked on is remembered with it.
    void saveMarkedRegion(const QRectF& normalizedRegion);

    // A still of the chosen window and where the window is now, taken off the main thread so a
    // slow X server never freezes the windows. `done` runs on the main thread, unless the target
    // changed meanwhile (the still would belong to another window).
    struct TargetStill {
        std::expected<QImage, CaptureFailure> image;
        std::optional<QRect> frame;
    };
    void captureTargetStill(std::function<void(const TargetStill&)> done);
    // Where the subtitle region is on the screen now (the window may have moved), in the display
    // server's pixels; nothing without a target.
    std::optional<QRectF> subtitleRectOnScreen() const;
    // Where the chosen window is now, in the display server's pixels; nothing without a target.
    std::optional<QRectF> targetFrameOnScreen() const;

    // The dialogue/interface switch: what runs stops, interface panels go, and a running session
    // picks up in the new mode.
    void changeMode(TranslationMode mode);
    TranslationMode translationMode() const;

    // Start or stop the session of the current mode.
    void toggleTranslation();
    // The one-shot recognition of the current mode.
    void performManualOCR();
    // The state of the session of the current mode.
    const RealtimeTranslationState& realtimeState() const;
    QString lastErrorMessage() const;
    // When the session of the current mode started, for its run clock.
    std::optional<QDateTime> sessionStartedAt() const;
    // Another translation source: interface mode drops the old source's automatic answers.
    void translationSourceChanged();
    // After an operation on the UI regions: a failed save is shown as the interface mode's
    // error, a changed scope is recognised again, and the region controls follow.
    void applyUIRegionOutcome(const UIRegionList::Outcome& outcome);
    // The realtime session is about to start: the clipboard mode gives way.
    void realtimeSessionStarting();

    // Applies the named profile to a stopped session: the message to show, or why it failed
    // (empty when no profile has that name).
    std::expected<QString, QString> applyTranslationProfile(const QString& name);

    // ClipboardMonitorClient
    void updateState(const RealtimeTranslationState& state) override;
    bool isRealtimeSessionRunning() const override;
    void stopTranslation() override;
    void createOverlayIfNeeded() override { emit overlayWanted(); }
    void startSessionClockIfNeeded() override;
    void renderSettingsPage() override { emit settingsChanged(); }
    void refreshStatusMenu() override { emit statusMenuStale(); }

signals:
    void overlayWanted();
    void settingsChanged();
    void statusMenuStale();
    // The stored region changed (marked, cleared, or forgotten with its target).
    void regionChanged();

private:
    void rememberTarget(const TargetWindow& target);
    void setTargetOfBothModes(const TargetWindow& target);
    void stopSessions();

    SettingsStore& m_settings;
    WindowCapture& m_capture;
    RealtimeSession& m_session;
    InterfaceSession& m_interface;
    TranslationPipeline& m_pipeline;
    TranslationProfiles& m_profiles;
    std::unique_ptr<ClipboardMonitor> m_clipboard;
    QList<TargetWindow> m_targets;
    QThreadPool m_stillPool;  // one thread: stills in turn
};

}  // namespace ovisu
