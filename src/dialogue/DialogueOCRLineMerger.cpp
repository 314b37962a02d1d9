#include "dialogue/DialogueOCRLineMerger.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace ovisu {

bool DialogueOCRLineMerger::readsBefore(const RecognizedLine& a, const RecognizedLine& b) {
    const QRectF& first = a.normalizedRect;
    const QRectF& second = b.normalizedRect;
    const double tallest = std::max(first.height(), second.height());
    const double firstCentreY = first.y() + first.height() / 2;
    const double secondCentreY = second.y() + second.height() / 2;
    if (std::abs(firstCentreY - secondCentreY) > 0.55 * tallest)
        return firstCentreY > secondCentreY;
    return std::min(first.left(), first.right()) < std::min(second.left(), second.right());
}

QString DialogueOCRLineMerger::text(const QList<RecognizedLine>& lines) {
    // The row test is not transitive (rows of different heights can chain), which a library sort
    // is entitled to assume. A plain insertion sort is stable, always terminates with a
    // predictable order, and a subtitle box holds only a handful of lines.
    QList<RecognizedLine> ordered = lines;
    for (qsizetype index = 1; index < ordered.size(); ++index) {
        qsizetype position = index;
        while (position > 0 && readsBefore(ordered.at(index), ordered.at(position - 1)))
            --position;
        if (position != index)
            ordered.move(index, position);
    }

    QStringList texts;
    texts.reserve(ordered.size());
    for (const RecognizedLine& line : ordered)
        texts.append(line.text);
    return texts.join(QLatin1Char('\n'));
}

}  // namespace ovisu
