#pragma once

#include "capture/ui/RegionPreviews.h"

#include <QObject>

#include <memory>

namespace ovisu {

class MainWindow;
class ModeCoordinator;
class RealtimeSession;
class RegionPicker;

// The subtitle region as the user handles it from the main window, the tray and the hot key:
// mark it on a still of the game, look at it, delete it, and the region buttons that follow.
class RegionWorkflow : public QObject {
    Q_OBJECT
public:
    RegionWorkflow(MainWindow& window, ModeCoordinator& modes, RealtimeSession& session, QObject* parent = nullptr);
    ~RegionWorkflow() override;

    // "框选 / 重选": the picker over a still of the chosen window (dialogue mode only).
    void primaryRegionAction();
    // "查看区域": the region drawn over a still of the window, in a window of its own.
    void showRegion();
    // "删除区域".
    void clearRegion();
    // The region buttons for the current mode and region.
    void updateRegionControls();

private:
    void selectRegion();
    void followChosenTarget();

    MainWindow& m_window;
    ModeCoordinator& m_modes;
    RealtimeSession& m_session;
    std::unique_ptr<RegionPicker> m_picker;
    RegionPreviews m_previews;
};

}  // namespace ovisu
