#include "dialogue/FrameFingerprint.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace ovisu {

QByteArray FrameFingerprint::of(const QImage& crop) {
    QByteArray bytes(byteCount, '\0');
    if (crop.isNull() || crop.width() < 1 || crop.height() < 1)
        return bytes;

    // Premultiplied pixels read as colours composited over black.
    QImage grey = crop.convertToFormat(QImage::Format_ARGB32_Premultiplied).convertToFormat(QImage::Format_Grayscale8);
    if (grey.width() < columns || grey.height() < rows)
        grey = grey.scaled(std::max(grey.width(), columns), std::max(grey.height(), rows), Qt::IgnoreAspectRatio,
                           Qt::FastTransformation);
    if (grey.isNull())
        return bytes;

    const int width = grey.width();
    const int height = grey.height();
    std::vector<uchar> low(size_t(byteCount), 255), high(size_t(byteCount), 0);
    std::vector<int> columnOfX(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columnOfX[size_t(x)] = int(qint64(x) * columns / width);
    for (int y = 0; y < height; ++y) {
        const uchar* line = grey.constScanLine(y);
        const int rowStart = int(qint64(y) * rows / height) * columns;
        for (int x = 0; x < width; ++x) {
            const size_t cell = size_t(rowStart + columnOfX[size_t(x)]);
            low[cell] = std::min(low[cell], line[x]);
            high[cell] = std::max(high[cell], line[x]);
        }
    }
    for (int cell = 0; cell < byteCount; ++cell)
        bytes[cell] = static_cast<char>(high[size_t(cell)] - low[size_t(cell)]);
    return bytes;
}

double FrameFingerprint::difference(const QByteArray& previous, const QByteArray& current) {
    if (previous.size() != current.size())
        return 1.0;
    if (previous.isEmpty())
        return 0.0;
    qsizetype changed = 0, inkBefore = 0, inkAfter = 0;
    for (qsizetype i = 0; i < current.size(); ++i) {
        const int before = static_cast<uchar>(previous[i]);
        const int after = static_cast<uchar>(current[i]);
        changed += std::abs(after - before) >= inkContrast;
        inkBefore += before >= inkContrast;
        inkAfter += after >= inkContrast;
    }
    const qsizetype floor = std::max<qsizetype>(1, current.size() / 50);
    return double(changed) / double(std::max({inkBefore, inkAfter, floor}));
}

bool FrameFingerprint::frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                                    double threshold) {
    bool changed = true;
    if (previousFingerprint && previousFingerprint->size() == fingerprint.size()) {
        // Identical fingerprints are no change even under a threshold below zero.
        changed = *previousFingerprint != fingerprint && threshold < difference(*previousFingerprint, fingerprint);
    }
    previousFingerprint = fingerprint;
    return changed;
}

}  // namespace ovisu
