#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>

#include <optional>

namespace ovisu {

// A small grey picture of what interface mode reads, so that an unchanged screen costs one
// comparison per capture instead of a whole-window recognition: one per enabled region (in their
// order), or one of the whole window when no region gives a usable crop.
//
// Each is the crop at a quarter of its size, never smaller than 48 × 24 for a region or 64 × 40
// for the window: at 64 × 40 a window of 1280 × 720 puts a whole 20-pixel character into one
// cell, and a changed date or status value moved no cell by more than two grey levels.
class InterfaceFingerprint {
public:
    static constexpr QSize minimumRegionSize{48, 24};
    static constexpr QSize minimumWindowSize{64, 40};
    static constexpr int reduction = 4;
    // Larger windows are reduced further: a 4K window is not compared at 960 × 540.
    static constexpr QSize maximumSize{480, 270};

    // Regions in window-normalised, top-left coordinates. Regions that are not finite, empty,
    // outside the window or 4 pixels or less in either direction contribute nothing.
    static QByteArray of(const QImage& window, const QList<QRectF>& enabledRegions);

    // The mean absolute difference of the bytes, as a share of 255, exceeds the threshold
    // strictly, or one cell changed as much as a changed word changes it; always true without a
    // previous fingerprint of the same length. The new fingerprint always becomes the previous one.
    static bool frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                             double threshold);
};

}  // namespace ovisu
