#include "dialogue/DialogueTextCompleteness.h"

#include "base/OCRTextCleaner.h"

#include <array>
#include <utility>

namespace ovisu {

bool DialogueTextCompleteness::hasUnclosedDelimiters(const QString& text) {
    static constexpr std::array<std::pair<char16_t, char16_t>, 4> pairs{{
        {u'「', u'」'},
        {u'『', u'』'},
        {u'（', u'）'},
        {u'【', u'】'},
    }};
    const QString cleaned = OCRTextCleaner::clean(text);
    if (cleaned.isEmpty())
        return false;
    for (const auto& [opening, closing] : pairs)
        if (cleaned.count(QChar(closing)) < cleaned.count(QChar(opening)))
            return true;
    return false;
}

}  // namespace ovisu
