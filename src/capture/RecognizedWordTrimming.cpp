#include "capture/RecognizedWordTrimming.h"

#include <algorithm>

namespace ovisu::RecognizedWordTrimming {

QList<RecognizedWord> kept(const QList<RecognizedWord>& line) {
    if (line.size() < 2) return line;
    int height = 0;
    for (const RecognizedWord& word : line) height = std::max(height, word.box.height());
    const double widestGap = gapInLineHeights * std::max(height, 1);

    QList<QList<RecognizedWord>> pieces{{line.first()}};
    for (qsizetype i = 1; i < line.size(); ++i) {
        const int gap = line[i].box.left() - line[i - 1].box.right();
        if (gap > widestGap) pieces.append(QList<RecognizedWord>{});
        pieces.last().append(line[i]);
    }
    if (pieces.size() == 1) return line;

    QList<RecognizedWord> result;
    for (const QList<RecognizedWord>& piece : pieces) {
        double sum = 0;
        for (const RecognizedWord& word : piece) sum += word.confidence;
        if (sum / double(piece.size()) >= minimumPieceConfidence) result.append(piece);
    }
    return result;
}

}  // namespace ovisu::RecognizedWordTrimming
