#pragma once

#include "base/SettingsKeys.h"

#include <QString>

#include <utility>

namespace ovisu {

class SettingsStore;

// What one reading of the subtitle means for the translation that follows it.
struct SubtitleChangeResult {
    enum class Kind { changed, waiting, alreadyTranslated, stable };

    Kind kind = Kind::waiting;
    QString text;       // stable only: the text to translate
    QString signature;  // stable only: its comparison form

    static SubtitleChangeResult changed() { return {Kind::changed, {}, {}}; }
    static SubtitleChangeResult waiting() { return {Kind::waiting, {}, {}}; }
    static SubtitleChangeResult alreadyTranslated() { return {Kind::alreadyTranslated, {}, {}}; }
    static SubtitleChangeResult stable(QString text, QString signature) {
        return {Kind::stable, std::move(text), std::move(signature)};
    }

    friend bool operator==(const SubtitleChangeResult&, const SubtitleChangeResult&) = default;
};

// Decides when a recognised subtitle has settled: the same comparison form (or a reading of it
// that differs only by misread characters) on `requiredStableHits` consecutive readings, with
// every bracket closed, and not (nearly) the text translated last. Recognition of a subtitle that is still being typed out, or misread in one
// pass, therefore never reaches the translation source.
struct SubtitleChangeDetector {
    QString candidateText;       // cleaned; the longest reading seen for this signature
    QString candidateSignature;  // comparison form of the candidate
    int candidateHits = 0;       // consecutive readings with this signature
    QString translatedSignature; // last text translated successfully (set by the pipeline)
    int requiredStableHits = SettingsDefaults::ocrStableHits;
    double similarityThreshold = SettingsDefaults::ocrTextSimilarity;

    SubtitleChangeDetector() = default;
    SubtitleChangeDetector(int requiredStableHits, double similarityThreshold)
        : requiredStableHits(requiredStableHits), similarityThreshold(similarityThreshold) {}

    // "ocrStableHits" and "ocrTextSimilarity", or their defaults.
    static SubtitleChangeDetector fromSettings(const SettingsStore& settings);

    // One reading of the realtime loop.
    SubtitleChangeResult observe(const QString& text);
    // A reading already confirmed elsewhere (the manual pass compares two readings itself).
    SubtitleChangeResult acceptImmediately(const QString& text);

    bool hasAlreadyTranslated(const QString& signature) const;

    // Whether `reading` is `earlier`'s line read again: nearly equal (by `threshold`) and no longer.
    // A longer one may be the next characters of a line being typed out.
    static bool rereads(const QString& reading, const QString& earlier, double threshold);
    // Forgets the candidate and the last translation; keeps the two settings.
    void reset();

    // False if either is empty; true if equal; otherwise whether 1 − edit distance / longer
    // length reaches the threshold.
    static bool similar(const QString& a, const QString& b, double threshold);

    friend bool operator==(const SubtitleChangeDetector&, const SubtitleChangeDetector&) = default;
};

}  // namespace ovisu
