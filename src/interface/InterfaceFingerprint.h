#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>

#include <optional>

namespace ovisu {

// A tiny grey picture of what interface mode reads, so that an unchanged screen costs one
// comparison per capture instead of a whole-window recognition: 48 × 24 per enabled region (in
// their order), or 64 × 40 of the whole window when no region gives a usable crop.
class InterfaceFingerprint {
public:
    static constexpr QSize regionSize{48, 24};
    static constexpr QSize windowSize{64, 40};

    // Regions in window-normalised, top-left coordinates. Regions that are not finite, empty,
    // outside the window or 4 pixels or less in either direction contribute nothing.
    static QByteArray of(const QImage& window, const QList<QRectF>& enabledRegions);

    // The mean absolute difference of the bytes, as a share of 255, exceeds the threshold
    // strictly; always true without a previous fingerprint of the same length. The new
    // fingerprint always becomes the previous one.
    static bool frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                             double threshold);
};

}  // namespace ovisu
