#include "app/HistoryCommand.h"
#include "app/InProcessCommand.h"
#include "history/TranslationHistoryStore.h"
#include "history/TranslationHistoryText.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

test::CommandRun runHistory(const QStringList& options) {
    return test::runInProcess(runHistoryCommand, QStringList{u"history"_qs} + options);
}

QList<TranslationHistoryRecord> saveTwoRecords() {
    const QDateTime at(QDate(2024, 5, 1), QTime(9, 0), QTimeZone::utc());
    const QList<TranslationHistoryRecord> records{
        {QUuid::createUuid(), at, u"おはよう"_qs, u"早上好"_qs, u"DeepSeek"_qs, 1.5},
        {QUuid::createUuid(), at.addSecs(30), u"またね"_qs, u"回头见"_qs, u"DeepL"_qs, std::nullopt},
    };
    EXPECT_TRUE(TranslationHistoryStore().save(records));
    return records;
}

TEST(HistoryCommandTest, PrintsTheSavedHistoryNewestFirstOrSaysThereIsNone) {
    auto run = runHistory({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, u"还没有保存的翻译记录。\n"_qs);
    EXPECT_TRUE(run.err.isEmpty());

    const auto records = saveTwoRecords();
    run = runHistory({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, historyPlainText(records) + u"\n"_qs);
    EXPECT_LT(run.out.indexOf(u"原文：またね"_qs), run.out.indexOf(u"原文：おはよう"_qs));
}

TEST(HistoryCommandTest, ExportsTheTextAsUtf8) {
    const auto records = saveTwoRecords();
    const QString destination = test::currentHome() + u"/exports/Ovisu翻译历史.txt"_qs;
    const auto run = runHistory({u"--export"_qs, destination});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readBytes(destination), historyPlainText(records).toUtf8());
    EXPECT_TRUE(run.out.contains(destination));
    EXPECT_TRUE(run.out.contains(u"2 records"_qs));
}

TEST(HistoryCommandTest, AnUnreadableHistoryIsNamedAndLeftAlone) {
    const QString path = TranslationHistoryStore::defaultFilePath();
    writeBytes(path, "[{broken");

    const auto run = runHistory({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, u"还没有保存的翻译记录。\n"_qs);
    EXPECT_TRUE(run.err.contains(u"cannot be read"_qs));
    EXPECT_EQ(readBytes(path), QByteArray("[{broken"));
}

TEST(HistoryCommandTest, RefusesStrayArgumentsAnEmptyExportAndReportsAFailedOne) {
    auto run = runHistory({u"extra"_qs});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(u"extra"_qs));

    const QString empty = test::currentHome() + u"/empty.txt"_qs;
    run = runHistory({u"--export"_qs, empty});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(u"还没有保存的翻译记录。"_qs));
    EXPECT_FALSE(QFileInfo::exists(empty));

    saveTwoRecords();
    const QString blocker = test::currentHome() + u"/file"_qs;
    writeBytes(blocker, "a file where a folder is needed");
    run = runHistory({u"--export"_qs, blocker + u"/history.txt"_qs});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.isEmpty());
}

}  // namespace
}  // namespace ovisu
