#pragma once

#include <QString>

namespace ovisu {

// Tidies recognised text: one line ending, single spaces, no blank or stuttered lines, and a
// misread leading ellipsis ("。。。", "ooo.", "・・・") turned back into "……". Idempotent.
class OCRTextCleaner {
public:
    static QString clean(const QString& text);
    // The identity of a text for change detection, signatures and caches: cleaned, lower-cased,
    // with white space, punctuation and symbols removed.
    static QString comparisonForm(const QString& text);
};

}  // namespace ovisu
