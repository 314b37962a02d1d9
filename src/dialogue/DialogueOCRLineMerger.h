#pragma once

#include "capture/RecognizedLine.h"

#include <QList>
#include <QString>

namespace ovisu {

// Puts recognised lines into reading order (top row first, left to right within a row) and
// joins them with "\n". Rows stay separate lines: the display and the stability test need them.
class DialogueOCRLineMerger {
public:
    static QString text(const QList<RecognizedLine>& lines);

    // True when a reads before b. Boxes have their origin at the bottom-left, so a larger y is
    // higher on screen; two boxes whose centres are within 0.55 of the taller height share a row.
    static bool readsBefore(const RecognizedLine& a, const RecognizedLine& b);
};

}  // namespace ovisu
