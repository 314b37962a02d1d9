#include "history/TranslationHistoryText.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <ctime>

namespace ovisu {
namespace {

TranslationHistoryRecord record(const QDateTime& createdAt, const QString& original, const QString& translation,
                                const QString& provider, std::optional<double> duration) {
    return {QUuid::createUuid(), createdAt, original, translation, provider, duration};
}

TEST(TranslationHistoryTextTest, TimesAreLocalWallClockText) {
    const QByteArray savedZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    const QDateTime utc(QDate(2024, 5, 1), QTime(13, 3, 7, 999), QTimeZone::utc());
    EXPECT_EQ(historyTimeText(utc), u"2024-05-01 21:03:07"_qs);
    EXPECT_EQ(historyTimeText(utc.toTimeZone(QTimeZone(-5 * 3600))), u"2024-05-01 21:03:07"_qs);
    if (hadZone)
        qputenv("TZ", savedZone);
    else
        qunsetenv("TZ");
    tzset();
}

TEST(TranslationHistoryTextTest, PlainTextListsTheNewestFirstWithOneEmptyLineBetween) {
    const QDateTime first(QDate(2024, 5, 1), QTime(9, 0, 0), QTimeZone::systemTimeZone());
    const QList<TranslationHistoryRecord> records{
        record(first, u"おはよう"_qs, u"早上好"_qs, u"DeepSeek"_qs, 12.345),
        record(first.addSecs(65), u"またね"_qs, u"回头见"_qs, u"DeepSeek · 本地缓存"_qs, std::nullopt),
        record(first.addSecs(3600), u"はい"_qs, u"是"_qs, u"DeepL"_qs, 0.004),
    };
    EXPECT_EQ(historyPlainText(records),
              u"[2024-05-01 10:00:00] DeepL · <0.01 秒\n原文：はい\n译文：是\n\n"
              u"[2024-05-01 09:01:05] DeepSeek · 本地缓存 · 耗时未知\n原文：またね\n译文：回头见\n\n"
              u"[2024-05-01 09:00:00] DeepSeek · 12.35 秒\n原文：おはよう\n译文：早上好"_qs);
    EXPECT_EQ(historyPlainText({}), QString());
    EXPECT_EQ(emptyHistoryText(), u"还没有保存的翻译记录。"_qs);
}

TEST(TranslationHistoryTextTest, SessionStatisticsLine) {
    const QDateTime start(QDate(2024, 5, 1), QTime(9, 0), QTimeZone::utc());
    EXPECT_EQ(sessionStatsText(start, start.addSecs(3725), 0, 0, std::nullopt),
              u"最新 -- · 平均 -- · 本次 0 句 · 运行 01:02:05"_qs);
    EXPECT_EQ(sessionStatsText(std::nullopt, start, 0, 0, std::nullopt),
              u"最新 -- · 平均 -- · 本次 0 句 · 运行 00:00:00"_qs);
    EXPECT_EQ(sessionStatsText(start, start.addMSecs(59'999), 3, 4.5, 1.234),
              u"最新 1.23 秒 · 平均 1.50 秒 · 本次 3 句 · 运行 00:00:59"_qs);
    // A clock that went backwards reads as no run time; hours go past 24.
    EXPECT_EQ(sessionStatsText(start, start.addSecs(-30), 1, 0.001, 0.001),
              u"最新 <0.01 秒 · 平均 <0.01 秒 · 本次 1 句 · 运行 00:00:00"_qs);
    EXPECT_EQ(sessionStatsText(start, start.addSecs(100 * 3600 + 1), 2, 3, std::nan("")),
              u"最新 耗时未知 · 平均 1.50 秒 · 本次 2 句 · 运行 100:00:01"_qs);
}

TEST(TranslationHistoryTextTest, LatestTranslationPrefersTheSessionThenTheSavedHistory) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const TranslationHistoryRecord saved1 = record(now, u"一"_qs, u"1"_qs, u"p"_qs, 1);
    const TranslationHistoryRecord saved2 = record(now, u"二"_qs, u"2"_qs, u"p"_qs, 1);
    const TranslationHistoryRecord session1 = record(now, u"三"_qs, u"3"_qs, u"p"_qs, 1);
    const TranslationHistoryRecord session2 = record(now, u"四"_qs, u"4"_qs, u"p"_qs, 1);
    EXPECT_EQ(latestTranslationRecord({session1, session2}, {saved1, saved2}), session2);
    EXPECT_EQ(latestTranslationRecord({}, {saved1, saved2}), saved2);
    EXPECT_FALSE(latestTranslationRecord({}, {}));
}

}  // namespace
}  // namespace ovisu
