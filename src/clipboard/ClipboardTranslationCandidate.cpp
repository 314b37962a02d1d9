#include "clipboard/ClipboardTranslationCandidate.h"

#include "base/OCRTextCleaner.h"
#include "clipboard/LanguageGuess.h"
#include "capture/OCRQualityGate.h"

#include <QList>

namespace ovisu {

namespace {

bool containsKana(const QString& text) {
    for (const char32_t scalar : text.toUcs4())
        if (scalar >= 0x3040 && scalar <= 0x30FF)
            return true;
    return false;
}

}  // namespace

std::optional<QString> ClipboardTranslationCandidate::japaneseText(const QString& text, bool strictDetection,
                                                                   LanguageGuess* languageGuess) {
    const QString cleaned = OCRTextCleaner::clean(text);
    const OCRQualityGate gate{0.28, 2};
    if (gate.evaluate(cleaned, 1.0) != OCRQualityGate::Decision::accept)
        return std::nullopt;
    if (!strictDetection || containsKana(cleaned))
        return cleaned;
    // Kanji alone is as likely Chinese (a copied translation, say) as Japanese.
    if (languageGuess == nullptr)
        return std::nullopt;
    const std::optional<QString> language = languageGuess->dominantLanguage(cleaned);
    if (language && (*language == QLatin1String("ja") || language->startsWith(QLatin1String("ja-"))))
        return cleaned;
    return std::nullopt;
}

}  // namespace ovisu
