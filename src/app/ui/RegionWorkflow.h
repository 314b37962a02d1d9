#pragma once

#include "capture/ui/RegionPreviews.h"

#include <QObject>

#include <QRectF>

#include <functional>
#include <memory>

namespace ovisu {

class InterfaceModeParts;
class MainWindow;
class ModeCoordinator;
class RealtimeSession;
class RegionPicker;

// The subtitle region as the user handles it from the main window, the tray and the hot key:
// mark it on a still of the game, look at it, delete it, and the region buttons that follow. In
// interface mode the same buttons add UI regions, list them and clear them.
class RegionWorkflow : public QObject {
    Q_OBJECT
public:
    RegionWorkflow(MainWindow& window, ModeCoordinator& modes, RealtimeSession& session,
                   InterfaceModeParts& interfaceMode, QObject* parent = nullptr);
    ~RegionWorkflow() override;

    // "框选 / 重选": the picker over a still of the chosen window; "编辑 UI 区域": the same
    // picker adds a UI region.
    void primaryRegionAction();
    // "查看区域": the region drawn over a still of the window, in a window of its own;
    // "打开编辑器": the UI regions and the rule they follow.
    void showRegion();
    // "删除区域"; "清空区域" after the user confirms.
    void clearRegion();
    // The region buttons for the current mode and region.
    void updateRegionControls();
    // "打开编辑器" in interface mode opens this.
    void setUIRegionEditorOpener(std::function<void()> open) { m_openUIRegionEditor = std::move(open); }

    // Picks a rectangle (the subject: what is marked) over a fresh still of the chosen window; a
    // capture that fails without a reason is reported with the given one.
    void pickOnStill(const QString& subject, const QString& unknownFailure, std::function<void(const QRectF&)> picked);

private:
    void selectRegion();
    void addUIRegion();
    void clearUIRegions();
    bool inInterfaceMode() const;
    void followChosenTarget();

    MainWindow& m_window;
    ModeCoordinator& m_modes;
    RealtimeSession& m_session;
    InterfaceModeParts& m_interfaceMode;
    std::unique_ptr<RegionPicker> m_picker;
    RegionPreviews m_previews;
    std::function<void()> m_openUIRegionEditor;
};

}  // namespace ovisu
