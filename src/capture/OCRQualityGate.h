#pragma once

#include <QString>

namespace ovisu {

// Whether a recognised text is worth translating. The realtime loop and the clipboard mode both
// judge with the default thresholds.
struct OCRQualityGate {
    enum class Decision { accept, lowConfidence, insufficientText, garbled };

    double minimumConfidence = 0.28;
    int minimumLength = 2;

    // A single kana is allowed through the length test but needs a confidence of at least 0.45.
    Decision evaluate(const QString& text, double averageConfidence) const;
};

}  // namespace ovisu
