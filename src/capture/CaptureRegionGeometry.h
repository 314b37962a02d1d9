#pragma once

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// One display: its bounds in Qt's global logical coordinates (top-left origin, y downwards) and
// the number of device pixels per logical unit.
struct DisplayScreen {
    QRectF bounds;
    double scaleFactor = 1.0;
    bool isMain = false;  // the primary screen
    QRectF availableBounds;  // without panels and docks: where floating panels are placed

    friend bool operator==(const DisplayScreen&, const DisplayScreen&) = default;
};

// Conversions between the subtitle region, kept as fractions of the target window (origin at
// its top-left, y downwards), the window's frame on the displays and the pixels of a capture.
class CaptureRegionGeometry {
public:
    // A region that can be used: none without one, with a non-finite value, or with a size that
    // is not positive; otherwise its part inside the unit square, none if nothing is left.
    static std::optional<QRectF> sanitizedTopLeftNormalized(const std::optional<QRectF>& region);

    // The pixel rectangle recognised for a capture of the given size: the region widened by 2 %
    // of its width on each side, 8 % of its height above and 16 % below (recognisers misread
    // glyphs that touch the image edge, and descenders sit low), rounded outward and kept inside
    // the image. None without a usable region or when the result is 4 pixels or less either way.
    static std::optional<QRect> cropRectForOCR(const QSize& imageSize, const std::optional<QRectF>& normalizedRegion);
    static std::optional<QImage> cropImageForOCR(const QImage& image, const std::optional<QRectF>& normalizedRegion);
    // Where the region itself lies inside the crop that cropImageForOCR cuts (which adds margins so
    // that no glyph on the region's edge is cut), normalised to the crop with the origin at its
    // bottom-left, as recognised lines are. None when there is no crop.
    static std::optional<QRectF> selectedAreaInCrop(const QSize& imageSize, const std::optional<QRectF>& normalizedRegion);

    // The region as it is shown in the preview: no margins, rounded outward, clipped to the
    // image; none when 4 pixels or less either way.
    static std::optional<QRect> previewRect(const QSize& imageSize, const std::optional<QRectF>& normalizedRegion);
    // The preview window's content size: the cut, scaled down to at most 760 wide.
    static QSizeF previewWindowSize(const QSize& cutSize);

    // Image pixels per coordinate unit for a window: the scale of the screen that holds the
    // largest part of it (the earlier screen on a tie), else the primary screen's, else 2.
    static double captureScale(const QRectF& windowFrame, const QList<DisplayScreen>& screens);
    // The pixel size of a capture of that frame at that scale, at least 1 × 1.
    static QSize capturePixelSize(const QRectF& windowFrame, double scale);

    // A rectangle in the display server's device pixels (an X11 window frame, or a region of one)
    // in Qt's logical coordinates, which is where widgets are placed. Qt keeps each screen's
    // top-left corner where the server has it and divides distances from there by the screen's
    // scale factor; the screen is the one whose device area holds most of the rectangle (the
    // earlier one on a tie). Unchanged without screens. Everything that places a window over a
    // target converts here, once.
    static QRectF logicalRect(const QRectF& deviceRect, const QList<DisplayScreen>& screens);

    // The region in global display coordinates; none without a target frame or a region.
    static std::optional<QRectF> selectedCaptureRect(const std::optional<QRectF>& windowFrame,
                                                     const std::optional<QRectF>& normalizedRegion);

    // Dragging in the region picker (view coordinates, top-left origin). Points are clamped to
    // the view so the region never leaves the window; the rectangle is the same whichever corner
    // the drag starts from; only a selection of at least 12 × 12 is taken.
    static constexpr double minimumSelectionSide = 12;
    static QPointF clampedToView(const QPointF& point, const QSizeF& viewSize);
    static QRectF selectionBetween(const QPointF& dragStart, const QPointF& point);
    static bool isAcceptedSelection(const QRectF& selection);
    // A selection in view points as fractions of the view (which shows the whole window).
    static std::optional<QRectF> normalizedSelection(const QRectF& selection, const QSizeF& viewSize);

    // Storage under "normalizedRegion" as {"x", "y", "width", "height"}. A region that sanitises
    // to something usable is replaced by its sanitised form and written; otherwise the key is
    // removed and the region left as it was.
    static std::expected<void, QString> persistRegion(SettingsStore& settings, std::optional<QRectF>& region);
    // The stored region at start-up. A missing or malformed entry (a value missing or not a
    // number, a size not positive) is left untouched and gives none. A usable one is sanitised
    // and written back; one that sanitises to nothing is removed.
    static std::optional<QRectF> restoreRegion(SettingsStore& settings);
};

}  // namespace ovisu
