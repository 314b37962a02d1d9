#pragma once

#include <QRectF>
#include <QString>

namespace ovisu {

// One line of interface text as recognised: the cleaned text (never empty), its box normalised to
// the window with the origin at the bottom-left, and the recogniser's confidence (0..1).
struct UIOCRTextBlock {
    QString text;
    QRectF normalizedRect;
    float confidence = 0;
    friend bool operator==(const UIOCRTextBlock&, const UIOCRTextBlock&) = default;
};

// The identity of a text for the stores and the request queue: cleaned, lower-cased, without
// white space, punctuation or symbols, so 設定 and 「設定」 are one text, and OK and ok too.
QString uiComparisonForm(const QString& text);

// The comparison form and the box at 1/200 of the window ("設定|12:40:20:3"); empty when the
// comparison form is. Two readings of the same text at the same place share it.
QString interfaceBlockKey(const UIOCRTextBlock& block);
// The box at 1/100 of the window ("12:40:20:3"): the label of a screen position, whatever text it shows.
QString interfacePanelKey(const UIOCRTextBlock& block);

// The block's centre in top-left coordinates, as regions are stored.
QPointF topLeftCentre(const UIOCRTextBlock& block);

}  // namespace ovisu
