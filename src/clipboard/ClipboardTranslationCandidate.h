#pragma once

#include <QString>

#include <optional>

namespace ovisu {

class LanguageGuess;

// Whether copied text looks like Japanese worth translating.
class ClipboardTranslationCandidate {
public:
    // The cleaned text when it passes the quality gate (as if recognised with full confidence)
    // and, with strict detection, holds kana or is guessed to be Japanese; otherwise nothing.
    // Without a language guess, strict detection is the kana test alone.
    static std::optional<QString> japaneseText(const QString& text, bool strictDetection,
                                               LanguageGuess* languageGuess);
};

}  // namespace ovisu
