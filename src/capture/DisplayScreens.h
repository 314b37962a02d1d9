#pragma once

#include "capture/CaptureRegionGeometry.h"

namespace ovisu {

// The displays as Qt sees them now, in Qt's order, the primary one marked. Needs a
// QGuiApplication; without one (a command line without a display) the list is empty.
QList<DisplayScreen> currentDisplayScreens();

// A rectangle in device pixels (an X11 window frame) in Qt's logical coordinates on the current
// displays: see CaptureRegionGeometry::logicalRect.
QRectF logicalRectOnDisplays(const QRectF& deviceRect);

// Image pixels per coordinate unit for a window frame on the current displays.
double currentCaptureScale(const QRectF& windowFrame);

}  // namespace ovisu
