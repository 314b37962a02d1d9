#include "capture/OCRQualityGate.h"

#include "base/OCRTextCleaner.h"

#include <QChar>
#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace ovisu {

namespace {

bool isKana(char32_t scalar) { return scalar >= 0x3040 && scalar <= 0x30FF; }

bool isJapanese(char32_t scalar) { return isKana(scalar) || (scalar >= 0x3400 && scalar <= 0x9FFF); }

qsizetype graphemeCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

}  // namespace

OCRQualityGate::Decision OCRQualityGate::evaluate(const QString& text, double averageConfidence) const {
    const QString cleaned = OCRTextCleaner::clean(text);

    QList<char32_t> scalars;
    for (const char32_t scalar : cleaned.toUcs4())
        if (!QChar::isSpace(scalar))
            scalars.append(scalar);
    if (scalars.isEmpty())
        return Decision::insufficientText;

    const bool singleKana = scalars.size() == 1 && isKana(scalars.constFirst());
    if (!singleKana && graphemeCount(cleaned) < minimumLength)
        return Decision::insufficientText;

    const double total = double(scalars.size());
    const auto replacementCount = std::count(scalars.cbegin(), scalars.cend(), char32_t(0xFFFD));
    if (double(replacementCount) / total > 0.08)
        return Decision::garbled;

    const auto japaneseCount = std::count_if(scalars.cbegin(), scalars.cend(), isJapanese);
    if (double(japaneseCount) / total < 0.12)
        return Decision::insufficientText;

    const double threshold = singleKana ? std::max(minimumConfidence, 0.45) : minimumConfidence;
    // Written so that a confidence that is not a number counts as too low.
    if (!(averageConfidence >= threshold))
        return Decision::lowConfidence;
    return Decision::accept;
}

}  // namespace ovisu
