#include "history/ui/TranslationHistoryWindow.h"

#include "history/TranslationHistoryStore.h"
#include "history/TranslationHistoryText.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Answers the dialogs as a test says, and records what was asked.
struct ScriptedDialogs final : TranslationHistoryDialogs {
    std::optional<QString> exportAnswer;
    bool clearAnswer = false;
    QStringList proposedNames;
    int confirmations = 0;
    QStringList errors;
    int beeps = 0;

    std::optional<QString> chooseExportFile(QWidget*, const QString& proposedFileName) override {
        proposedNames << proposedFileName;
        return exportAnswer;
    }
    bool confirmClear(QWidget*) override {
        ++confirmations;
        return clearAnswer;
    }
    void showError(QWidget*, const QString& message) override { errors << message; }
    void beep() override { ++beeps; }
};

TranslationHistoryRecord record(int minute, const QString& original, const QString& translation) {
    const QDateTime at(QDate(2024, 5, 1), QTime(9, minute, 0), QTimeZone::systemTimeZone());
    return {QUuid::createUuid(), at, original, translation, u"DeepL"_qs, 1.5};
}

class TranslationHistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = QDir(test::currentHome()).filePath(u"history/translation-history.json"_qs);
        auto owned = std::make_unique<ScriptedDialogs>();
        dialogs = owned.get();
        controller = std::make_unique<TranslationHistoryController>(path, std::move(owned));
    }

    void saveHistory(const QList<TranslationHistoryRecord>& records) {
        ASSERT_TRUE(TranslationHistoryStore(path).save(records).has_value());
    }

    QString shownText() const { return controller->historyWindow()->textView()->toPlainText(); }

    QString path;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<TranslationHistoryController> controller;
    const QList<TranslationHistoryRecord> threeRecords{
        record(0, u"おはよう"_qs, u"早上好"_qs),
        record(1, u"またね"_qs, u"回头见"_qs),
        record(2, u"はい"_qs, u"是"_qs),
    };
};

TEST_F(TranslationHistoryWindowTest, OpensWithTheNewestFirstAndIsBuiltOnce) {
    EXPECT_EQ(controller->historyWindow(), nullptr);
    saveHistory(threeRecords);
    controller->openTranslationHistory();
    TranslationHistoryWindow* window = controller->historyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(shownText().startsWith(u"[2024-05-01 09:02:00] DeepL · 1.50 秒\n原文：はい\n译文：是"_qs));
    EXPECT_TRUE(window->textView()->isReadOnly());

    window->close();
    EXPECT_FALSE(window->isVisible());
    saveHistory({});
    controller->openTranslationHistory();
    EXPECT_EQ(controller->historyWindow(), window);
    EXPECT_EQ(shownText(), u"还没有保存的翻译记录。"_qs);
}

TEST_F(TranslationHistoryWindowTest, RefreshesOnlyWhileVisible) {
    saveHistory(threeRecords.mid(0, 1));
    controller->refreshIfVisible();  // no window yet: nothing to do, nothing built
    EXPECT_EQ(controller->historyWindow(), nullptr);

    controller->openTranslationHistory();
    saveHistory(threeRecords);
    controller->refreshIfVisible();
    EXPECT_EQ(shownText(), historyPlainText(threeRecords));

    controller->historyWindow()->hide();
    saveHistory({});
    controller->refreshIfVisible();
    EXPECT_EQ(shownText(), historyPlainText(threeRecords));
}

TEST_F(TranslationHistoryWindowTest, ExportWritesThePlainTextOrBeepsWhenEmpty) {
    const QString destination = QDir(test::currentHome()).filePath(u"exports/历史.txt"_qs);
    dialogs->exportAnswer = destination;
    controller->exportTranslationHistory();
    EXPECT_EQ(dialogs->beeps, 1);
    EXPECT_TRUE(dialogs->proposedNames.isEmpty());
    EXPECT_FALSE(QFile::exists(destination));

    saveHistory(threeRecords);
    dialogs->exportAnswer.reset();  // cancelled
    controller->exportTranslationHistory();
    EXPECT_EQ(dialogs->proposedNames, QStringList{u"Ovisu翻译历史.txt"_qs});
    EXPECT_FALSE(QFile::exists(destination));

    dialogs->exportAnswer = destination;
    controller->exportTranslationHistory();
    EXPECT_EQ(QString::fromUtf8(test::readBytes(destination)), historyPlainText(threeRecords));
    EXPECT_TRUE(dialogs->errors.isEmpty());
    EXPECT_EQ(dialogs->beeps, 1);
}

TEST_F(TranslationHistoryWindowTest, ExportAndClearFailuresAreShownAndLeaveTheHistoryAlone) {
    saveHistory(threeRecords);
    const QByteArray before = test::readBytes(path);
    // A destination whose parent is a file cannot be written.
    dialogs->exportAnswer = path + u"/export.txt"_qs;
    controller->exportTranslationHistory();
    ASSERT_EQ(dialogs->errors.size(), 1);
    EXPECT_FALSE(dialogs->errors.constFirst().isEmpty());
    EXPECT_EQ(test::readBytes(path), before);

    // A history file that cannot be written: clearing reports it and changes nothing shown.
    auto owned = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs* blockedDialogs = owned.get();
    blockedDialogs->clearAnswer = true;
    TranslationHistoryController blocked(path + u"/translation-history.json"_qs, std::move(owned));
    blocked.clearTranslationHistory();
    EXPECT_EQ(blockedDialogs->confirmations, 1);
    ASSERT_EQ(blockedDialogs->errors.size(), 1);
    EXPECT_EQ(test::readBytes(path), before);
}

TEST_F(TranslationHistoryWindowTest, ClearAsksFirstAndEmptiesTheFileAndTheWindow) {
    saveHistory(threeRecords);
    controller->openTranslationHistory();
    const QByteArray before = test::readBytes(path);

    dialogs->clearAnswer = false;  // 取消
    controller->clearTranslationHistory();
    EXPECT_EQ(dialogs->confirmations, 1);
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(shownText(), historyPlainText(threeRecords));

    dialogs->clearAnswer = true;  // 清空
    controller->clearTranslationHistory();
    EXPECT_EQ(dialogs->confirmations, 2);
    EXPECT_TRUE(TranslationHistoryStore(path).load().isEmpty());
    EXPECT_EQ(shownText(), u"还没有保存的翻译记录。"_qs);
    EXPECT_TRUE(dialogs->errors.isEmpty());
}

TEST_F(TranslationHistoryWindowTest, ClearWithoutAWindowStillClearsAndButtonsReachTheActions) {
    saveHistory(threeRecords);
    dialogs->clearAnswer = true;
    controller->clearTranslationHistory();
    EXPECT_TRUE(TranslationHistoryStore(path).load().isEmpty());
    EXPECT_EQ(controller->historyWindow(), nullptr);

    saveHistory(threeRecords);
    controller->openTranslationHistory();
    const QString destination = QDir(test::currentHome()).filePath(u"by-button.txt"_qs);
    dialogs->exportAnswer = destination;
    controller->historyWindow()->exportButton()->click();
    EXPECT_TRUE(QFile::exists(destination));
    controller->historyWindow()->clearButton()->click();
    EXPECT_EQ(dialogs->confirmations, 2);
    EXPECT_EQ(shownText(), u"还没有保存的翻译记录。"_qs);
}

}  // namespace
}  // namespace ovisu
