#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace ovisu {

// A small picture of where the subtitle crop has text, so that an unchanged subtitle box costs
// one cheap comparison per capture instead of a recognition.
//
// The crop is divided into a grid of 128 × 32 cells; each cell holds its local contrast (the
// brightest grey less the darkest grey inside it). A glyph stroke against its box makes a cell's
// contrast high whatever the text's colour; a picture or a breathing sprite seen through a
// translucent box only moves it a little. A grey average of the whole crop (a thumbnail) cannot
// tell those apart: on a real game, a new short line moved one by less than a picture behind it.
class FrameFingerprint {
public:
    static constexpr int columns = 128;
    static constexpr int rows = 32;
    static constexpr int byteCount = columns * rows;
    // A cell that changes by at least this much contrast gained or lost a stroke; a cell with at
    // least this much contrast holds ink.
    static constexpr int inkContrast = 96;

    // The cells' contrasts, row by row from the top. Transparent parts count as black. A null image
    // gives all zero bytes. A crop smaller than the grid is enlarged first (each pixel then fills
    // whole cells).
    static QByteArray of(const QImage& crop);

    // How much of the text changed, 0 (nothing) to 1: the cells that gained or lost a stroke,
    // as a share of the cells with ink in the fuller of the two frames (never fewer than 2 % of
    // the grid, so that a speck on an empty box is not all of its text). Fingerprints of different
    // lengths differ completely.
    static double difference(const QByteArray& previous, const QByteArray& current);

    // Whether the frame changed since the previous fingerprint: always without one (or with one
    // of another length), never when both are identical, else when the difference exceeds the
    // threshold strictly. The new fingerprint always becomes the previous one.
    static bool frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                             double threshold);
};

}  // namespace ovisu
