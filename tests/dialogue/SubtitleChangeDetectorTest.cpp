#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "dialogue/SubtitleChangeDetector.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

namespace ovisu {

void PrintTo(const SubtitleChangeResult& result, std::ostream* out) {
    static const char* const names[] = {"changed", "waiting", "alreadyTranslated", "stable"};
    *out << names[static_cast<int>(result.kind)];
    if (result.kind == SubtitleChangeResult::Kind::stable)
        *out << "(" << result.text.toStdString() << ", " << result.signature.toStdString() << ")";
}

namespace {

using Result = SubtitleChangeResult;

// Lets a sequence of readings be checked against the expected sequence of answers in one line.
QList<Result> observeAll(SubtitleChangeDetector& detector, const QStringList& readings) {
    QList<Result> results;
    for (const QString& reading : readings)
        results.append(detector.observe(reading));
    return results;
}

TEST(SubtitleChangeDetectorTest, ANewTextIsStableOnItsSecondIdenticalReading) {
    SubtitleChangeDetector detector;
    EXPECT_EQ(observeAll(detector, {u"今日はいい天気ですね。"_qs, u"今日はいい天気ですね。"_qs}),
              (QList<Result>{Result::changed(), Result::stable(u"今日はいい天気ですね。"_qs, u"今日はいい天気ですね"_qs)}));
    EXPECT_EQ(detector.candidateHits, 2);

    // A third reading of the same text is still stable; the pipeline decides about repeats.
    EXPECT_EQ(detector.observe(u"今日はいい天気ですね。"_qs).kind, Result::Kind::stable);
    EXPECT_EQ(detector.candidateHits, 3);
}

TEST(SubtitleChangeDetectorTest, AlternatingTextsNeverSettle) {
    SubtitleChangeDetector detector;
    EXPECT_EQ(observeAll(detector, {u"おはよう"_qs, u"こんばんは"_qs, u"おはよう"_qs}),
              (QList<Result>{Result::changed(), Result::changed(), Result::changed()}));
    EXPECT_EQ(detector.candidateText, u"おはよう"_qs);
    EXPECT_EQ(detector.candidateHits, 1);
}

// Seen on a real game: a line over a background that keeps dissolving never read the same twice.
TEST(SubtitleChangeDetectorTest, AMisreadingOfTheSameLineCountsButATypedOutLineDoesNotPassForComplete) {
    const QString line = u"デフォルトでは画像は瞬時に置き換えられます。設定すれば、画像と画像の間にトランジションをつけることもできます。"_qs;
    QString misread = line;
    misread.replace(u"瞬時"_qs, u"骨時"_qs);
    QString misreadShorter = line;
    misreadShorter.remove(u"設"_qs);
    SubtitleChangeDetector detector;
    EXPECT_EQ(detector.observe(line), Result::changed());
    EXPECT_EQ(detector.observe(misread).kind, Result::Kind::stable);
    EXPECT_EQ(detector.candidateText, line) << "the first reading of the line is the one translated";
    // Once it is translated, further misreadings of it are not sent again.
    detector.translatedSignature = detector.candidateSignature;
    EXPECT_EQ(detector.observe(misreadShorter), Result::alreadyTranslated());
    detector.reset();
    EXPECT_EQ(observeAll(detector, {misread, misreadShorter}).last().kind, Result::Kind::stable);

    // Typed out: each reading is the one before and more. Only two readings of the whole line settle.
    detector.reset();
    EXPECT_EQ(observeAll(detector, {line.left(line.size() - 8), line.left(line.size() - 4), line}),
              (QList<Result>{Result::changed(), Result::changed(), Result::changed()}));
    EXPECT_EQ(detector.observe(misread).kind, Result::Kind::stable);

    // Short lines a character apart are different lines.
    detector.reset();
    EXPECT_EQ(observeAll(detector, {u"はい。"_qs, u"いい。"_qs}), (QList<Result>{Result::changed(), Result::changed()}));
}

TEST(SubtitleChangeDetectorTest, RequiredHitsCountFromTheFirstReadingOfASignature) {
    SubtitleChangeDetector once(1, 0.9);
    EXPECT_EQ(observeAll(once, {u"はい"_qs, u"はい"_qs}),
              (QList<Result>{Result::changed(), Result::stable(u"はい"_qs, u"はい"_qs)}));

    SubtitleChangeDetector thrice(3, 0.9);
    EXPECT_EQ(observeAll(thrice, {u"はい"_qs, u"はい"_qs, u"はい"_qs}),
              (QList<Result>{Result::changed(), Result::waiting(), Result::stable(u"はい"_qs, u"はい"_qs)}));
}

TEST(SubtitleChangeDetectorTest, ReadingsWithoutComparableTextWaitAndLeaveTheCandidateAlone) {
    SubtitleChangeDetector detector;
    EXPECT_EQ(detector.observe(u"はい"_qs), Result::changed());
    EXPECT_EQ(detector.observe(u""_qs), Result::waiting());
    EXPECT_EQ(detector.observe(u"……！？ 。"_qs), Result::waiting());
    EXPECT_EQ(detector.candidateHits, 1);
    EXPECT_EQ(detector.candidateSignature, u"はい"_qs);
    // The empty readings did not break the run of hits.
    EXPECT_EQ(detector.observe(u"はい"_qs), Result::stable(u"はい"_qs, u"はい"_qs));
}

TEST(SubtitleChangeDetectorTest, BracketsKeepATextWaitingUntilTheyClose) {
    SubtitleChangeDetector detector;
    // Both readings share the signature そうか; the longer, closed one is taken and is stable.
    EXPECT_EQ(observeAll(detector, {u"「そうか"_qs, u"「そうか」"_qs}),
              (QList<Result>{Result::changed(), Result::stable(u"「そうか」"_qs, u"そうか"_qs)}));

    SubtitleChangeDetector open;
    EXPECT_EQ(observeAll(open, {u"「そうか"_qs, u"「そうか"_qs, u"「そうか"_qs, u"「そうか"_qs}),
              (QList<Result>{Result::changed(), Result::waiting(), Result::waiting(), Result::waiting()}));
}

TEST(SubtitleChangeDetectorTest, TheLongestReadingWinsAndTheEarlierOneOnATie) {
    SubtitleChangeDetector detector(3, 0.9);
    detector.observe(u"そうか"_qs);
    detector.observe(u"そうか！"_qs);
    EXPECT_EQ(detector.candidateText, u"そうか！"_qs);
    detector.observe(u"そうか？"_qs);  // same length: the earlier reading stays
    EXPECT_EQ(detector.candidateText, u"そうか！"_qs);
    // A shorter reading does not replace it either, and the longest is what is translated.
    EXPECT_EQ(detector.observe(u"そうか"_qs), Result::stable(u"そうか！"_qs, u"そうか"_qs));
}

TEST(SubtitleChangeDetectorTest, ReadingsAreCleanedBeforeTheyAreCompared) {
    SubtitleChangeDetector detector;
    detector.observe(u"  おはよう  "_qs);
    EXPECT_EQ(detector.candidateText, u"おはよう"_qs);
    // Only white space and punctuation differ, so this is the same subtitle's second reading.
    EXPECT_EQ(detector.observe(u"おはよう。"_qs), Result::stable(u"おはよう。"_qs, u"おはよう"_qs));
}

TEST(SubtitleChangeDetectorTest, ATranslatedLineIsNotSentAgainButOneMoreCharacterIs) {
    SubtitleChangeDetector detector;
    const auto translate = [&](const QString& text) {
        ASSERT_EQ(observeAll(detector, {text, text}).last().kind, Result::Kind::stable);
        detector.translatedSignature = detector.candidateSignature;  // what the pipeline does on success
    };
    // A subtitle being typed out grows by one character: that must be translated again even
    // though it is 93 % similar.
    translate(u"あいうえおかきくけこさしすせ"_qs);
    EXPECT_EQ(detector.observe(u"あいうえおかきくけこさしすせそ"_qs), Result::changed());
    EXPECT_EQ(detector.observe(u"あいうえおかきくけこさしすせそ"_qs).kind, Result::Kind::stable);

    translate(u"またね"_qs);
    detector.observe(u"さようなら"_qs);
    EXPECT_EQ(observeAll(detector, {u"またね"_qs, u"またね！"_qs}),
              (QList<Result>{Result::changed(), Result::alreadyTranslated()}));

    // A misreading of the same length counts, by the detector's own threshold; a shorter one never.
    SubtitleChangeDetector rules(2, 0.9);
    EXPECT_FALSE(rules.hasAlreadyTranslated(u"abc"_qs)) << "nothing translated yet";
    rules.translatedSignature = u"abcdefghijkl"_qs;
    EXPECT_TRUE(rules.hasAlreadyTranslated(u"abcdefghijkX"_qs));
    EXPECT_FALSE(rules.hasAlreadyTranslated(u"abcdefghijXX"_qs));
    EXPECT_FALSE(rules.hasAlreadyTranslated(u"abcdefghijk"_qs)) << "one shorter";
    rules.similarityThreshold = 0.8;
    EXPECT_TRUE(rules.hasAlreadyTranslated(u"abcdefghijXX"_qs));
}

TEST(SubtitleChangeDetectorTest, AcceptImmediatelyNeedsNoSecondReadingNorClosedBrackets) {
    SubtitleChangeDetector detector(3, 0.9);
    detector.observe(u"別の台詞"_qs);
    EXPECT_EQ(detector.acceptImmediately(u"「待って"_qs), Result::stable(u"「待って"_qs, u"待って"_qs));
    EXPECT_EQ(detector.candidateText, u"「待って"_qs);
    EXPECT_EQ(detector.candidateSignature, u"待って"_qs);
    EXPECT_EQ(detector.candidateHits, 3);
    // The next realtime reading of the same text continues from the full count.
    EXPECT_EQ(detector.observe(u"「待って」"_qs), Result::stable(u"「待って」"_qs, u"待って"_qs));

    SubtitleChangeDetector single(0, 0.9);
    single.acceptImmediately(u"はい"_qs);
    EXPECT_EQ(single.candidateHits, 1) << "at least one reading";

    EXPECT_EQ(detector.acceptImmediately(u"。。"_qs).kind, Result::Kind::waiting);
    EXPECT_EQ(detector.candidateSignature, u"待って"_qs) << "an empty reading changes nothing";

    detector.translatedSignature = u"待って"_qs;
    EXPECT_EQ(detector.acceptImmediately(u"待って！"_qs), Result::alreadyTranslated());
}

TEST(SubtitleChangeDetectorTest, ResetForgetsTheTextsAndKeepsTheSettings) {
    SubtitleChangeDetector detector(4, 0.75);
    detector.observe(u"はい"_qs);
    detector.translatedSignature = u"いいえ"_qs;
    detector.reset();
    EXPECT_EQ(detector, SubtitleChangeDetector(4, 0.75));

    // So a text translated before the reset is translated again after it.
    EXPECT_FALSE(detector.hasAlreadyTranslated(u"いいえ"_qs));
}

TEST(SubtitleChangeDetectorTest, SettingsGiveTheHitsAndTheThreshold) {
    SettingsStore settings;
    EXPECT_EQ(SubtitleChangeDetector::fromSettings(settings), SubtitleChangeDetector(2, 0.9));
    ASSERT_TRUE(settings.setInt(SettingsKeys::ocrStableHits, 3));
    ASSERT_TRUE(settings.setDouble(SettingsKeys::ocrTextSimilarity, 0.8));
    EXPECT_EQ(SubtitleChangeDetector::fromSettings(settings), SubtitleChangeDetector(3, 0.8));
    ASSERT_TRUE(settings.setString(SettingsKeys::ocrStableHits, u"many"_qs));
    EXPECT_EQ(SubtitleChangeDetector::fromSettings(settings).requiredStableHits, 2);
}

}  // namespace
}  // namespace ovisu
