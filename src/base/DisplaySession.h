#pragma once

#include <QString>

namespace ovisu {

// What the environment says about the user's display session, read before Qt picks a platform.
struct DisplaySessionEnvironment {
    QString qpaPlatform;     // QT_QPA_PLATFORM
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString sessionType;     // XDG_SESSION_TYPE
    QString x11Display;      // DISPLAY

    static DisplaySessionEnvironment current();
};

bool isWaylandSession(const DisplaySessionEnvironment& environment);

// Whether the desktop program should run on Qt's xcb platform (through XWayland) rather than
// Qt's choice. The overlay and the interface labels are placed at global positions over the
// game, which Wayland gives no client; the game windows Ovisu can read are X11 windows anyway.
// A platform the user named is kept, and without an X display xcb could not start at all.
bool shouldForceXcbPlatform(const DisplaySessionEnvironment& environment);

// The status line's explanation when a listed window gives no image, in the user's words.
QString captureFailureExplanation(const DisplaySessionEnvironment& environment);

}  // namespace ovisu
