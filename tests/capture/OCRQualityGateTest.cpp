#include "capture/OCRQualityGate.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ovisu {
namespace {

using Decision = OCRQualityGate::Decision;

TEST(OCRQualityGateTest, EmptyOrBlankTextIsInsufficientAtAnyConfidence) {
    const OCRQualityGate gate;
    for (const double confidence : {0.0, 0.5, 1.0}) {
        EXPECT_EQ(gate.evaluate(QString(), confidence), Decision::insufficientText);
        EXPECT_EQ(gate.evaluate(u" \r\n\t　"_qs, confidence), Decision::insufficientText);
    }
}

TEST(OCRQualityGateTest, ASingleKanaPassesTheLengthTestButNeedsMoreConfidence) {
    const OCRQualityGate gate;
    EXPECT_EQ(gate.evaluate(u"あ"_qs, 0.4), Decision::lowConfidence);
    EXPECT_EQ(gate.evaluate(u"あ"_qs, 0.45), Decision::accept);
    EXPECT_EQ(gate.evaluate(u"あ"_qs, 0.5), Decision::accept);
    EXPECT_EQ(gate.evaluate(u" ア "_qs, 0.5), Decision::accept);
    // One kanji, one Latin letter or a kana with a combining mark is not a single kana.
    EXPECT_EQ(gate.evaluate(u"字"_qs, 1.0), Decision::insufficientText);
    EXPECT_EQ(gate.evaluate(u"a"_qs, 1.0), Decision::insufficientText);
    EXPECT_EQ(gate.evaluate(u"か\u3099"_qs, 1.0), Decision::insufficientText);
    // A stricter gate keeps its own higher threshold for a single kana too.
    const OCRQualityGate strict{0.6, 2};
    EXPECT_EQ(strict.evaluate(u"あ"_qs, 0.5), Decision::lowConfidence);
    EXPECT_EQ(strict.evaluate(u"あ"_qs, 0.6), Decision::accept);
}

TEST(OCRQualityGateTest, ConfidenceThreshold) {
    const OCRQualityGate gate;
    EXPECT_EQ(gate.evaluate(u"こんにちは"_qs, 0.27), Decision::lowConfidence);
    EXPECT_EQ(gate.evaluate(u"こんにちは"_qs, 0.28), Decision::accept);
    EXPECT_EQ(gate.evaluate(u"漢字"_qs, 0.9), Decision::accept);
    EXPECT_EQ(gate.evaluate(u"こんにちは"_qs, std::nan("")), Decision::lowConfidence);
}

TEST(OCRQualityGateTest, TextWithoutEnoughJapaneseIsInsufficient) {
    const OCRQualityGate gate;
    EXPECT_EQ(gate.evaluate(u"HELLO WORLD"_qs, 0.9), Decision::insufficientText);
    // Shares count non-space scalars: 1 of 8 is 12.5 % and passes, 1 of 9 is 11.1 % and does not.
    EXPECT_EQ(gate.evaluate(u"あ abcdefg"_qs, 0.9), Decision::accept);
    EXPECT_EQ(gate.evaluate(u"あ abcdefgh"_qs, 0.9), Decision::insufficientText);
    // Rare kanji of Extension A count; full-width Latin does not.
    EXPECT_EQ(gate.evaluate(u"\u3400\u4E00"_qs, 0.9), Decision::accept);
    EXPECT_EQ(gate.evaluate(u"ＡＢＣ"_qs, 0.9), Decision::insufficientText);
}

TEST(OCRQualityGateTest, ReplacementCharactersAboveEightPercentAreGarbled) {
    const OCRQualityGate gate;
    const QString replacement(QChar(0xFFFD));
    // 1 of 12 is 8.3 %; 1 of 13 is 7.7 %.
    EXPECT_EQ(gate.evaluate(replacement + u"あいうえおかきくけこさ"_qs, 1.0), Decision::garbled);
    EXPECT_EQ(gate.evaluate(replacement + u"あいうえおかきくけこさし"_qs, 0.0), Decision::lowConfidence);
    EXPECT_EQ(gate.evaluate(replacement + u"あいうえおかきくけこさし"_qs, 1.0), Decision::accept);
    // Exactly 8 % (2 of 25) is still readable.
    EXPECT_EQ(gate.evaluate(replacement + replacement + u"あいうえおかきくけこさしすせそたちつてとなにぬ"_qs, 1.0),
              Decision::accept);
    // Garbled wins over too little Japanese and over low confidence: the checks run in order.
    EXPECT_EQ(gate.evaluate(replacement + replacement + u"ab"_qs, 0.0), Decision::garbled);
}

TEST(OCRQualityGateTest, JudgesTheCleanedText) {
    const OCRQualityGate gate;
    // Cleaning drops the blank and stuttered lines; what is left is one kana.
    EXPECT_EQ(gate.evaluate(u"\n  あ  \n\nあ\n"_qs, 0.4), Decision::lowConfidence);
    EXPECT_EQ(gate.evaluate(u"\n  あ  \n\nあ\n"_qs, 0.45), Decision::accept);
    // The same kana on two separate lines is two characters, not a single kana.
    EXPECT_EQ(gate.evaluate(u"あ\nい"_qs, 0.3), Decision::accept);
}

}  // namespace
}  // namespace ovisu
