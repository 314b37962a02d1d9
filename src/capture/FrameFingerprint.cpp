#include "capture/FrameFingerprint.h"

#include <QColor>

#include <cstdlib>

namespace ovisu {

QByteArray FrameFingerprint::of(const QImage& crop) {
    QByteArray bytes(byteCount, '\0');
    if (crop.isNull())
        return bytes;

    // Point sampling (the cheap, low-quality scaling): a sample that lands on a glyph stroke
    // swings by most of the grey range, so a new line of text moves the thumbnail well past the
    // threshold. Averaging would dilute a change of text on a large box below it.
    // Premultiplied pixels read as colours composited over black.
    const QImage thumbnail = crop.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                 .scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (thumbnail.width() != width || thumbnail.height() != height)
        return bytes;

    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(thumbnail.constScanLine(y));
        for (int x = 0; x < width; ++x)
            bytes[y * width + x] = static_cast<char>(qGray(row[x]));
    }
    return bytes;
}

double FrameFingerprint::difference(const QByteArray& previous, const QByteArray& current) {
    if (previous.isEmpty() || previous.size() != current.size())
        return previous.size() == current.size() ? 0.0 : 1.0;
    qint64 sum = 0;
    for (qsizetype i = 0; i < current.size(); ++i)
        sum += std::abs(static_cast<int>(static_cast<uchar>(current[i])) -
                        static_cast<int>(static_cast<uchar>(previous[i])));
    return static_cast<double>(sum) / (static_cast<double>(current.size()) * 255.0);
}

bool FrameFingerprint::frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                                    double threshold) {
    bool changed = true;
    if (previousFingerprint && previousFingerprint->size() == fingerprint.size()) {
        // Identical thumbnails are no change even under a threshold below zero.
        changed = *previousFingerprint != fingerprint && threshold < difference(*previousFingerprint, fingerprint);
    }
    previousFingerprint = fingerprint;
    return changed;
}

}  // namespace ovisu
