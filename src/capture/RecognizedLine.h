#pragma once

#include <QRectF>
#include <QString>

namespace ovisu {

// One recognised line: its text, the recogniser's confidence (0..1) and its box normalised to the
// recognised image, with the origin at the bottom-left as the recogniser reports it.
struct RecognizedLine {
    QString text;
    double confidence = 0;
    QRectF normalizedRect;
    friend bool operator==(const RecognizedLine&, const RecognizedLine&) = default;
};

}  // namespace ovisu
