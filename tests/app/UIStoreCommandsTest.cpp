#include "app/InProcessCommand.h"
#include "app/UIStoreCommands.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UITranslationCache.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using ovisu::test::readBytes;
using ovisu::test::setAsideFiles;
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

    run = dictionaryCommand({"add", " 設定 ", "设置\n"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    run = dictionaryCommand({"add", "OK", "确定", "--kind", "button"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("(button)"))) << run.out.toStdString();
    run = dictionaryCommand({"add", "はい", "是"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    const QList<UIFixedDictionaryEntry> stored = UIFixedDictionaryStore().entries();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[0].source, QStringLiteral("設定"));  // trimmed as the dialog does
    EXPECT_EQ(stored[0].translation, QStringLiteral("设置"));
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
    EXPECT_TRUE(run.out.contains(QStringLiteral("OK")));

    run = dictionaryCommand({"list", "--json"});
    ASSERT_EQ(run.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject().value("source"), QJsonValue(QStringLiteral("設定")));
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
        {{"add", "いいえ", "\n"}, "固定词条的原文和译文不能为空"},
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

TEST(UIStoreCommandsTest, ClearKeepsManualCorrectionsAndClearAllRemovesThem) {
    {
        // A second apart, so "newest first" has one answer.
        auto next = std::make_shared<QDateTime>(QDateTime::currentDateTimeUtc().addSecs(-10));
        UITranslationCache cache(UITranslationCache::defaultFileURL(), [next] { return *next = next->addSecs(1); });
        ASSERT_TRUE(cache.save(QStringLiteral("セーブ"), QStringLiteral("保存"), false));
        ASSERT_TRUE(cache.save(QStringLiteral("ロード"), QStringLiteral("读取"), false));
        ASSERT_TRUE(cache.save(QStringLiteral("タイトル"), QStringLiteral("标题画面"), true));
    }
    CommandRun run = cacheCommand({"list"});
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("[永久人工修正] "))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("原文：セーブ\n译文：保存")));
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\n\n静态缓存 2 条 · 永久人工修正 1 条 · 固定词典 0 条\n")));

    EXPECT_EQ(cacheCommand({"list", "--all"}).status, 2);
    EXPECT_EQ(cacheCommand({"clear", "now"}).status, 2);

    run = cacheCommand({"clear"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(UITranslationCache().entryCount(), 1);
    EXPECT_TRUE(UITranslationCache().entry(QStringLiteral("タイトル"))->manuallyCorrected);

    run = cacheCommand({"list", "--json"});
    const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 1);
    EXPECT_EQ(array[0].toObject().value("manuallyCorrected"), QJsonValue(true));

    run = cacheCommand({"clear", "--all"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(readBytes(UITranslationCache::defaultFileURL())), QJsonDocument(QJsonObject()));
    EXPECT_EQ(cacheCommand({"list"}).out,
              QStringLiteral("还没有 UI 翻译缓存。\n\n静态缓存 0 条 · 永久人工修正 0 条 · 固定词典 0 条\n"));
}

TEST(UIStoreCommandsTest, UnreadableFilesAreReportedAndSetAsideOnlyWhenSomethingIsWritten) {
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
    EXPECT_TRUE(setAsideFiles(dictionaryPath).isEmpty());
    EXPECT_TRUE(setAsideFiles(cachePath).isEmpty());

    ASSERT_EQ(dictionaryCommand({"add", "はい", "是"}).status, 0);
    ASSERT_EQ(cacheCommand({"clear"}).status, 0);
    const QStringList dictionaryAside = setAsideFiles(dictionaryPath);
    const QStringList cacheAside = setAsideFiles(cachePath);
    ASSERT_EQ(dictionaryAside.size(), 1);
    ASSERT_EQ(cacheAside.size(), 1);
    const QString folder = QFileInfo(cachePath).absolutePath() + QLatin1Char('/');
    EXPECT_EQ(readBytes(folder + dictionaryAside[0]), QByteArray("[{\"id\": 3}]"));
    EXPECT_EQ(readBytes(folder + cacheAside[0]), QByteArray("{broken"));
    EXPECT_EQ(UIFixedDictionaryStore().entries().size(), 1);
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
