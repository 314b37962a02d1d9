#include "support/TestFiles.h"
#include "base/ReferenceDate.h"
#include "dialogue/DialogueTranslationCache.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <memory>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

class DialogueTranslationCacheTest : public ::testing::Test {
protected:
    const QDateTime start{QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc()};
    std::shared_ptr<QDateTime> now = std::make_shared<QDateTime>(start);
    const QString path = DialogueTranslationCache::defaultFilePath();

    DialogueTranslationCache makeCache() {
        return DialogueTranslationCache(path, [now = now] { return *now; });
    }
    QJsonObject fileObject() const { return QJsonDocument::fromJson(readBytes(path)).object(); }
};

TEST_F(DialogueTranslationCacheTest, SavesCompactlyAndAnswersFromTheFileAfterARestart) {
    {
        DialogueTranslationCache cache = makeCache();
        EXPECT_FALSE(cache.resolve(u"k1"_qs));
        EXPECT_FALSE(QFileInfo::exists(path)) << "a miss on an empty cache writes nothing";
        cache.save(u"k1"_qs, u"おはよう"_qs, u"早上好"_qs);
    }
    const QByteArray bytes = readBytes(path);
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_EQ(fileObject().value(u"k1"_qs).toObject(),
              (QJsonObject{{"key", "k1"}, {"source", u"おはよう"_qs}, {"translation", u"早上好"_qs},
                           {"lastUsedAt", secondsSinceReferenceDate(start)}, {"hitCount", 0}}));

    *now = start.addSecs(60);
    DialogueTranslationCache reopened = makeCache();
    EXPECT_EQ(reopened.resolve(u"k1"_qs), u"早上好"_qs);
    EXPECT_EQ(fileObject().value(u"k1"_qs).toObject().value(u"hitCount"_qs).toInt(), 1);
}

TEST_F(DialogueTranslationCacheTest, AnEntryLivesThirtyDaysFromItsLastUse) {
    DialogueTranslationCache cache = makeCache();
    cache.save(u"fresh"_qs, u"a"_qs, u"甲"_qs);
    cache.save(u"stale"_qs, u"b"_qs, u"乙"_qs);

    *now = start.addSecs(2'592'000);
    EXPECT_EQ(cache.resolve(u"fresh"_qs), u"甲"_qs);
    EXPECT_EQ(cache.entries().value(u"fresh"_qs).lastUsedAt, *now);
    EXPECT_EQ(cache.entries().value(u"fresh"_qs).hitCount, 1);

    *now = start.addSecs(2'592'001);
    EXPECT_FALSE(cache.resolve(u"stale"_qs));
    EXPECT_FALSE(cache.entries().contains(u"stale"_qs));
    EXPECT_FALSE(fileObject().contains(u"stale"_qs)) << "the expiry is persisted";
    // The hit above moved "fresh" forward, so it is still far from expiring.
    EXPECT_EQ(cache.resolve(u"fresh"_qs), u"甲"_qs);
    EXPECT_EQ(cache.entries().value(u"fresh"_qs).hitCount, 2);
}

TEST_F(DialogueTranslationCacheTest, SavingAgainKeepsTheHitCountAndDoesNotGrow) {
    DialogueTranslationCache cache = makeCache();
    cache.save(u"k"_qs, u"原文"_qs, u"旧译文"_qs);
    cache.resolve(u"k"_qs);
    cache.resolve(u"k"_qs);
    *now = start.addSecs(5);
    cache.save(u"k"_qs, u"原文"_qs, u"新译文"_qs);
    ASSERT_EQ(cache.entries().size(), 1);
    const DialogueTranslationCacheEntry entry = cache.entries().value(u"k"_qs);
    EXPECT_EQ(entry.hitCount, 2);
    EXPECT_EQ(entry.translation, u"新译文"_qs);
    EXPECT_EQ(entry.lastUsedAt, *now);
}

TEST_F(DialogueTranslationCacheTest, The501stEntryEvictsTheLeastRecentlyUsed) {
    QHash<QString, DialogueTranslationCacheEntry> full;
    for (int i = 0; i < 500; ++i)
        full.insert(u"k%1"_qs.arg(i), {u"k%1"_qs.arg(i), u"s"_qs, u"t"_qs, start.addSecs(i), 0});
    writeBytes(path, DialogueTranslationCache::encode(full));
    DialogueTranslationCache cache = makeCache();
    ASSERT_EQ(cache.entries(), full);
    // A hit makes the oldest entry the most recently used one.
    *now = start.addSecs(1000);
    ASSERT_TRUE(cache.resolve(u"k0"_qs));
    *now = start.addSecs(1001);
    cache.save(u"new"_qs, u"s"_qs, u"t"_qs);

    EXPECT_EQ(cache.entries().size(), 500);
    EXPECT_TRUE(cache.entries().contains(u"k0"_qs));
    EXPECT_FALSE(cache.entries().contains(u"k1"_qs));
    EXPECT_TRUE(cache.entries().contains(u"k2"_qs));
    EXPECT_TRUE(cache.entries().contains(u"new"_qs));
    EXPECT_EQ(fileObject().size(), 500);
    EXPECT_EQ(makeCache().entries(), cache.entries());
}

// Moving an unreadable file aside and failed writes are checked for every store in
// StoreFileSafetyTest; here only what makes an entry unreadable.
TEST_F(DialogueTranslationCacheTest, AFieldOfTheWrongTypeMakesTheFileUnreadableAWholeDecimalDoesNot) {
    const QList<QByteArray> corruptFiles{
        R"({"k":{"key":"k","source":"s","translation":"t","lastUsedAt":1,"hitCount":1.5}})",  // not an integer
        R"({"k":{"key":"k","source":"s","translation":7,"lastUsedAt":1,"hitCount":1}})",
        R"({"k":{"key":"k","source":"s","translation":"t","lastUsedAt":"yesterday","hitCount":1}})",
    };
    for (const QByteArray& corrupt : corruptFiles) {
        SCOPED_TRACE(corrupt.toStdString());
        writeBytes(path, corrupt);
        DialogueTranslationCache cache = makeCache();
        EXPECT_TRUE(cache.entries().isEmpty());
        EXPECT_FALSE(cache.resolve(u"k"_qs));
        EXPECT_EQ(readBytes(path), corrupt) << "nothing is written before a change";
    }
    // A whole number written as a decimal is still a hit count.
    writeBytes(path, R"({"k":{"key":"k","source":"s","translation":"t","lastUsedAt":736257600,"hitCount":3.0}})");
    EXPECT_EQ(makeCache().entries().value(u"k"_qs).hitCount, 3);
}

}  // namespace
}  // namespace ovisu
