#pragma once

#include "capture/TargetWindow.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <expected>
#include <memory>

namespace ovisu {

// The windows of the desktop and still images of one of them. A capture holds the window alone:
// windows above it (Ovisu's own overlay first of all) never appear, the cursor is not drawn and
// the image is opaque. Failures are values with a readable description, never a blank image.
class WindowCapture {
public:
    virtual ~WindowCapture() = default;
    // Every top-level window the platform knows, unfiltered; WindowListing decides which can be targets.
    virtual std::expected<QList<PlatformWindow>, QString> listWindows() = 0;
    // The window's client area in global coordinates (origin top-left of the screen, y down).
    virtual std::expected<QRect, QString> windowFrame(quint32 windowID) = 0;
    // One image of the window at its pixel size.
    virtual std::expected<QImage, QString> captureWindow(quint32 windowID) = 0;
};

// The X11 back end when an X display answers (XWayland included), else one that fails every call
// with the reason. OVISU_WINDOW_CAPTURE=null forces the latter.
std::unique_ptr<WindowCapture> makeWindowCapture();

}  // namespace ovisu
