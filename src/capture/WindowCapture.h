#pragma once

#include "capture/TargetWindow.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <expected>
#include <memory>

class QTextStream;

namespace ovisu {

// Why a call of the window back end failed. Without a display server to talk to (DISPLAY unset,
// the connection refused or lost) no window can be seen at all, and the user needs guidance
// rather than a failed call; every other failure concerns one call or one window.
struct CaptureFailure {
    enum class Kind { failed, displayUnavailable };

    Kind kind = Kind::failed;
    QString message;

    // A plain failure from its description, so back ends can answer with a text.
    CaptureFailure(QString description) : message(std::move(description)) {}  // NOLINT: implicit on purpose
    CaptureFailure(Kind failureKind, QString description) : kind(failureKind), message(std::move(description)) {}

    bool isDisplayUnavailable() const { return kind == Kind::displayUnavailable; }

    friend bool operator==(const CaptureFailure&, const CaptureFailure&) = default;
};

// A command line prints a failure as its description.
QTextStream& operator<<(QTextStream& stream, const CaptureFailure& failure);

// The windows of the desktop and still images of one of them. A capture holds the window alone:
// windows above it (Ovisu's own overlay first of all) never appear, the cursor is not drawn and
// the image is opaque. Failures are values with a readable description, never a blank image.
// Frames and images are in the display server's device pixels, whatever scale Qt draws at.
// The calls may come from any thread, one at a time or at once.
class WindowCapture {
public:
    virtual ~WindowCapture() = default;
    // Every top-level window the platform knows, unfiltered; WindowListing decides which can be targets.
    virtual std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() = 0;
    // The window's client area in global coordinates (origin top-left of the screen, y down).
    virtual std::expected<QRect, CaptureFailure> windowFrame(quint32 windowID) = 0;
    // One image of the window at its pixel size.
    virtual std::expected<QImage, CaptureFailure> captureWindow(quint32 windowID) = 0;
};

// The X11 back end when an X display answers (XWayland included), else one that fails every call
// with the reason. OVISU_WINDOW_CAPTURE=null forces the latter.
std::unique_ptr<WindowCapture> makeWindowCapture();

}  // namespace ovisu
