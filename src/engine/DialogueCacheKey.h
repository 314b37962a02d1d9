#pragma once

#include <QString>

namespace ovisu {

// The dialogue cache's key: the lower-case hex SHA-256 of the text's comparison form and the
// settings that shaped its translation (source title, model, prompt, glossary, work
// description), joined with U+001F. Spacing, line breaks, punctuation and case of the text do
// not change it; any of the settings does.
QString dialogueCacheKey(const QString& text, const QString& providerTitle, const QString& model,
                         const QString& prompt, const QString& glossary, const QString& workContext);

}  // namespace ovisu
