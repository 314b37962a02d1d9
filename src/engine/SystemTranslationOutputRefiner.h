#pragma once

#include <QString>

#include <optional>

namespace ovisu {

// Corrections for the on-device system translator, which mishandles Japanese interjections and
// stutters. Each looks at the Japanese source and the Chinese translation together.
class SystemTranslationOutputRefiner {
public:
    // A lone interjection kana ("ア", "ン", ...) that came back without any Han character is
    // answered from a small table, keeping the source's punctuation.
    static std::optional<QString> singleKanaFallback(const QString& source, const QString& translation);
    // Fixes one known mistranslation of "ぞくっとする感覚が這い上がってくる".
    static QString refineChillingSensation(const QString& source, const QString& translation);
    // When the source stutters a katakana word ("ド…ドキドキ"), makes the translated stutter repeat
    // the first character of the translated word.
    static QString refineKatakanaHesitation(const QString& source, const QString& translation);
    // The three above in their fixed order: fallback, chilling sensation, hesitation.
    static QString refine(const QString& source, const QString& translation);
};

}  // namespace ovisu
