#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace ovisu {

// One character of a recognised line as the recogniser found it, in the pixels of the recognised
// image.
struct RecognizedSymbol {
    QString text;
    QRect box;
};

// Game fonts draw "..." as small dots on the baseline, packed so tight that the recogniser reads
// them as "-", "." or "..", or skips them, and a line that opens with a pause comes out with a dash
// in front. The recogniser's character boxes are too rough to tell (a dash's box may reach into
// the next character), so the dots are found in the ink itself: round pieces no taller than a
// quarter of the line's text, on its baseline, alike and evenly set as a font sets them. Where a
// row of three, six or nine stands, what was read for it (marks, never letters) becomes one "…"
// for every three dots, and a row nothing was read for at the start or end of the line is put
// back. A long vowel mark (at mid height), "。", "、", the centred "…" of Japanese fonts and a
// picture's specks do not match.
namespace BaselineDotsReading {
// Each symbol's text with dot rows read as ellipses: the first symbol of a row carries the "…"s,
// the others of the row become empty; a row read as nothing goes before the symbol that follows
// it. Symbols are in reading order; the image is the one recognised, dark ink on a light ground.
QStringList texts(const QList<RecognizedSymbol>& line, const QImage& image);
}  // namespace BaselineDotsReading

}  // namespace ovisu
