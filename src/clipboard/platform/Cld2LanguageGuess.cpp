#include "clipboard/platform/Cld2LanguageGuess.h"

// The CLD2 header uses FILE without including its declaration.
#include <cstdio>

#include <cld2/public/compact_lang_det.h>

#include <QByteArray>

#include <limits>

namespace ovisu {

std::optional<QString> Cld2LanguageGuess::dominantLanguage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty() || utf8.size() > std::numeric_limits<int>::max())
        return std::nullopt;

    const CLD2::CLDHints hints{nullptr, nullptr, 0 /* unknown encoding */, CLD2::UNKNOWN_LANGUAGE};
    CLD2::Language languages[3];
    int percents[3];
    double scores[3];
    int textBytes = 0;
    bool reliable = false;
    int validPrefixBytes = 0;
    // The checking variant: a string with lone surrogates converts to bytes CLD2 must not trust.
    const CLD2::Language language = CLD2::ExtDetectLanguageSummaryCheckUTF8(
        utf8.constData(), int(utf8.size()), true, &hints, 0, languages, percents, scores, nullptr, &textBytes,
        &reliable, &validPrefixBytes);

    if (!reliable || language == CLD2::UNKNOWN_LANGUAGE || language == CLD2::TG_UNKNOWN_LANGUAGE)
        return std::nullopt;
    switch (language) {
    case CLD2::JAPANESE:
        return QStringLiteral("ja");
    case CLD2::CHINESE:
    case CLD2::CHINESE_T:
        return QStringLiteral("zh");
    case CLD2::ENGLISH:
        return QStringLiteral("en");
    default:
        break;
    }
    const char* code = CLD2::LanguageCode(language);
    if (code == nullptr || *code == '\0')
        return std::nullopt;
    return QString::fromLatin1(code);
}

std::unique_ptr<LanguageGuess> makeLanguageGuess() {
    if (qgetenv("OVISU_LANGUAGE_GUESS") == "null")
        return nullptr;
    return std::make_unique<Cld2LanguageGuess>();
}

}  // namespace ovisu
