#include "dialogue/DialogueOCRNoiseFilter.h"

#include "base/OCRTextCleaner.h"

#include <QList>
#include <QStringView>
#include <QTextBoundaryFinder>

namespace ovisu {

namespace {

bool containsKana(QStringView text) {
    for (const char32_t scalar : text.toUcs4())
        if (scalar >= 0x3040 && scalar <= 0x30FF)
            return true;
    return false;
}

qsizetype graphemeCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

bool isEdgeLabel(const RecognizedLine& line, const QString& comparisonForm) {
    const double centreX = line.normalizedRect.x() + line.normalizedRect.width() / 2;
    return (centreX < 0.16 || centreX > 0.84) && line.normalizedRect.width() <= 0.18 &&
           graphemeCount(comparisonForm) <= 4;
}

}  // namespace

QList<RecognizedLine> DialogueOCRNoiseFilter::filtered(const QList<RecognizedLine>& lines) {
    QList<RecognizedLine> kept;
    for (const RecognizedLine& line : lines) {
        const QString cleaned = OCRTextCleaner::clean(line.text);
        const QString comparison = OCRTextCleaner::comparisonForm(cleaned);
        if (comparison.isEmpty())
            continue;
        // Written so that a confidence that is not a number counts as too low.
        if (!(line.confidence >= minimumConfidence))
            continue;
        if (isEdgeLabel(line, comparison) && !containsKana(cleaned))
            continue;
        kept.append(line);
    }
    return kept;
}

}  // namespace ovisu
