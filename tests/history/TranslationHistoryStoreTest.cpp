#include "support/TestFiles.h"
#include "history/AsyncHistoryAppender.h"
#include "history/TranslationHistoryStore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <memory>

using ovisu::test::readBytes;

namespace ovisu {
namespace {

const QDateTime kStart(QDate(2024, 5, 1), QTime(13, 3, 7), QTimeZone::utc());

TranslationHistoryRecord record(const QString& original, const QString& provider = u"DeepSeek"_qs,
                                std::optional<double> duration = 1.25, int secondsAfterStart = 0) {
    return {QUuid::createUuid(), kStart.addSecs(secondsAfterStart), original, u"译："_qs + original, provider,
            duration};
}

TEST(TranslationHistoryStoreTest, RecordsAreWrittenWithSortedKeysUpperCaseIdsAndReferenceDates) {
    TranslationHistoryRecord withDuration = record(u"おはよう"_qs);
    withDuration.id = QUuid::fromString(u"6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10"_qs);
    withDuration.createdAt = kStart.addMSecs(250);
    const QJsonObject encoded = TranslationHistoryStore::encodeRecord(withDuration);
    EXPECT_EQ(encoded.value(u"id"_qs).toString(), u"6F1C2A7E-0B9D-4C1E-9F3A-2B8E5D7C4A10"_qs);
    EXPECT_EQ(encoded.value(u"createdAt"_qs).toDouble(), 736261387.25);
    EXPECT_EQ(encoded.value(u"duration"_qs).toDouble(), 1.25);

    TranslationHistoryRecord withoutDuration = record(u"こんばんは"_qs, u"DeepL"_qs, std::nullopt);
    EXPECT_FALSE(TranslationHistoryStore::encodeRecord(withoutDuration).contains(u"duration"_qs));
    TranslationHistoryRecord notANumber = record(u"x"_qs, u"DeepL"_qs, std::nan(""));
    EXPECT_FALSE(TranslationHistoryStore::encodeRecord(notANumber).contains(u"duration"_qs));

    const QByteArray file = TranslationHistoryStore::encode({withDuration, withoutDuration});
    const QString text = QString::fromUtf8(file);
    EXPECT_LT(text.indexOf(u"\"createdAt\""_qs), text.indexOf(u"\"duration\""_qs));
    EXPECT_LT(text.indexOf(u"\"duration\""_qs), text.indexOf(u"\"id\""_qs));
    EXPECT_LT(text.indexOf(u"\"original\""_qs), text.indexOf(u"\"provider\""_qs));
    EXPECT_LT(text.indexOf(u"\"provider\""_qs), text.indexOf(u"\"translation\""_qs));
    EXPECT_TRUE(text.contains(u"\n    "_qs)) << "pretty-printed";

    const auto decoded = TranslationHistoryStore::decode(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, (QList<TranslationHistoryRecord>{withDuration, withoutDuration}));
}

TEST(TranslationHistoryStoreTest, DecodingRefusesAnyRecordThatIsNotWhole) {
    const QByteArray good =
        R"({"createdAt":1.5,"id":"6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10","original":"o","provider":"p","translation":"t"})";
    const auto one = TranslationHistoryStore::decode("[" + good + "]");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->first().id, QUuid::fromString(u"6F1C2A7E-0B9D-4C1E-9F3A-2B8E5D7C4A10"_qs));
    EXPECT_FALSE(one->first().duration);
    // A null duration reads as unknown.
    QByteArray nullDuration = good;
    nullDuration.replace("\"createdAt\"", "\"duration\":null,\"createdAt\"");
    ASSERT_TRUE(TranslationHistoryStore::decode("[" + nullDuration + "]"));

    const QList<QByteArray> broken{
        R"({"createdAt":1.5,"original":"o","provider":"p","translation":"t"})",
        R"({"createdAt":"today","id":"6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10","original":"o","provider":"p","translation":"t"})",
        R"({"createdAt":1.5,"id":"not-a-uuid","original":"o","provider":"p","translation":"t"})",
        R"({"createdAt":1.5,"id":"{6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10}","original":"o","provider":"p","translation":"t"})",
        R"({"createdAt":1.5,"id":"6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10","original":"o","provider":"p"})",
        R"({"createdAt":1.5,"id":"6f1c2a7e-0b9d-4c1e-9f3a-2b8e5d7c4a10","original":"o","provider":"p","translation":"t","duration":"1s"})",
        R"("just a string")",
    };
    for (const QByteArray& bad : broken) {
        EXPECT_FALSE(TranslationHistoryStore::decode("[" + good + "," + bad + "]")) << bad.toStdString();
    }
    EXPECT_FALSE(TranslationHistoryStore::decode("{}"));
    EXPECT_FALSE(TranslationHistoryStore::decode("[1,"));
}

TEST(TranslationHistoryStoreTest, ARetranslationOfTheLastLineReplacesItOtherwiseRecordsAreAdded) {
    TranslationHistoryStore store;
    EXPECT_TRUE(store.load().isEmpty());

    ASSERT_TRUE(store.append(record(u"一"_qs)));
    const TranslationHistoryRecord newer = record(u"一"_qs, u"DeepSeek"_qs, 2.0, 5);
    auto saved = store.append(newer);
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, QList<TranslationHistoryRecord>{newer});

    const TranslationHistoryRecord otherSource = record(u"一"_qs, u"DeepSeek · 本地缓存"_qs);
    const TranslationHistoryRecord otherLine = record(u"二"_qs, u"DeepSeek · 本地缓存"_qs);
    ASSERT_TRUE(store.append(otherSource));
    ASSERT_TRUE(store.append(otherLine));
    // Only the last record is ever replaced: "一" from DeepSeek is no longer last.
    const TranslationHistoryRecord again = record(u"一"_qs);
    ASSERT_TRUE(store.append(again));
    EXPECT_EQ(store.load(), (QList<TranslationHistoryRecord>{newer, otherSource, otherLine, again}));
}

TEST(TranslationHistoryStoreTest, KeepsTheNewest5000Records) {
    TranslationHistoryStore store;
    QList<TranslationHistoryRecord> full;
    for (int i = 0; i < 5000; ++i)
        full.append(record(QString::number(i), u"p"_qs, std::nullopt, i));
    ASSERT_TRUE(store.save(full));
    const auto saved = store.append(record(u"5000"_qs, u"p"_qs, std::nullopt, 5000));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 5000);
    EXPECT_EQ(saved->first().original, u"1"_qs);
    EXPECT_EQ(saved->last().original, u"5000"_qs);
    EXPECT_EQ(store.load(), *saved);
}

TEST(TranslationHistoryStoreTest, SavingTheEmptyListLeavesAnEmptyArray) {
    TranslationHistoryStore store;
    ASSERT_TRUE(store.append(record(u"一"_qs)));
    ASSERT_TRUE(store.save({}));
    EXPECT_EQ(QJsonDocument::fromJson(readBytes(store.filePath())).array(), QJsonArray());
    EXPECT_TRUE(store.load().isEmpty());
}

TEST(AsyncHistoryAppenderTest, AppendsOffTheCallingThreadInTheOrderHandedOver) {
    AsyncHistoryAppender appender;
    QList<TranslationHistoryRecord> expected;
    for (int i = 0; i < 120; ++i) {
        // Every tenth result re-translates the line before it and so replaces it.
        const QString original = i % 10 == 9 ? expected.last().original : QString::number(i);
        const TranslationHistoryRecord next = record(original, u"p"_qs, i * 0.1, i);
        if (i % 10 == 9)
            expected.last() = next;
        else
            expected.append(next);
        appender.append(next);
    }
    appender.waitForPendingAppends();
    EXPECT_EQ(TranslationHistoryStore().load(), expected);
}

TEST(AsyncHistoryAppenderTest, HandsTheSavedListBackOnItsOwnThreadUnlessTheReceiverIsGone) {
    AsyncHistoryAppender appender;
    QList<int> sizes;
    QList<QThread*> threads;
    auto receiver = std::make_unique<QObject>();
    const auto saved = [&](const QList<TranslationHistoryRecord>& history) {
        sizes.append(int(history.size()));
        threads.append(QThread::currentThread());
    };
    appender.append(record(u"一"_qs), receiver.get(), saved);
    appender.append(record(u"二"_qs), nullptr, saved);
    appender.waitForPendingAppends();
    EXPECT_TRUE(sizes.isEmpty()) << "results arrive through the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(sizes, (QList<int>{1, 2}));
    EXPECT_EQ(threads, (QList<QThread*>{QThread::currentThread(), QThread::currentThread()}));

    appender.append(record(u"三"_qs), receiver.get(), saved);
    appender.waitForPendingAppends();
    receiver.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(sizes.size(), 2);
    EXPECT_EQ(TranslationHistoryStore().load().size(), 3) << "the append itself still happened";
}

}  // namespace
}  // namespace ovisu
