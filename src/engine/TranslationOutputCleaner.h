#pragma once

#include <QString>

namespace ovisu {

// Makes a language model's raw answer fit to show: drops reasoning blocks and answer labels,
// repeated lines and an answer given twice.
class TranslationOutputCleaner {
public:
    // Trims; with filterThinking also removes <think>/<thinking> blocks (closed or left open to
    // the end) and the first "译文："-style label at a line start.
    static QString clean(const QString& text, bool filterThinking);
    // Drops lines that repeat one of the three previous distinct lines (compared without
    // white space, punctuation, symbols and case), lines made only of punctuation, and cuts an
    // answer that is the same text twice in a row down to one copy.
    static QString deduplicated(const QString& text);
};

}  // namespace ovisu
