#pragma once

#include "interface/UIElementKind.h"

#include <QString>

namespace ovisu {

// Sorts a piece of interface text into a kind, so that the user can leave kinds untranslated and
// the fixed dictionary can hold a word for one kind only. Tests in a fixed order, first match
// wins: a date (any weekday character is enough, so 3月 is a date), a menu word, a short button
// word (12 characters at most), a status value, else plain text.
class UIElementClassifier {
public:
    static UIElementKind classify(const QString& text);
};

}  // namespace ovisu
