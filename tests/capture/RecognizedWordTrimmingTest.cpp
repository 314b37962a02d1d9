#include "capture/RecognizedWordTrimming.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Words 40 pixels high, placed left to right from the given x positions and widths.
RecognizedWord word(const QString& text, double confidence, int left, int width) {
    return {text, confidence, QRect(left, 100, width, 40)};
}

QStringList texts(const QList<RecognizedWord>& words) {
    QStringList result;
    for (const RecognizedWord& w : words) result.append(w.text);
    return result;
}

TEST(RecognizedWordTrimmingTest, ScatteredUnsurePiecesAreCutFromALine) {
    // A line of dialogue with a Latin word at normal spacing stays whole, even when read unsurely.
    const QList<RecognizedWord> dialogue{word(u"このチュートリアルで"_qs, 0.93, 10, 400), word("Ren'Py", 0.55, 420, 120),
                                         word(u"の基本"_qs, 0.9, 550, 120)};
    EXPECT_EQ(RecognizedWordTrimming::kept(dialogue), dialogue);

    // The picture behind a nearly empty box: fragments far apart, read unsurely, go; a sure piece
    // far from them stays.
    const QList<RecognizedWord> picture{word("*", 0.5, 0, 10), word(u"上"_qs, 0.45, 200, 30),
                                        word(u"はい。"_qs, 0.93, 400, 90), word(u"や"_qs, 0.52, 700, 30)};
    EXPECT_EQ(texts(RecognizedWordTrimming::kept(picture)), QStringList{u"はい。"_qs});

    // A mark on the box's edge before the first word is cut; the gap must be wider than 1.5
    // line heights (60 pixels here).
    const QList<RecognizedWord> edge{word(u"、"_qs, 0.4, 0, 12), word(u"今日はいい天気ですね。"_qs, 0.95, 73, 400)};
    EXPECT_EQ(texts(RecognizedWordTrimming::kept(edge)), QStringList{u"今日はいい天気ですね。"_qs});
    const QList<RecognizedWord> close{word(u"「"_qs, 0.4, 0, 12), word(u"今日は"_qs, 0.95, 71, 100)};
    EXPECT_EQ(RecognizedWordTrimming::kept(close), close);

    // A line that is one unsure piece is left to the gate; nothing sure at all leaves nothing.
    const QList<RecognizedWord> lone{word(u"ニ"_qs, 0.3, 10, 30)};
    EXPECT_EQ(RecognizedWordTrimming::kept(lone), lone);
    EXPECT_TRUE(RecognizedWordTrimming::kept({word("-", 0.3, 0, 10), word("~", 0.4, 300, 10)}).isEmpty());
}

}  // namespace
}  // namespace ovisu
