#pragma once

#include <QString>

namespace ovisu {

// Whether a dialogue text is still being typed out or was cut by the recogniser: an opening
// 「 『 （ 【 without its closing partner.
class DialogueTextCompleteness {
public:
    // Counts only: a surplus of closing brackets is no open bracket, and 」 before 「 balances.
    static bool hasUnclosedDelimiters(const QString& text);
};

}  // namespace ovisu
