#pragma once

#include "capture/RecognizedLine.h"

#include <QList>

namespace ovisu {

// Drops what a subtitle box yields besides the dialogue: lines of nothing but punctuation, lines
// the recogniser barely believes, and short labels at the box's left or right edge (a name plate
// read as "HP 30", a page mark) unless they hold kana.
class DialogueOCRNoiseFilter {
public:
    static constexpr double minimumConfidence = 0.22;

    // The kept lines in input order, their text untouched (cleaning happens downstream).
    static QList<RecognizedLine> filtered(const QList<RecognizedLine>& lines);
};

}  // namespace ovisu
