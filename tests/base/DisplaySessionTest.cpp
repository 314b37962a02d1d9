#include "base/DisplaySession.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

TEST(DisplaySessionTest, XcbIsForcedOnlyOnAWaylandSessionWithXWaylandAndNoPlatformChosen) {
    struct Case {
        DisplaySessionEnvironment environment;
        bool wayland;
        bool forceXcb;
    };
    const Case cases[] = {
        // A Wayland session is recognised by either variable.
        {{"", "wayland-0", "wayland", ":0"}, true, true},
        {{"", "wayland-0", "", ":0"}, true, true},
        {{"", "", "Wayland", ":1"}, true, true},
        // The user's own platform choice wins, whatever it is.
        {{"wayland", "wayland-0", "wayland", ":0"}, true, false},
        {{"xcb", "wayland-0", "wayland", ":0"}, true, false},
        {{"offscreen", "", "x11", ":0"}, false, false},
        // An empty platform names nothing (Qt ignores it too).
        {{"  ", "wayland-0", "wayland", ":0"}, true, true},
        // Without XWayland there is no X display to run on: Qt keeps its own choice.
        {{"", "wayland-0", "wayland", ""}, true, false},
        // X11 and text consoles are left alone.
        {{"", "", "x11", ":0"}, false, false},
        {{"", "", "tty", ""}, false, false},
        {{"", "", "", ""}, false, false},
    };
    for (const Case& c : cases) {
        const auto& e = c.environment;
        const std::string what = QStringLiteral("QT_QPA_PLATFORM=%1 WAYLAND_DISPLAY=%2 XDG_SESSION_TYPE=%3 DISPLAY=%4")
                                     .arg(e.qpaPlatform, e.waylandDisplay, e.sessionType, e.x11Display)
                                     .toStdString();
        EXPECT_EQ(isWaylandSession(e), c.wayland) << what;
        EXPECT_EQ(shouldForceXcbPlatform(e), c.forceXcb) << what;
    }

    // The explanation of a failed capture names the session's limit only where it applies.
    EXPECT_TRUE(captureFailureExplanation({"", "wayland-0", "wayland", ":0"}).contains("Wayland"));
    EXPECT_FALSE(captureFailureExplanation({"", "", "x11", ":0"}).contains("Wayland"));
}

}  // namespace
}  // namespace ovisu
