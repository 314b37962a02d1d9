#include "app/InProcessCommand.h"
#include "app/UIStoreCommands.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UITranslationCache.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using test::CommandRun;

CommandRun dictionaryCommand(const QStringList& arguments) {
    return test::runInProcess(runUIDictionaryCommand, QStringList{QStringLiteral("ui-dictionary")} + arguments);
}

CommandRun cacheCommand(const QStringList& arguments) {
    return test::runInProcess(runUICacheCommand, QStringList{QStringLiteral("ui-cache")} + arguments);
}

TEST(UIStoreCommandsTest, DictionaryEntriesAreAddedListedAndRemovedByTheirListedIndex) {
    CommandRun run = dictionaryCommand({"list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QStringLiteral("The fixed dictionary has no entries.\n"));

    for (const QStringList& add : {QStringList{"add", "設定", "设置"}, QStringList{"add", "OK", "确定", "--kind", "button"},
                                   QStringList{"add", "はい", "是"}}) {
        run = dictionaryCommand(add);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Added entry 3: "))) << run.out.toStdString();
    const QList<UIFixedDictionaryEntry> stored = UIFixedDictionaryStore().entries();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[1].kind, UIElementKind::button);

    run = dictionaryCommand({"list"});
    EXPECT_EQ(run.status, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1")) && lines[1].contains(QStringLiteral("設定")) &&
                lines[1].contains(QStringLiteral("全部类型")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("OK")) && lines[2].trimmed().endsWith(QStringLiteral("button")));

    run = dictionaryCommand({"remove", "2"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    run = dictionaryCommand({"list", "--json"});
    ASSERT_EQ(run.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject().value("kind"), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(array[1].toObject().value("index"), QJsonValue(2));
    EXPECT_EQ(array[1].toObject().value("source"), QJsonValue(QStringLiteral("はい")));
    EXPECT_EQ(array[1].toObject().value("id").toString(), stored[2].id.toString(QUuid::WithoutBraces).toUpper());
}

TEST(UIStoreCommandsTest, BadDictionaryArgumentsChangeNothingAndSayWhy) {
    ASSERT_EQ(dictionaryCommand({"add", "はい", "是"}).status, 0);
    const QByteArray before = readBytes(UIFixedDictionaryStore::defaultFileURL());

    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"add", "  ", "是"}, "固定词条的原文和译文不能为空"},
        {{"add", "いいえ", "否", "--kind", "toolbar"}, "unknown kind 'toolbar'"},
        {{"add", "いいえ"}, "usage"},
        {{"remove", "0"}, "1 to 1"},
        {{"remove", "2"}, "1 to 1"},
        {{"remove", "first"}, "not an entry's index"},
        {{"list", "--kind", "menu"}, "--kind applies to add only"},
        {{"rename"}, "list, add or remove"},
    };
    for (const Case& c : cases) {
        const CommandRun run = dictionaryCommand(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(readBytes(UIFixedDictionaryStore::defaultFileURL()), before);
}

TEST(UIStoreCommandsTest, CacheListPrintsTheManagerAndSummaryAndClearAllIsTheOnlyWayToDropCorrections) {
    {
        UITranslationCache cache;
        ASSERT_TRUE(cache.save(QStringLiteral("セーブ"), QStringLiteral("保存"), false));
        ASSERT_TRUE(cache.save(QStringLiteral("タイトル"), QStringLiteral("标题画面"), true));
    }
    CommandRun run = cacheCommand({"list"});
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("原文：セーブ\n译文：保存"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\n\n静态缓存 1 条 · 永久人工修正 1 条 · 固定词典 0 条\n")));

    EXPECT_EQ(cacheCommand({"list", "--all"}).status, 2);
    EXPECT_EQ(cacheCommand({"clear", "now"}).status, 2);
    EXPECT_EQ(cacheCommand({"clear", "--json"}).status, 2);

    ASSERT_EQ(cacheCommand({"clear"}).status, 0);
    run = cacheCommand({"list", "--json"});
    const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 1) << run.out.toStdString();
    EXPECT_EQ(array[0].toObject().value("manuallyCorrected"), QJsonValue(true));

    ASSERT_EQ(cacheCommand({"clear", "--all"}).status, 0);
    EXPECT_EQ(UITranslationCache().entryCount(), 0);
}

// When an unreadable file is set aside is the stores' own suite's; a command names the file.
TEST(UIStoreCommandsTest, UnreadableFilesAreReportedOnStandardError) {
    const QString dictionaryPath = UIFixedDictionaryStore::defaultFileURL();
    const QString cachePath = UITranslationCache::defaultFileURL();
    writeBytes(dictionaryPath, "[{\"id\": 3}]");
    writeBytes(cachePath, "{broken");

    CommandRun run = dictionaryCommand({"list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("moves it aside"))) << run.err.toStdString();
    run = cacheCommand({"list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains(cachePath)) << run.err.toStdString();
}

TEST(UIStoreCommandsTest, AFailedWriteEndsWithStatusOne) {
    const QString folder = QFileInfo(UITranslationCache::defaultFileURL()).absolutePath();
    writeBytes(folder, "a file where the stores' folder belongs");

    CommandRun run = dictionaryCommand({"add", "はい", "是"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("保存 UI 固定词典失败："))) << run.err.toStdString();
    run = cacheCommand({"clear", "--all"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("清除 UI 缓存失败："))) << run.err.toStdString();
    EXPECT_EQ(readBytes(folder), QByteArray("a file where the stores' folder belongs"));
}

}  // namespace
}  // namespace ovisu
