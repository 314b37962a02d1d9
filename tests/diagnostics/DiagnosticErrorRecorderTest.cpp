#include "diagnostics/DiagnosticErrorRecorder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace ovisu {
namespace {

DiagnosticErrorRecord numbered(int number) {
    DiagnosticErrorRecord record;
    record.occurredAt = QDateTime(QDate(2024, 5, 1), QTime(13, 3, 7), QTimeZone::utc());
    record.category = u"translation"_qs;
    record.operation = u"实时翻译"_qs;
    record.message = QString::number(number);
    record.retryCount = number;
    return record;
}

TEST(DiagnosticErrorRecordTest, JsonLeavesAbsentFieldsOutAndWritesUtcSeconds) {
    DiagnosticErrorRecord record = numbered(2);
    // 22:03:07.640 at +09:00 is 13:03:07.640 UTC; the fraction is not written.
    record.occurredAt = QDateTime(QDate(2024, 5, 1), QTime(22, 3, 7, 640), QTimeZone(9 * 3600));
    const QJsonObject bare = record.toJson();
    EXPECT_EQ(bare.keys(), (QStringList{"category", "message", "occurredAt", "operation", "retryCount"}));
    EXPECT_EQ(bare.value(u"occurredAt"_qs).toString(), u"2024-05-01T13:03:07Z"_qs);
    EXPECT_EQ(bare.value(u"retryCount"_qs).toInt(), 2);

    record.provider = u"DeepSeek"_qs;
    record.errorCode = u"HTTP 429"_qs;
    record.httpStatus = 429;
    const QJsonObject full = record.toJson();
    EXPECT_EQ(full.value(u"provider"_qs).toString(), u"DeepSeek"_qs);
    EXPECT_EQ(full.value(u"errorCode"_qs).toString(), u"HTTP 429"_qs);
    EXPECT_EQ(full.value(u"httpStatus"_qs).toInt(), 429);

    // Read back, a whole-second date comes back equal; absent and null fields read as absent.
    record.occurredAt = QDateTime(QDate(2024, 5, 1), QTime(13, 3, 7), QTimeZone::utc());
    EXPECT_EQ(DiagnosticErrorRecord::fromJson(record.toJson()), record);
    QJsonObject withNull = numbered(1).toJson();
    withNull.insert(u"provider"_qs, QJsonValue::Null);
    EXPECT_EQ(DiagnosticErrorRecord::fromJson(withNull), numbered(1));

    // A mistyped field, a missing message, an unreadable date: no record.
    for (const auto& [key, value] : {std::pair{u"httpStatus"_qs, QJsonValue(u"429"_qs)},
                                     {u"message"_qs, QJsonValue(QJsonValue::Undefined)},
                                     {u"occurredAt"_qs, QJsonValue(u"yesterday"_qs)}}) {
        QJsonObject broken = numbered(1).toJson();
        broken.insert(key, value);
        EXPECT_FALSE(DiagnosticErrorRecord::fromJson(broken)) << key.toStdString();
    }
}

TEST(DiagnosticErrorRecordTest, TranslationFailureRecordFromThePipeline) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const DiagnosticErrorRecord failed =
        DiagnosticErrorRecord::translationFailure(now, u"DeepSeek"_qs, u"The request timed out. (-1001)"_qs, 504);
    DiagnosticErrorRecord expected = numbered(0);
    expected.occurredAt = now;
    expected.provider = u"DeepSeek"_qs;
    expected.errorCode = expected.message = u"The request timed out. (-1001)"_qs;
    expected.httpStatus = 504;
    EXPECT_EQ(failed, expected);

    for (const std::optional<QString>& nothing : {std::optional<QString>(), std::optional<QString>(u""_qs)}) {
        const DiagnosticErrorRecord unknown =
            DiagnosticErrorRecord::translationFailure(now, std::nullopt, nothing, std::nullopt);
        EXPECT_FALSE(unknown.provider);
        EXPECT_FALSE(unknown.errorCode);
        EXPECT_FALSE(unknown.httpStatus);
        EXPECT_EQ(unknown.message, u"未知翻译错误"_qs);
    }
}

TEST(DiagnosticErrorRecorderTest, KeepsTheNewest100OldestFirst) {
    DiagnosticErrorRecorder recorder;
    for (int i = 0; i < 150; ++i)
        recorder.append(numbered(i));
    const QList<DiagnosticErrorRecord> records = recorder.records();
    ASSERT_EQ(records.size(), 100);
    EXPECT_EQ(records.first().message, u"50"_qs);
    EXPECT_EQ(records.last().message, u"149"_qs);

    const QJsonDocument json = QJsonDocument::fromJson(recorder.recordsJson());
    ASSERT_TRUE(json.isArray());
    ASSERT_EQ(json.array().size(), 100);
    EXPECT_EQ(json.array().first().toObject().value(u"message"_qs).toString(), u"50"_qs);
    const QString text = QString::fromUtf8(recorder.recordsJson());
    EXPECT_TRUE(text.contains(u"\n        \"category\""_qs)) << "pretty-printed";
    EXPECT_LT(text.indexOf(u"\"category\""_qs), text.indexOf(u"\"message\""_qs));
    EXPECT_EQ(QString::fromUtf8(DiagnosticErrorRecorder().recordsJson()).trimmed(), u"[\n]"_qs);
}

TEST(DiagnosticErrorRecorderTest, AppendsAndCopiesFromManyThreadsAtOnce) {
    DiagnosticErrorRecorder recorder;
    std::vector<std::thread> threads;
    std::atomic<bool> inconsistent = false;
    for (int thread = 0; thread < 6; ++thread)
        threads.emplace_back([&recorder, thread] {
            for (int i = 0; i < 500; ++i)
                recorder.append(numbered(thread * 1000 + i));
        });
    threads.emplace_back([&recorder, &inconsistent] {
        for (int i = 0; i < 300; ++i) {
            const QList<DiagnosticErrorRecord> copy = recorder.records();
            if (copy.size() > DiagnosticErrorRecorder::maximumCount)
                inconsistent = true;
            for (const DiagnosticErrorRecord& record : copy)
                if (record.category != u"translation"_qs)
                    inconsistent = true;
        }
    });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_FALSE(inconsistent);
    const QList<DiagnosticErrorRecord> records = recorder.records();
    ASSERT_EQ(records.size(), 100);
    // Each thread's own records stay in the order it appended them.
    QMap<int, int> lastPerThread;
    for (const DiagnosticErrorRecord& record : records) {
        const int number = record.message.toInt();
        const int thread = number / 1000;
        EXPECT_LT(lastPerThread.value(thread, -1), number % 1000);
        lastPerThread[thread] = number % 1000;
    }
}

}  // namespace
}  // namespace ovisu
