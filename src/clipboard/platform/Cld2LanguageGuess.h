#pragma once

#include "clipboard/LanguageGuess.h"

namespace ovisu {

// CLD2 on plain UTF-8 text. Answers only when CLD2 calls its guess reliable; Simplified and
// Traditional Chinese both answer "zh".
class Cld2LanguageGuess final : public LanguageGuess {
public:
    std::optional<QString> dominantLanguage(const QString& text) override;
};

}  // namespace ovisu
