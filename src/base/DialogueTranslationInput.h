#pragma once

#include <QString>

namespace ovisu {

class DialogueTranslationInput {
public:
    // The recognised lines as one sentence: Japanese lines are glued together, while a break
    // between two Latin words or numbers becomes a space.
    static QString joinedForMeaning(const QString& text);
};

}  // namespace ovisu
