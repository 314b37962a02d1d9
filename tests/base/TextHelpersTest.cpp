#include "base/DialogueTranslationInput.h"
#include "base/OCRTextCleaner.h"
#include "base/ReferenceDate.h"
#include "base/SessionMetrics.h"
#include "base/TextSimilarity.h"
#include "support/QtPrinters.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace ovisu {
namespace {

// Each case is also cleaned twice: a second pass must change nothing.
TEST(OCRTextCleanerTest, NormalisesLinesAndRepairsOnlyAMisreadEllipsisAtALinesStart) {
    const std::pair<QString, QString> cases[] = {
        {u"一\r\n二\r三\n四"_qs, u"一\n二\n三\n四"_qs},
        {u"a \t  b\t\tc"_qs, u"a b c"_qs},
        // Only tab and ASCII space runs collapse; an inner ideographic space stays, outer ones go.
        {u"\u3000あ\u3000\u3000い\u3000 "_qs, u"あ\u3000\u3000い"_qs},
        {u"\n  \n\t\nそうか\n\n"_qs, u"そうか"_qs},
        {u"はい\nはい\n  はい \nいいえ"_qs, u"はい\nいいえ"_qs},
        {u"A\nB\nA"_qs, u"A\nB\nA"_qs},
        {QString(), QString()},
        {u"。。。そうか"_qs, u"……そうか"_qs},
        {u"ooo.あれ"_qs, u"……あれ"_qs},
        {u"00.今日"_qs, u"……今日"_qs},
        {u"〇○・カ"_qs, u"……カ"_qs},
        {u"・・・ 何"_qs, u"……何"_qs},
        {u"。。。\u3000はい"_qs, u"……はい"_qs},
        {u"。。。。oo本当"_qs, u"……本当"_qs},
        // The opening bracket before the marks is kept; each line is repaired on its own.
        {u"「。。。そうか」"_qs, u"「……そうか」"_qs},
        {u"『...何だ』"_qs, u"『……何だ』"_qs},
        {u"（cc.えっ）"_qs, u"（……えっ）"_qs},
        {u"(oo。は"_qs, u"(……は"_qs},
        {u"先輩\n。。。うん"_qs, u"先輩\n……うん"_qs},
        // Not a misread ellipsis: too short, no closing dot, not before kana or kanji, not at the
        // start, not one of the four brackets, ー outside the kana ranges.
        {u"。。そうか"_qs, u"。。そうか"_qs},
        {u"oooあ"_qs, u"oooあ"_qs},
        {u"...Hello"_qs, u"...Hello"_qs},
        {u"あ。。。い"_qs, u"あ。。。い"_qs},
        {u"【。。。はい"_qs, u"【。。。はい"_qs},
        {u"。。。ー"_qs, u"。。。ー"_qs},
        {u"  。。。そうか  \r\n\r\n「ooo.あれ」\rはい\nはい\n\u3000A  B\u3000"_qs, u"……そうか\n「……あれ」\nはい\nA B"_qs},
        {u"....oo..今\n\n\n\t x \t"_qs, u"……今\nx"_qs},
    };
    for (const auto& [input, expected] : cases) {
        const QString once = OCRTextCleaner::clean(input);
        EXPECT_EQ(once, expected) << input.toStdString();
        EXPECT_EQ(OCRTextCleaner::clean(once), once) << input.toStdString();
    }
}

TEST(OCRTextCleanerTest, ComparisonFormDropsSpacingPunctuationSymbolsAndCase) {
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"Hello, World!"_qs), u"helloworld"_qs);
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"「そうか……」\n　ね？"_qs), u"そうかね"_qs);
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"★１＋１＝２☆"_qs), u"１１２"_qs);
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"ＡＢＣ"_qs), u"ａｂｃ"_qs);
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"……！？"_qs), QString());
    // The same line read with different spacing and marks has one identity.
    EXPECT_EQ(OCRTextCleaner::comparisonForm(u"今日は いい天気、ですね！"_qs),
              OCRTextCleaner::comparisonForm(u"今日は\nいい天気ですね"_qs));
}

TEST(DialogueTranslationInputTest, JoinsJapaneseLinesDirectlyAndLatinWithASpace) {
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"今日は\nいい天気"_qs), u"今日はいい天気"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"Hello\nWorld"_qs), u"Hello World"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"第3\n話"_qs), u"第3話"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"ABC\n123"_qs), u"ABC 123"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"Hello,\nWorld"_qs), u"Hello,World"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"ＡＢＣ\nＤ"_qs), u"ＡＢＣＤ"_qs);  // full-width is not ASCII
    // Cleaning comes first: blank lines and repeated lines are gone before the join.
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"  A \r\n\r\n A\nb\n"_qs), u"A b"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"\n \n"_qs), QString());
    // A letter carrying a combining accent is not a plain ASCII letter.
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"cafe\u0301\nbar"_qs), u"cafe\u0301bar"_qs);
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(u"x\ne\u0301"_qs), u"xe\u0301"_qs);
}

TEST(TextSimilarityTest, DistanceCountsUnicodeScalars) {
    EXPECT_EQ(levenshteinDistance(u"kitten"_qs, u"sitting"_qs), 3);
    EXPECT_EQ(levenshteinDistance(u"sitting"_qs, u"kitten"_qs), 3);
    EXPECT_EQ(levenshteinDistance(QString(), u"abc"_qs), 3);
    EXPECT_EQ(levenshteinDistance(u"abc"_qs, QString()), 3);
    EXPECT_EQ(levenshteinDistance(u"同じ"_qs, u"同じ"_qs), 0);
    EXPECT_EQ(levenshteinDistance(u"今日はいい天気"_qs, u"今日は悪い天気"_qs), 1);
    // Characters outside the BMP are one scalar each, not two UTF-16 units.
    EXPECT_EQ(levenshteinDistance(u"𠮷野家"_qs, u"吉野家"_qs), 1);
    EXPECT_EQ(levenshteinDistance(u"😀"_qs, QString()), 1);
    EXPECT_EQ(levenshteinDistance(u"a😀b"_qs, u"ab"_qs), 1);
    EXPECT_EQ(levenshteinDistance(u"abcdef"_qs, u"azced"_qs), 3);
}

TEST(TextSimilarityTest, SimilarComparesTheShareOfEditsWithTheThreshold) {
    EXPECT_FALSE(similar(QString(), QString(), 0.0));
    EXPECT_FALSE(similar(u"あ"_qs, QString(), 0.0));
    EXPECT_TRUE(similar(u"あ"_qs, u"あ"_qs, 1.0));
    // One edit in 12 characters: 1 − 1/12 ≥ 0.9. One edit in 9: 1 − 1/9 < 0.9.
    EXPECT_TRUE(similar(u"abcdefghijkl"_qs, u"abcdefghijkX"_qs, 0.9));
    EXPECT_FALSE(similar(u"abcdefghi"_qs, u"abcdefghX"_qs, 0.9));
    // Exactly on the threshold counts as similar.
    EXPECT_TRUE(similar(u"abcdefghij"_qs, u"abcdefghiX"_qs, 0.9));
    // The longer length divides, in scalars.
    EXPECT_TRUE(similar(u"𠮷𠮷𠮷𠮷"_qs, u"𠮷𠮷𠮷"_qs, 0.75));
    EXPECT_FALSE(similar(u"𠮷𠮷𠮷𠮷"_qs, u"𠮷𠮷𠮷"_qs, 0.76));
    EXPECT_FALSE(similar(u"ab"_qs, u"ba"_qs, 0.5));
    EXPECT_TRUE(similar(u"ab"_qs, u"ba"_qs, 0.0));
}

TEST(ReferenceDateTest, SecondsCountFrom2001InUtc) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    EXPECT_EQ(secondsSinceReferenceDate(reference), 0.0);
    EXPECT_EQ(secondsSinceReferenceDate(QDateTime::fromMSecsSinceEpoch(0, QTimeZone::utc())), -978307200.0);
    EXPECT_EQ(secondsSinceReferenceDate(reference.addMSecs(1500)), 1.5);
    // The zone a date is expressed in does not matter.
    EXPECT_EQ(secondsSinceReferenceDate(reference.toTimeZone(QTimeZone(9 * 3600))), 0.0);

    EXPECT_EQ(dateFromReferenceSeconds(736'261'387.25), reference.addMSecs(736'261'387'250));
    EXPECT_EQ(dateFromReferenceSeconds(-1.0), reference.addSecs(-1));
    EXPECT_FALSE(dateFromReferenceSeconds(std::nan("")));
    EXPECT_FALSE(dateFromReferenceSeconds(INFINITY));
    EXPECT_FALSE(dateFromReferenceSeconds(1e300));
}

TEST(SessionMetricsTest, CountsFromAnyThreadUnderTheTenNames) {
    SessionMetrics& metrics = SessionMetrics::shared();
    const QMap<QString, int> before = metrics.dictionary();
    EXPECT_EQ(before.keys(), (QStringList{"cacheHits", "cancelledRequests", "captures", "fallbackSwitches",
                                          "ocrFailures", "ocrRuns", "retries", "translationFailures",
                                          "translationRequests", "unchangedFrames"}));

    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&metrics] {
            for (int i = 0; i < 1000; ++i)
                metrics.increment(SessionMetrics::Counter::cacheHits);
        });
    for (std::thread& thread : threads)
        thread.join();
    metrics.increment(SessionMetrics::Counter::fallbackSwitches);

    const QMap<QString, int> after = metrics.dictionary();
    EXPECT_EQ(after["cacheHits"] - before["cacheHits"], 4000);
    EXPECT_EQ(after["fallbackSwitches"] - before["fallbackSwitches"], 1);
    EXPECT_EQ(after["captures"], before["captures"]);
}

}  // namespace
}  // namespace ovisu
