#include "capture/CaptureRegionGeometry.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace ovisu {

namespace {

bool isFinite(const QRectF& rect) {
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

bool hasArea(const QRectF& rect) { return rect.width() > 0 && rect.height() > 0; }

// The sanitised region in the pixels of an image of the given size; empty when unusable.
QRectF pixelRegion(const QSize& imageSize, const std::optional<QRectF>& normalizedRegion) {
    const std::optional<QRectF> region = CaptureRegionGeometry::sanitizedTopLeftNormalized(normalizedRegion);
    if (!region)
        return {};
    const double width = imageSize.width();
    const double height = imageSize.height();
    return QRectF(region->x() * width, region->y() * height, region->width() * width, region->height() * height);
}

// Rounded outward to whole pixels and clipped to the image; none when 4 pixels or less either way.
std::optional<QRect> wholePixels(const QRectF& rect, const QSize& imageSize) {
    const QRect bounds(QPoint(0, 0), imageSize);
    if (!hasArea(rect))
        return std::nullopt;
    const QRect integral = rect.toAlignedRect().intersected(bounds);
    if (integral.width() <= 4 || integral.height() <= 4)
        return std::nullopt;
    return integral;
}

}  // namespace

std::optional<QRectF> CaptureRegionGeometry::sanitizedTopLeftNormalized(const std::optional<QRectF>& region) {
    if (!region || !isFinite(*region) || !hasArea(*region))
        return std::nullopt;
    const QRectF inside = region->normalized().intersected(QRectF(0, 0, 1, 1));
    if (inside.isNull() || !hasArea(inside))
        return std::nullopt;
    return inside;
}

std::optional<QRect> CaptureRegionGeometry::cropRectForOCR(const QSize& imageSize,
                                                          const std::optional<QRectF>& normalizedRegion) {
    if (!normalizedRegion || imageSize.isEmpty())
        return std::nullopt;
    const QRectF region = pixelRegion(imageSize, normalizedRegion);
    if (!hasArea(region))
        return std::nullopt;
    const QRectF widened = region.adjusted(-0.02 * region.width(), -0.08 * region.height(), 0.02 * region.width(),
                                           0.16 * region.height());
    return wholePixels(widened.intersected(QRectF(QPointF(0, 0), QSizeF(imageSize))), imageSize);
}

std::optional<QImage> CaptureRegionGeometry::cropImageForOCR(const QImage& image,
                                                            const std::optional<QRectF>& normalizedRegion) {
    if (image.isNull())
        return std::nullopt;
    const std::optional<QRect> rect = cropRectForOCR(image.size(), normalizedRegion);
    if (!rect)
        return std::nullopt;
    return image.copy(*rect);
}

std::optional<QRectF> CaptureRegionGeometry::selectedAreaInCrop(const QSize& imageSize,
                                                                const std::optional<QRectF>& normalizedRegion) {
    const std::optional<QRect> crop = cropRectForOCR(imageSize, normalizedRegion);
    if (!crop) return std::nullopt;
    const QRectF region = pixelRegion(imageSize, normalizedRegion).intersected(QRectF(*crop));
    const double width = crop->width();
    const double height = crop->height();
    return QRectF((region.left() - crop->left()) / width, (crop->bottom() + 1 - region.bottom()) / height,
                  region.width() / width, region.height() / height);
}

std::optional<QRect> CaptureRegionGeometry::previewRect(const QSize& imageSize,
                                                       const std::optional<QRectF>& normalizedRegion) {
    if (imageSize.isEmpty())
        return std::nullopt;
    return wholePixels(pixelRegion(imageSize, normalizedRegion), imageSize);
}

QSizeF CaptureRegionGeometry::previewWindowSize(const QSize& cutSize) {
    if (cutSize.width() <= 0)
        return QSizeF(cutSize);
    const double factor = std::min(760.0 / cutSize.width(), 1.0);
    return QSizeF(cutSize.width() * factor, cutSize.height() * factor);
}

double CaptureRegionGeometry::captureScale(const QRectF& windowFrame, const QList<DisplayScreen>& screens) {
    const auto main = std::find_if(screens.cbegin(), screens.cend(), [](const DisplayScreen& s) { return s.isMain; });
    double scale = main != screens.cend() ? main->scaleFactor : 2.0;
    // Starts below zero so that the first screen is taken even when the window lies on none.
    double largestArea = -1;
    for (const DisplayScreen& screen : screens) {
        const QRectF overlap = screen.bounds.intersected(windowFrame);
        const double area = hasArea(overlap) ? overlap.width() * overlap.height() : 0.0;
        if (area > largestArea) {
            largestArea = area;
            scale = screen.scaleFactor;
        }
    }
    return scale;
}

QRectF CaptureRegionGeometry::logicalRect(const QRectF& deviceRect, const QList<DisplayScreen>& screens) {
    const DisplayScreen* chosen = nullptr;
    double largestArea = -1;
    for (const DisplayScreen& screen : screens) {
        const QRectF deviceBounds(screen.bounds.topLeft(), screen.bounds.size() * screen.scaleFactor);
        const QRectF overlap = deviceBounds.intersected(deviceRect);
        const double area = hasArea(overlap) ? overlap.width() * overlap.height() : 0.0;
        if (area > largestArea) {
            largestArea = area;
            chosen = &screen;
        }
    }
    if (!chosen || !(chosen->scaleFactor > 0)) return deviceRect;
    const QPointF origin = chosen->bounds.topLeft();
    const double scale = chosen->scaleFactor;
    return QRectF(origin + (deviceRect.topLeft() - origin) / scale, deviceRect.size() / scale);
}

QSize CaptureRegionGeometry::capturePixelSize(const QRectF& windowFrame, double scale) {
    const auto pixels = [scale](double length) {
        const double product = std::trunc(scale * length);
        if (!std::isfinite(product) || product < 1)
            return 1;
        return static_cast<int>(std::min(product, 32767.0));  // QImage's largest side
    };
    return QSize(pixels(windowFrame.width()), pixels(windowFrame.height()));
}

std::optional<QRectF> CaptureRegionGeometry::selectedCaptureRect(const std::optional<QRectF>& windowFrame,
                                                                 const std::optional<QRectF>& normalizedRegion) {
    if (!windowFrame || !normalizedRegion)
        return std::nullopt;
    const QRectF& frame = *windowFrame;
    const QRectF& region = *normalizedRegion;
    return QRectF(frame.x() + region.x() * frame.width(), frame.y() + region.y() * frame.height(),
                  region.width() * frame.width(), region.height() * frame.height());
}

QPointF CaptureRegionGeometry::clampedToView(const QPointF& point, const QSizeF& viewSize) {
    return QPointF(std::clamp(point.x(), 0.0, std::max(viewSize.width(), 0.0)),
                   std::clamp(point.y(), 0.0, std::max(viewSize.height(), 0.0)));
}

QRectF CaptureRegionGeometry::selectionBetween(const QPointF& dragStart, const QPointF& point) {
    return QRectF(std::min(dragStart.x(), point.x()), std::min(dragStart.y(), point.y()),
                  std::abs(point.x() - dragStart.x()), std::abs(point.y() - dragStart.y()));
}

bool CaptureRegionGeometry::isAcceptedSelection(const QRectF& selection) {
    return selection.width() >= minimumSelectionSide && selection.height() >= minimumSelectionSide;
}

std::optional<QRectF> CaptureRegionGeometry::normalizedSelection(const QRectF& selection, const QSizeF& viewSize) {
    if (!(viewSize.width() > 0) || !(viewSize.height() > 0))
        return std::nullopt;
    return QRectF(selection.x() / viewSize.width(), selection.y() / viewSize.height(),
                  selection.width() / viewSize.width(), selection.height() / viewSize.height());
}

std::expected<void, QString> CaptureRegionGeometry::persistRegion(SettingsStore& settings,
                                                                   std::optional<QRectF>& region) {
    const std::optional<QRectF> usable = sanitizedTopLeftNormalized(region);
    if (!usable)
        return settings.remove(SettingsKeys::normalizedRegion);
    region = usable;
    return settings.setDictionary(SettingsKeys::normalizedRegion, QJsonObject{
                                                                     {QStringLiteral("x"), usable->left()},
                                                                     {QStringLiteral("y"), usable->top()},
                                                                     {QStringLiteral("width"), usable->width()},
                                                                     {QStringLiteral("height"), usable->height()},
                                                                 });
}

std::optional<QRectF> CaptureRegionGeometry::restoreRegion(SettingsStore& settings) {
    const std::optional<QJsonObject> stored = settings.dictionaryValue(SettingsKeys::normalizedRegion);
    if (!stored)
        return std::nullopt;
    const QJsonValue x = stored->value(QStringLiteral("x"));
    const QJsonValue y = stored->value(QStringLiteral("y"));
    const QJsonValue width = stored->value(QStringLiteral("width"));
    const QJsonValue height = stored->value(QStringLiteral("height"));
    // A malformed entry is ignored but not destroyed.
    if (!x.isDouble() || !y.isDouble() || !width.isDouble() || !height.isDouble())
        return std::nullopt;
    if (!(width.toDouble() > 0) || !(height.toDouble() > 0))
        return std::nullopt;

    std::optional<QRectF> region = QRectF(x.toDouble(), y.toDouble(), width.toDouble(), height.toDouble());
    if (!sanitizedTopLeftNormalized(region)) {
        (void)settings.remove(SettingsKeys::normalizedRegion);
        return std::nullopt;
    }
    // Writing back the clamped values is tidiness only: a failed write is repeated harmlessly at
    // the next start, which clamps the same way.
    (void)persistRegion(settings, region);
    return region;
}

}  // namespace ovisu
