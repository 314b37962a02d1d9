#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace ovisu {

// Names the dominant language of a text as a short code ("ja", "zh", "en", ...), or nothing when
// the text is too short or too ambiguous to tell.
class LanguageGuess {
public:
    virtual ~LanguageGuess() = default;
    virtual std::optional<QString> dominantLanguage(const QString& text) = 0;
};

// The language guess of this platform (CLD2). OVISU_LANGUAGE_GUESS=null forces none (an empty
// pointer), which reduces strict clipboard detection to the kana test.
std::unique_ptr<LanguageGuess> makeLanguageGuess();

}  // namespace ovisu
