#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace ovisu {

// One word of a recognised line as the recogniser found it, in the pixels of the recognised image.
struct RecognizedWord {
    QString text;
    double confidence = 0;  // 0..1
    QRect box;
    friend bool operator==(const RecognizedWord&, const RecognizedWord&) = default;
};

// A recogniser that is shown a box with little text in it reads the picture behind the box, the
// box's frame or a menu under it as scattered fragments, and strings them into one "line" with
// the real text or with each other. Real dialogue runs on without wide gaps. So a line is cut
// where the gap between two words is wider than 1.5 times the line's height, and a piece that the
// recogniser read with less than 0.6 confidence is dropped, unless it is the whole line (the
// quality gate and the noise filter judge that). The words kept stay in order.
namespace RecognizedWordTrimming {
inline constexpr double gapInLineHeights = 1.5;
inline constexpr double minimumPieceConfidence = 0.6;

QList<RecognizedWord> kept(const QList<RecognizedWord>& line);
}  // namespace RecognizedWordTrimming

}  // namespace ovisu
