#pragma once

#include <QWindow>

namespace ovisu {

// Window-manager hints for the overlay panel that Qt has no words for. Each does nothing unless
// the application runs on the xcb platform.
class X11OverlayWindowHints {
public:
    // Shows the window on every virtual desktop (_NET_WM_DESKTOP = 0xFFFFFFFF): set on the window
    // for the next map, and asked of the window manager for a window already shown.
    static void showOnAllDesktops(QWindow* window);
    // Asks a compositor that offers it (KWin's _KDE_NET_WM_BLUR_BEHIND_REGION) to blur what is
    // behind the whole window; most X11 compositors do not, and then nothing changes.
    static void setBlurBehind(QWindow* window, bool enabled);
    // Asks a compositor of the compton family (picom and its kin: _COMPTON_SHADOW) to draw the
    // window's shadow or not; the window manager alone draws none, and then nothing changes.
    static void setCompositorShadow(QWindow* window, bool enabled);
};

}  // namespace ovisu
