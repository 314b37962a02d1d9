#include "dialogue/OverlaySessionList.h"

#include <gtest/gtest.h>

using namespace ovisu;

namespace {

const QDateTime kStart = QDateTime::fromSecsSinceEpoch(1'800'000'000);

TranslationHistoryRecord entry(const QString& original, const QString& translation, double secondsAfterStart,
                               const QString& provider = QStringLiteral("DeepL")) {
    return {QUuid::createUuid(), kStart.addMSecs(qint64(secondsAfterStart * 1000)), original, translation, provider,
            std::nullopt};
}

QStringList originals(const QList<TranslationHistoryRecord>& list) {
    QStringList out;
    for (const auto& r : list) out << r.original;
    return out;
}

}  // namespace

TEST(OverlaySessionListTest, SameOriginalReplacesTheLastEntryWhateverElseDiffers) {
    QList<TranslationHistoryRecord> list{entry("あいう", "甲", 0), entry("おはよう", "早上好", 1)};
    const auto again = entry("おはよう", "早安", 60, QStringLiteral("OpenAI"));
    OverlaySessionList::showOverlay(list, again, 8);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.last(), again);
    EXPECT_EQ(list.first().original, "あいう");
}

TEST(OverlaySessionListTest, NearlyEqualOriginalMergesOnlyWhenEveryConditionHolds) {
    // 20 characters, one changed: similarity 0.95.
    const QString base = QStringLiteral("今日はとても良い天気ですね、散歩に行きましょう");
    QString nearly = base;
    nearly[3] = QChar(u'も');
    const auto last = entry(base, "今天天气真好", 0);

    const auto merges = entry(nearly, "今天天气真好", 1.5);
    EXPECT_TRUE(OverlaySessionList::replacesLast(last, merges));

    EXPECT_FALSE(OverlaySessionList::replacesLast(last, entry(nearly, "今天天气很好", 1.5)))  // changed translation
        << "a changed translation is a new line";
    EXPECT_FALSE(OverlaySessionList::replacesLast(last, entry(nearly, "今天天气真好", 1.5, "OpenAI")));
    EXPECT_FALSE(OverlaySessionList::replacesLast(last, entry(nearly, "今天天气真好", 2.0)));  // not less than 2 s
    EXPECT_FALSE(OverlaySessionList::replacesLast(last, entry("全然違う文章です", "今天天气真好", 0.5)));

    QList<TranslationHistoryRecord> list{last};
    OverlaySessionList::showOverlay(list, entry(nearly, "今天天气很好", 1.0), 8);
    EXPECT_EQ(list.size(), 2);
    OverlaySessionList::showOverlay(list, entry(nearly + "x", "今天天气很好", 1.2), 8);
    EXPECT_EQ(list.size(), 2) << "the restated line replaces the previous one";
    EXPECT_EQ(list.last().original, nearly + "x");
}

TEST(OverlaySessionListTest, TrimKeepsTheNewestAndAtLeastOne) {
    QList<TranslationHistoryRecord> list;
    for (int i = 0; i < 10; ++i) OverlaySessionList::showOverlay(list, entry(QString::number(i), "t", i * 10), 3);
    EXPECT_EQ(originals(list), (QStringList{"7", "8", "9"}));

    OverlaySessionList::trimOverlayHistory(list, 0);
    EXPECT_EQ(originals(list), (QStringList{"9"}));
    OverlaySessionList::showOverlay(list, entry("10", "t", 200), -5);
    EXPECT_EQ(originals(list), (QStringList{"10"}));

    QList<TranslationHistoryRecord> empty;
    OverlaySessionList::trimOverlayHistory(empty, 0);
    EXPECT_TRUE(empty.isEmpty());
    OverlaySessionList::showOverlay(empty, entry("a", "t", 0), 8);
    EXPECT_EQ(empty.size(), 1);
}

