#include "interface/InterfaceFingerprint.h"

#include <cmath>
#include <cstring>
#include <cstdlib>

namespace ovisu {

namespace {

QByteArray greyThumbnail(const QImage& image, QSize size) {
    QByteArray bytes(size.width() * size.height(), '\0');
    // Fast (nearest) scaling: only thumbnails made by this same code are ever compared.
    const QImage grey = image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                            .convertToFormat(QImage::Format_Grayscale8);
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
        return QByteArray(windowSize.width() * windowSize.height(), '\0');
    for (const QRectF& region : enabledRegions)
        if (const auto pixels = pixelRectOf(region, window.size()))
            fingerprint += greyThumbnail(window.copy(*pixels), regionSize);
    if (fingerprint.isEmpty())
        fingerprint = greyThumbnail(window, windowSize);
    return fingerprint;
}

bool InterfaceFingerprint::frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                                        double threshold) {
    bool changed = true;
    if (previousFingerprint && previousFingerprint->size() == fingerprint.size() && !fingerprint.isEmpty()) {
        qint64 sum = 0;
        for (qsizetype i = 0; i < fingerprint.size(); ++i)
            sum += std::abs(int(uchar(fingerprint[i])) - int(uchar((*previousFingerprint)[i])));
        const double difference = double(sum) / (double(fingerprint.size()) * 255.0);
        changed = threshold < difference;
    }
    previousFingerprint = fingerprint;
    return changed;
}

}  // namespace ovisu
