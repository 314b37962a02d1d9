#include "capture/BaselineDotsReading.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace ovisu {
namespace {

// A recognised line drawn as the recogniser saw it: characters 40 pixels tall standing on the
// baseline y = 100, and the marks between them, black on white.
class DrawnLine {
public:
    DrawnLine() : image_(800, 160, QImage::Format_Grayscale8) { image_.fill(255); }

    // A full character, read as text; its box as the recogniser gives it.
    DrawnLine& character(const QString& text, int left) {
        fill(QRect(left + 4, 60, 32, 40));
        symbols_.append({text, QRect(left, 60, 40, 40)});
        return *this;
    }
    // Round dots of 5 pixels, 4 apart, with their bottom at the given height.
    DrawnLine& dots(int left, int count, int bottom = 100) {
        for (int i = 0; i < count; ++i) fill(QRect(left + 9 * i, bottom - 4, 5, 5));
        return *this;
    }
    DrawnLine& read(const QString& text, const QRect& box) {
        symbols_.append({text, box});
        return *this;
    }
    DrawnLine& mark(const QRect& ink) {
        fill(ink);
        return *this;
    }
    QStringList texts() const {
        QList<RecognizedSymbol> ordered = symbols_;
        std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.box.left() < b.box.left(); });
        return BaselineDotsReading::texts(ordered, image_);
    }

private:
    void fill(const QRect& rect) {
        QPainter painter(&image_);
        painter.fillRect(rect, Qt::black);
    }
    QImage image_;
    QList<RecognizedSymbol> symbols_;
};

TEST(BaselineDotsReadingTest, DotsOnTheBaselineAreReadAsEllipses) {
    // "..." read as a dash whose box runs into the next character: the dash becomes "…", the
    // characters stay.
    EXPECT_EQ(DrawnLine().dots(10, 3).read("-", QRect(10, 60, 50, 40)).character(u"左"_qs, 45).character(u"に"_qs, 90).texts(),
              (QStringList{u"…"_qs, u"左"_qs, u"に"_qs}));
    // Read as two periods after the text.
    EXPECT_EQ(DrawnLine()
                  .character(u"右"_qs, 10)
                  .character(u"に"_qs, 55)
                  .dots(100, 3)
                  .read(".", QRect(100, 96, 6, 5))
                  .read(".", QRect(109, 96, 14, 5))
                  .texts(),
              (QStringList{u"右"_qs, u"に"_qs, u"…"_qs, QString()}));
    // Six dots are two ellipses.
    EXPECT_EQ(DrawnLine().character(u"う"_qs, 10).character(u"ん"_qs, 55).dots(100, 6).read("-", QRect(100, 96, 50, 5)).texts(),
              (QStringList{u"う"_qs, u"ん"_qs, u"……"_qs}));
    // Dots the recogniser skipped are put back before the character that follows them.
    EXPECT_EQ(DrawnLine().dots(10, 3).character(u"最"_qs, 45).character(u"後"_qs, 90).texts(),
              (QStringList{u"…最"_qs, u"後"_qs}));
}

TEST(BaselineDotsReadingTest, OtherMarksAreLeftAsRead) {
    // A long vowel mark stands at mid height; the centred "…" of a Japanese font too.
    EXPECT_EQ(DrawnLine().character(u"セ"_qs, 10).mark(QRect(55, 78, 30, 5)).read(u"ー"_qs, QRect(50, 76, 40, 8))
                  .character(u"ブ"_qs, 95).texts(),
              (QStringList{u"セ"_qs, u"ー"_qs, u"ブ"_qs}));
    EXPECT_EQ(DrawnLine().character(u"う"_qs, 10).character(u"ん"_qs, 55).dots(100, 3, 82).read(u"…"_qs, QRect(100, 78, 23, 5))
                  .read(u"…"_qs, QRect(125, 78, 23, 5)).texts(),
              (QStringList{u"う"_qs, u"ん"_qs, u"…"_qs, u"…"_qs}));
    // A single period, and "。" (as tall as wide, larger than a dot).
    EXPECT_EQ(DrawnLine().character("Q", 10).dots(52, 1).read(".", QRect(52, 96, 5, 5)).character("S", 60).texts(),
              (QStringList{"Q", ".", "S"}));
    EXPECT_EQ(DrawnLine().character(u"す"_qs, 10).mark(QRect(52, 86, 14, 14)).read(u"。"_qs, QRect(50, 84, 18, 18)).texts(),
              (QStringList{u"す"_qs, u"。"_qs}));
    // A long row of specks is a picture's texture, not a pause; nothing is put in for it.
    EXPECT_EQ(DrawnLine().character(u"は"_qs, 10).character(u"い"_qs, 55).dots(100, 12).texts(),
              (QStringList{u"は"_qs, u"い"_qs}));
    // A character whose box strays over the dots keeps its reading.
    EXPECT_EQ(DrawnLine().dots(10, 3).mark(QRect(49, 60, 32, 40)).read(u"最"_qs, QRect(5, 60, 80, 40)).character(u"後"_qs, 90).texts(),
              (QStringList{u"最"_qs, u"後"_qs}));
    // A comma with a speck of the picture beside it is no row of dots.
    EXPECT_EQ(DrawnLine().character(u"朝"_qs, 10).dots(52, 2).read(u"、"_qs, QRect(50, 90, 16, 10)).character(u"駅"_qs, 70).texts(),
              (QStringList{u"朝"_qs, u"、"_qs, u"駅"_qs}));
    // Too little of a line to know its height.
    EXPECT_EQ(DrawnLine().dots(10, 3).read("-", QRect(10, 96, 23, 5)).texts(), QStringList{"-"});
}

}  // namespace
}  // namespace ovisu
