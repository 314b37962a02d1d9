#include "dialogue/SubtitleChangeDetector.h"

#include "base/OCRTextCleaner.h"
#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "dialogue/DialogueTextCompleteness.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace ovisu {

namespace {

// User-perceived characters: a kana with a combining sound mark is one character, as a reader
// counts it.
qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

}  // namespace

SubtitleChangeDetector SubtitleChangeDetector::fromSettings(const SettingsStore& settings) {
    return SubtitleChangeDetector(
        settings.intValue(SettingsKeys::ocrStableHits, SettingsDefaults::ocrStableHits),
        settings.doubleValue(SettingsKeys::ocrTextSimilarity, SettingsDefaults::ocrTextSimilarity));
}

SubtitleChangeResult SubtitleChangeDetector::observe(const QString& text) {
    const QString cleaned = OCRTextCleaner::clean(text);
    const QString signature = OCRTextCleaner::comparisonForm(cleaned);
    if (signature.isEmpty())
        return SubtitleChangeResult::waiting();

    if (signature != candidateSignature && !rereads(signature, candidateSignature, similarityThreshold)) {
        candidateText = cleaned;
        candidateSignature = signature;
        candidateHits = 1;
        return SubtitleChangeResult::changed();
    }

    ++candidateHits;
    // Readings of one subtitle differ in punctuation the signature ignores; the fullest one
    // (say, with its closing bracket) is the one worth translating. A tie keeps the earlier.
    if (characterCount(cleaned) > characterCount(candidateText))
        candidateText = cleaned;

    if (candidateHits < requiredStableHits || DialogueTextCompleteness::hasUnclosedDelimiters(candidateText))
        return SubtitleChangeResult::waiting();
    // The candidate is what would be sent: a misreading of it must not send it again.
    if (hasAlreadyTranslated(signature) || hasAlreadyTranslated(candidateSignature))
        return SubtitleChangeResult::alreadyTranslated();
    return SubtitleChangeResult::stable(candidateText, candidateSignature);
}

SubtitleChangeResult SubtitleChangeDetector::acceptImmediately(const QString& text) {
    const QString cleaned = OCRTextCleaner::clean(text);
    const QString signature = OCRTextCleaner::comparisonForm(cleaned);
    if (signature.isEmpty())
        return SubtitleChangeResult::waiting();

    candidateText = cleaned;
    candidateSignature = signature;
    candidateHits = std::max(requiredStableHits, 1);
    if (hasAlreadyTranslated(signature))
        return SubtitleChangeResult::alreadyTranslated();
    return SubtitleChangeResult::stable(cleaned, signature);
}

// A picture moving behind a translucent box (a background that keeps dissolving) makes every
// reading of the same line a little different, so two identical readings may never come. A reading
// nearly equal to the candidate and no longer than it is that line read again; a longer one may be
// the next characters of a line being typed out, which must not pass for the line complete.
bool SubtitleChangeDetector::rereads(const QString& reading, const QString& earlier, double threshold) {
    return !earlier.isEmpty() && characterCount(reading) <= characterCount(earlier) && similar(reading, earlier, threshold);
}

bool SubtitleChangeDetector::hasAlreadyTranslated(const QString& signature) const {
    if (translatedSignature.isEmpty())
        return false;
    if (signature == translatedSignature)
        return true;
    // Only a reading of the same length can be the same subtitle misread; a longer one may be
    // the next character of a line being typed out, which must be translated.
    if (characterCount(signature) != characterCount(translatedSignature))
        return false;
    return similar(signature, translatedSignature, similarityThreshold);
}

void SubtitleChangeDetector::reset() {
    candidateText.clear();
    candidateSignature.clear();
    candidateHits = 0;
    translatedSignature.clear();
}

bool SubtitleChangeDetector::similar(const QString& a, const QString& b, double threshold) {
    return ovisu::similar(a, b, threshold);
}

}  // namespace ovisu
