#include "capture/DisplayScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace ovisu {

QList<DisplayScreen> currentDisplayScreens() {
    QList<DisplayScreen> screens;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(DisplayScreen{QRectF(screen->geometry()), screen->devicePixelRatio(), screen == primary,
                                     QRectF(screen->availableGeometry())});
    return screens;
}

QRectF logicalRectOnDisplays(const QRectF& deviceRect) {
    return CaptureRegionGeometry::logicalRect(deviceRect, currentDisplayScreens());
}

double currentCaptureScale(const QRectF& windowFrame) {
    return CaptureRegionGeometry::captureScale(windowFrame, currentDisplayScreens());
}

}  // namespace ovisu
