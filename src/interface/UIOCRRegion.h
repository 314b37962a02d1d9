#pragma once

#include <QRectF>
#include <QString>
#include <QUuid>

namespace ovisu {

// A named area of the target window that interface mode reads. The rectangle is relative to the
// window's captured image (0 to 1, origin at the top-left, y growing downwards), so it survives
// moving and resizing the game window and a change of the display's scale.
struct UIOCRRegion {
    QUuid id;  // fixed at creation
    QString name;
    QRectF normalizedRect;
    bool isEnabled = true;
    friend bool operator==(const UIOCRRegion&, const UIOCRRegion&) = default;
};

}  // namespace ovisu
