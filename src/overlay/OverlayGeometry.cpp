#include "overlay/OverlayGeometry.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"


#include <algorithm>
#include <cmath>

namespace ovisu {
namespace {

bool isLeftEdge(OverlayResizeEdge e) {
    return e == OverlayResizeEdge::left || e == OverlayResizeEdge::topLeft || e == OverlayResizeEdge::bottomLeft;
}
bool isRightEdge(OverlayResizeEdge e) {
    return e == OverlayResizeEdge::right || e == OverlayResizeEdge::topRight || e == OverlayResizeEdge::bottomRight;
}
bool isTopEdge(OverlayResizeEdge e) {
    return e == OverlayResizeEdge::top || e == OverlayResizeEdge::topLeft || e == OverlayResizeEdge::topRight;
}
bool isBottomEdge(OverlayResizeEdge e) {
    return e == OverlayResizeEdge::bottom || e == OverlayResizeEdge::bottomLeft ||
           e == OverlayResizeEdge::bottomRight;
}

std::optional<double> finiteNumber(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble())) return std::nullopt;
    return value.toDouble();
}

}  // namespace

OverlayResizeEdge OverlayGeometry::resizeEdge(const QPointF& p, const QSizeF& size) {
    bool left = p.x() <= edgeBand;
    bool right = p.x() >= size.width() - edgeBand;
    bool top = p.y() <= edgeBand;
    bool bottom = p.y() >= size.height() - edgeBand;
    if (left && right) left = right = false;
    if (top && bottom) top = bottom = false;
    if (bottom && left) return OverlayResizeEdge::bottomLeft;
    if (top && left) return OverlayResizeEdge::topLeft;
    if (bottom && right) return OverlayResizeEdge::bottomRight;
    if (top && right) return OverlayResizeEdge::topRight;
    if (left) return OverlayResizeEdge::left;
    if (right) return OverlayResizeEdge::right;
    if (bottom) return OverlayResizeEdge::bottom;
    if (top) return OverlayResizeEdge::top;
    return OverlayResizeEdge::none;
}

QRectF OverlayGeometry::movedFrame(const QRectF& startFrame, const QPointF& startMouse, const QPointF& mouse) {
    return startFrame.translated(mouse - startMouse);
}

QRectF OverlayGeometry::resizedFrame(OverlayResizeEdge edge, const QRectF& start, const QPointF& startMouse,
                                     const QPointF& mouse) {
    const double dx = mouse.x() - startMouse.x();
    const double dy = mouse.y() - startMouse.y();
    QRectF frame = start;
    if (isLeftEdge(edge)) {
        const double width = std::max(start.width() - dx, minimumWidth);
        frame.setX(start.right() - width);
        frame.setWidth(width);
    } else if (isRightEdge(edge)) {
        frame.setWidth(std::max(start.width() + dx, minimumWidth));
    }
    if (isTopEdge(edge)) {
        const double height = std::max(start.height() - dy, minimumHeight);
        frame.setY(start.bottom() - height);
        frame.setHeight(height);
    } else if (isBottomEdge(edge)) {
        frame.setHeight(std::max(start.height() + dy, minimumHeight));
    }
    return frame;
}

std::optional<qsizetype> OverlayGeometry::bestScreenIndex(const QRectF& rect, const QList<DisplayScreen>& screens) {
    if (screens.isEmpty()) return std::nullopt;
    qsizetype best = 0;
    double bestArea = -1;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRectF overlap = screens[i].bounds.intersected(rect);
        const double area = overlap.isEmpty() ? 0 : overlap.width() * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

QRectF OverlayGeometry::fittedInto(const QRectF& rect, const QRectF& available) {
    const double width = std::min(rect.width(), available.width());
    const double height = std::min(rect.height(), available.height());
    const double x = std::min(std::max(rect.x(), available.left()), available.right() - width);
    const double y = std::min(std::max(rect.y(), available.top()), available.bottom() - height);
    return {x, y, width, height};
}

std::optional<QRectF> OverlayGeometry::fittedFrame(const QRectF& rect, const QList<DisplayScreen>& screens) {
    const auto index = bestScreenIndex(rect, screens);
    if (!index) return std::nullopt;
    return fittedInto(rect, screens[*index].availableBounds);
}

std::optional<QRectF> OverlayGeometry::restoredFrame(const std::optional<QJsonObject>& stored,
                                                     const QList<DisplayScreen>& screens) {
    if (!stored) return std::nullopt;
    const auto x = finiteNumber(*stored, QStringLiteral("x"));
    const auto y = finiteNumber(*stored, QStringLiteral("y"));
    const auto width = finiteNumber(*stored, QStringLiteral("width"));
    const auto height = finiteNumber(*stored, QStringLiteral("height"));
    if (!x || !y || !width || !height) return std::nullopt;
    if (*width < minimumWidth || *height < minimumHeight) return std::nullopt;
    const QRectF frame(*x, *y, *width, *height);
    const auto index = bestScreenIndex(frame, screens);
    if (!index || !screens[*index].bounds.intersects(frame)) return std::nullopt;
    return fittedInto(frame, screens[*index].availableBounds);
}

std::optional<QRectF> OverlayGeometry::frameOverSelectedRegion(const std::optional<QRectF>& region,
                                                               const QList<DisplayScreen>& screens) {
    if (!region || !region->isValid()) return std::nullopt;
    const double width = std::max(region->width(), minimumWidth);
    const double height = std::max(region->height(), minimumHeight);
    const QRectF frame(region->left(), region->bottom() - height, width, height);
    return fittedFrame(frame, screens);
}

QJsonObject OverlayGeometry::frameDictionary(const QRectF& frame) {
    return QJsonObject{{QStringLiteral("x"), frame.x()},
                       {QStringLiteral("y"), frame.y()},
                       {QStringLiteral("width"), frame.width()},
                       {QStringLiteral("height"), frame.height()}};
}

std::expected<void, QString> OverlayGeometry::persistOverlayFrame(SettingsStore& settings, const QRectF& frame) {
    const QJsonObject dictionary = frameDictionary(frame);
    // A move and a resize of one geometry change both report it; the file is written once.
    if (settings.dictionaryValue(SettingsKeys::overlayFrame) == dictionary) return {};
    return settings.setDictionary(SettingsKeys::overlayFrame, dictionary);
}


}  // namespace ovisu
