#include "interface/InterfaceFingerprint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>

namespace ovisu {

namespace {

// A cell that moves by this many grey levels holds a new word: one changed digit of 20-pixel
// text moves a cell of the quarter-size picture by tens of levels, while a picture that brightens
// a little leaves every cell within a few.
constexpr int kWordChange = 24;

QSize thumbnailSize(QSize crop, QSize minimum) {
    const QSize reduced = crop / InterfaceFingerprint::reduction;
    const QSize bounded = reduced.boundedTo(InterfaceFingerprint::maximumSize);
    return bounded.expandedTo(minimum);
}

QByteArray greyThumbnail(const QImage& image, QSize size) {
    QByteArray bytes(size.width() * size.height(), '\0');
    // Averaged, not sampled: a sampled pixel of each block would miss most strokes of a changed
    // word. Only thumbnails made by this same code are ever compared.
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (grey.isNull() || grey.size() != size)
        return bytes;
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(bytes.data() + y * size.width(), grey.constScanLine(y), size_t(size.width()));
    return bytes;
}

std::optional<QRect> pixelRectOf(const QRectF& normalized, QSize imageSize) {
    if (!std::isfinite(normalized.x()) || !std::isfinite(normalized.y()) || !std::isfinite(normalized.width()) ||
        !std::isfinite(normalized.height()) || normalized.width() <= 0 || normalized.height() <= 0)
        return std::nullopt;
    const QRectF inside = normalized.normalized() & QRectF(0, 0, 1, 1);
    if (inside.isEmpty())
        return std::nullopt;
    const QRectF pixels(inside.x() * imageSize.width(), inside.y() * imageSize.height(),
                        inside.width() * imageSize.width(), inside.height() * imageSize.height());
    // Outward to whole pixels.
    const QRect integral = QRect(QPoint(int(std::floor(pixels.left())), int(std::floor(pixels.top()))),
                                 QPoint(int(std::ceil(pixels.right())) - 1, int(std::ceil(pixels.bottom())) - 1)) &
                           QRect(QPoint(0, 0), imageSize);
    if (integral.width() <= 4 || integral.height() <= 4)
        return std::nullopt;
    return integral;
}

}  // namespace

QByteArray InterfaceFingerprint::of(const QImage& window, const QList<QRectF>& enabledRegions) {
    QByteArray fingerprint;
    if (window.isNull())
        return QByteArray(minimumWindowSize.width() * minimumWindowSize.height(), '\0');
    for (const QRectF& region : enabledRegions)
        if (const auto pixels = pixelRectOf(region, window.size()))
            fingerprint += greyThumbnail(window.copy(*pixels), thumbnailSize(pixels->size(), minimumRegionSize));
    if (fingerprint.isEmpty())
        fingerprint = greyThumbnail(window, thumbnailSize(window.size(), minimumWindowSize));
    return fingerprint;
}

bool InterfaceFingerprint::frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                                        double threshold) {
    bool changed = true;
    if (previousFingerprint && previousFingerprint->size() == fingerprint.size() && !fingerprint.isEmpty()) {
        qint64 sum = 0;
        int largest = 0;
        for (qsizetype i = 0; i < fingerprint.size(); ++i) {
            const int delta = std::abs(int(uchar(fingerprint[i])) - int(uchar((*previousFingerprint)[i])));
            sum += delta;
            largest = std::max(largest, delta);
        }
        const double difference = double(sum) / (double(fingerprint.size()) * 255.0);
        changed = threshold < difference || largest >= kWordChange;
    }
    previousFingerprint = fingerprint;
    return changed;
}

}  // namespace ovisu
