#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace ovisu {

// A 24 × 14 grey thumbnail of the subtitle crop, so that an unchanged subtitle box costs one tiny
// comparison per capture instead of a recognition.
class FrameFingerprint {
public:
    static constexpr int width = 24;
    static constexpr int height = 14;
    static constexpr int byteCount = width * height;  // 336

    // The thumbnail's grey bytes, row by row from the top. Transparent parts count as black. A
    // null image gives 336 zero bytes.
    static QByteArray of(const QImage& crop);

    // Mean absolute difference of two fingerprints of equal length, 0 (identical) to 1.
    static double difference(const QByteArray& previous, const QByteArray& current);

    // Whether the frame changed since the previous fingerprint: always without one (or with one
    // of another length), never when both are identical, else when the difference exceeds the
    // threshold strictly. The new fingerprint always becomes the previous one.
    static bool frameChanged(std::optional<QByteArray>& previousFingerprint, const QByteArray& fingerprint,
                             double threshold);
};

}  // namespace ovisu
