#pragma once

#include "capture/CaptureRegionGeometry.h"

#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// Where a press on the panel grabs it. Names are as the user sees them: `top` is the band along
// the panel's upper edge.
enum class OverlayResizeEdge { none, left, right, top, bottom, topLeft, topRight, bottomLeft, bottomRight };

// A display in global coordinates (origin top-left, y downwards): its whole area and the part
// not taken by panels and docks.
// The panel's frame rules, in Qt's global coordinates (origin top-left, y downwards).
class OverlayGeometry {
public:
    static constexpr double edgeBand = 16;
    static constexpr double minimumWidth = 360;
    static constexpr double minimumHeight = 150;
    static QRectF initialFrame() { return {160, 100, 820, 260}; }

    // The edge under a point in panel coordinates, corners first; none in the middle, and none
    // along an axis whose two bands overlap (a panel too small to tell them apart).
    static OverlayResizeEdge resizeEdge(const QPointF& point, const QSizeF& size);

    // Dragging: the frame for the mouse at `mouse` after pressing at `startMouse` (global).
    static QRectF movedFrame(const QRectF& startFrame, const QPointF& startMouse, const QPointF& mouse);
    // Resizing keeps the opposite edge in place and never goes below 360 × 150.
    static QRectF resizedFrame(OverlayResizeEdge edge, const QRectF& startFrame, const QPointF& startMouse,
                               const QPointF& mouse);

    // The screen whose area overlaps `rect` most (the earlier one on a tie); none without screens.
    static std::optional<qsizetype> bestScreenIndex(const QRectF& rect, const QList<DisplayScreen>& screens);
    // `rect` shrunk to and moved inside an available area.
    static QRectF fittedInto(const QRectF& rect, const QRectF& available);
    // `rect` fitted into the available area of its best screen; none without screens.
    static std::optional<QRectF> fittedFrame(const QRectF& rect, const QList<DisplayScreen>& screens);

    // The stored "overlayFrame" to restore, fitted to its screen; none when it is missing,
    // incomplete, smaller than 360 × 150, or on no present screen.
    static std::optional<QRectF> restoredFrame(const std::optional<QJsonObject>& stored,
                                               const QList<DisplayScreen>& screens);
    // The frame over the subtitle region (global coordinates): at least 360 × 150, grown upwards
    // and to the right so the region's lower-left corner stays put, then fitted to its screen.
    static std::optional<QRectF> frameOverSelectedRegion(const std::optional<QRectF>& region,
                                                         const QList<DisplayScreen>& screens);

    static QJsonObject frameDictionary(const QRectF& frame);
    // Stores the frame as "overlayFrame"; the settings file is left alone when it holds that frame already.
    static std::expected<void, QString> persistOverlayFrame(SettingsStore& settings, const QRectF& frame);
};

}  // namespace ovisu
