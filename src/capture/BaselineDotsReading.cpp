#include "capture/BaselineDotsReading.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ovisu::BaselineDotsReading {
namespace {

// Fractions of the line's text height.
constexpr double tallestDot = 0.25;
constexpr double baselineReach = 0.3;  // how far above the baseline a dot's top may be

// Pieces of ink (8-connected) inside an area of the image (which it must contain); a piece that leaves the area is cut at
// its edge, which is enough to see it is no dot.
std::vector<QRect> inkPieces(const QImage& image, const QRect& inside) {
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
    const int width = inside.width();
    std::vector<uchar> seen(size_t(std::max(width, 0)) * std::max(inside.height(), 0), 0);
    const auto ink = [&](int x, int y) { return grey.constScanLine(y)[x] < 128; };
    std::vector<QRect> pieces;
    std::vector<QPoint> stack;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            uchar& first = seen[size_t(y - inside.top()) * width + (x - inside.left())];
            if (first || !ink(x, y)) continue;
            first = 1;
            QRect piece(x, y, 1, 1);
            stack.assign(1, QPoint(x, y));
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                piece = piece.united(QRect(p, QSize(1, 1)));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QPoint q(p.x() + dx, p.y() + dy);
                        if (!inside.contains(q)) continue;
                        uchar& mark = seen[size_t(q.y() - inside.top()) * width + (q.x() - inside.left())];
                        if (mark || !ink(q.x(), q.y())) continue;
                        mark = 1;
                        stack.push_back(q);
                    }
            }
            pieces.push_back(piece);
        }
    return pieces;
}

int median(std::vector<int> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Dots are read as punctuation or symbols ("-", ".", "…"), never as letters or digits: a character
// read where the dots are is a character whose box strays over them.
bool readAsMarks(const QString& text) {
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

double centreX(const QRect& box) {
    return box.left() + box.width() / 2.0;
}

}  // namespace

QStringList texts(const QList<RecognizedSymbol>& line, const QImage& image) {
    QStringList result;
    for (const RecognizedSymbol& symbol : line) result.append(symbol.text);

    // The text's height and baseline, from the symbols that are full characters.
    int tallest = 0;
    QRect lineBox;
    for (const RecognizedSymbol& symbol : line) {
        tallest = std::max(tallest, symbol.box.height());
        lineBox = lineBox.united(symbol.box);
    }
    std::vector<int> heights, bottoms;
    for (const RecognizedSymbol& symbol : line) {
        if (symbol.box.height() * 2 < tallest) continue;
        heights.push_back(symbol.box.height());
        bottoms.push_back(symbol.box.bottom());
    }
    if (heights.size() < 2) return result;
    const double textHeight = median(heights);
    const int baseline = median(bottoms);

    std::vector<QRect> dots;
    // The line's band across the whole image: dots the recogniser skipped may lie outside all its
    // boxes, and a row of specks is only known for one when it is seen whole.
    const QRect area = QRect(0, lineBox.top(), image.width(), lineBox.height() + int(std::ceil(textHeight / 2)))
                           .intersected(image.rect());
    for (const QRect& piece : inkPieces(image, area)) {
        const bool round = piece.width() <= 2 * piece.height() + 1 && piece.height() <= 2 * piece.width() + 1;
        if (round && piece.height() <= tallestDot * textHeight &&
            piece.top() >= baseline - baselineReach * textHeight && piece.bottom() <= baseline + tallestDot * textHeight)
            dots.push_back(piece);
    }
    std::sort(dots.begin(), dots.end(), [](const QRect& a, const QRect& b) { return a.left() < b.left(); });

    // Rows of dots, left to right, as a font sets them: alike in size, level, each at most two
    // dots' widths from the one before.
    struct Row {
        QRect box, last;
        int count = 1;
    };
    std::vector<Row> rows;
    const auto alike = [](int a, int b) { return 2 * a <= 3 * b + 1 && 2 * b <= 3 * a + 1; };
    for (const QRect& dot : dots) {
        if (!rows.empty()) {
            Row& row = rows.back();
            const int gap = dot.left() - row.last.right() - 1;
            const bool near = gap >= 0 && gap <= 2 * std::max(row.last.width(), row.last.height()) + 1;
            const bool level = std::abs(dot.center().y() - row.last.center().y()) <= std::max(1, row.last.height() / 2);
            if (near && level && alike(dot.width(), row.last.width()) && alike(dot.height(), row.last.height())) {
                row.box = row.box.united(dot);
                row.last = dot;
                ++row.count;
                continue;
            }
        }
        rows.push_back({dot, dot});
    }

    QList<bool> taken(line.size(), false);
    for (const auto& [row, last, count] : rows) {
        // Three or six dots make the ellipses of dialogue; a longer row is a picture's texture.
        if (count % 3 != 0 || count > 9) continue;
        // Dots far from anything read are no part of the line.
        if (row.right() < lineBox.left() - textHeight || row.left() > lineBox.right() + textHeight) continue;
        const QString ellipses(count / 3, QChar(0x2026));
        // What the recogniser read for the row: the symbols centred on it, or just right of it, as
        // its boxes run late.
        const double from = row.left() - 0.15 * textHeight, to = row.right() + 0.4 * textHeight;
        bool read = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const double centre = centreX(line[i].box);
            if (taken[i] || centre < from || centre > to || !readAsMarks(line[i].text)) continue;
            result[i] = read ? QString() : ellipses;
            taken[i] = read = true;
        }
        // Put back only where a line opens or closes with a pause: specks between two characters
        // are likelier a picture showing through than a pause nobody read.
        if (read) continue;
        if (row.right() < line.first().box.left())
            result.first().prepend(ellipses);
        else if (row.left() > line.last().box.right())
            result.last() += ellipses;
    }
    return result;
}

}  // namespace ovisu::BaselineDotsReading
