#pragma once

#include <QString>

namespace ovisu {

// Fills a user-message template for chat-style sources: the source text, recent dialogue, the
// work description and the glossary, each wrapped in its fixed Chinese heading.
class TranslationPromptRenderer {
public:
    static QString render(const QString& templateText, const QString& text, const QString& context,
                          const QString& glossary, const QString& workContext,
                          const QString& sourceLanguage, const QString& targetLanguage,
                          bool bilingualProperNouns);
};

}  // namespace ovisu
