#include "interface/ui/UICacheManagerWindow.h"
#include "interface/ui/UIDictionaryEditorWindow.h"
#include "interface/ui/UIDictionaryEntryDialog.h"

#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimeZone>
#include <QTimer>

#include <functional>
#include <memory>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using Outcome = UIStoredTranslations::DictionaryOutcome;

// Answers the next modal dialog from inside its event loop, as the user would. Polls, because the dialog only becomes
// the active modal widget once exec() has shown it; stops polling when it goes out of scope, so a dialog that never
// opened leaves nothing behind for later tests.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : m_answer(std::move(answer)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            m_timer.stop();
            ++m_answered;
            m_answer(modal);
        });
        m_timer.start();
    }
    int answered() const { return m_answered; }

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    int m_answered = 0;
};

// Fails the test without leaving the wrong dialog's event loop running.
void closeUnexpected(QWidget* modal) {
    ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

// What the entry dialog showed when it opened.
struct DialogSeen {
    QString title;
    QString source;
    QString translation;
    int kindItem = -1;
};

// Records the entry dialog, types into it and presses "保存" (or "取消" when `cancel`).
std::function<void(QWidget*)> fillEntryDialog(DialogSeen& seen, std::optional<QString> source,
                                              std::optional<QString> translation, std::optional<int> kindItem,
                                              bool cancel = false) {
    return [&seen, source, translation, kindItem, cancel](QWidget* modal) {
        auto* dialog = dynamic_cast<UIDictionaryEntryDialog*>(modal);
        if (!dialog) {
            closeUnexpected(modal);
            return;
        }
        seen = {dialog->windowTitle(), dialog->sourceField()->text(), dialog->translationField()->text(),
                dialog->kindPopUp()->currentIndex()};
        if (source)
            dialog->sourceField()->setText(*source);
        if (translation)
            dialog->translationField()->setText(*translation);
        if (kindItem)
            dialog->kindPopUp()->setCurrentIndex(*kindItem);
        (cancel ? dialog->cancelButton() : dialog->saveButton())->click();
    };
}

// Records the confirmation box's texts and presses the button titled `choice`.
std::function<void(QWidget*)> pressInMessageBox(QStringList& seen, const QString& choice) {
    return [&seen, choice](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            closeUnexpected(modal);
            return;
        }
        seen = {box->text(), box->informativeText()};
        for (QAbstractButton* button : box->buttons())
            if (button->text() == choice) {
                button->click();
                return;
            }
        box->reject();
        ADD_FAILURE() << "no button " << choice.toStdString();
    };
}

UIFixedDictionaryEntry term(const QString& source, const QString& translation,
                            std::optional<UIElementKind> kind = std::nullopt) {
    return {QUuid::createUuid(), source, translation, kind};
}

// Real stores over files in the test's home, both windows over them, and what the windows handed back to the program.
class UIStoreWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = QDir(test::currentHome()).filePath(QStringLiteral("stores"));
        cachePath = folder + QStringLiteral("/ui-translation-cache.json");
        dictionaryPath = folder + QStringLiteral("/ui-fixed-dictionary.json");
        // One second per write from noon, so "newest first" has a single answer.
        cache = std::make_unique<UITranslationCache>(cachePath, [this] {
            clockTime = clockTime.addSecs(1);
            return clockTime;
        });
        dictionary = std::make_unique<UIFixedDictionaryStore>(dictionaryPath);
        stored = std::make_unique<UIStoredTranslations>(*cache, *dictionary);
        editor = std::make_unique<UIDictionaryEditorWindow>(
            *stored, [this](const Outcome& outcome) { outcomes.append(outcome); });
        manager = std::make_unique<UICacheManagerWindow>(
            *stored, [this](std::optional<QString> error) { clears.append(error); });
    }

    // Terms written to the file behind the editor's back, as the command line would.
    void seedDictionary(const QList<UIFixedDictionaryEntry>& entries) {
        ASSERT_TRUE(dictionary->save(entries).has_value());
        editor->openUIDictionaryEditor();
    }

    // Two automatic entries, then a manual correction.
    void fillCache() {
        stored->saveAutomatic(QStringLiteral("セーブ"), QStringLiteral("保存"));
        stored->saveAutomatic(QStringLiteral("ロード"), QStringLiteral("读取"));
        ASSERT_EQ(stored->saveManualCorrection(QStringLiteral("設定"), QStringLiteral("设置")), true);
        ASSERT_EQ(cache->entryCount(), 3);
    }

    // Replaces the stores' folder with a plain file, so every write fails.
    void blockTheFolder() {
        ASSERT_TRUE(QDir(folder).removeRecursively());
        writeBytes(folder, "a file where a folder is needed");
    }

    QStringList row(int index) const {
        QStringList cells;
        for (int column = 0; column < editor->table()->columnCount(); ++column) {
            const QTableWidgetItem* item = editor->table()->item(index, column);
            cells << (item ? item->text() : QString());
        }
        return cells;
    }

    QList<UIFixedDictionaryEntry> entriesOnDisk() const { return UIFixedDictionaryStore(dictionaryPath).entries(); }
    QString managerText() const { return manager->textView()->toPlainText(); }

    QString folder;
    QString cachePath;
    QString dictionaryPath;
    QDateTime clockTime{QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc()};
    std::unique_ptr<UITranslationCache> cache;
    std::unique_ptr<UIFixedDictionaryStore> dictionary;
    std::unique_ptr<UIStoredTranslations> stored;
    std::unique_ptr<UIDictionaryEditorWindow> editor;
    std::unique_ptr<UICacheManagerWindow> manager;
    QList<Outcome> outcomes;
    QList<std::optional<QString>> clears;
};

TEST_F(UIStoreWindowsTest, AddingThroughTheDialogAppendsARowAndReachesTheFile) {
    seedDictionary({term(QStringLiteral("ロード"), QStringLiteral("读取"))});
    ASSERT_EQ(editor->table()->rowCount(), 1);

    DialogSeen seen;
    {
        ModalAnswer answer(fillEntryDialog(seen, QStringLiteral("  セーブ "), QStringLiteral("保存\n"), 2));
        editor->addButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(seen.title, QStringLiteral("添加 UI 固定词条"));
    EXPECT_TRUE(seen.source.isEmpty());
    EXPECT_TRUE(seen.translation.isEmpty());
    EXPECT_EQ(seen.kindItem, 0);

    ASSERT_EQ(editor->table()->rowCount(), 2);
    EXPECT_EQ(row(1), (QStringList{QStringLiteral("セーブ"), QStringLiteral("保存"), QStringLiteral("按钮")}));
    EXPECT_EQ(editor->selectedRow(), 1);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_TRUE(outcomes[0].changed);
    EXPECT_FALSE(outcomes[0].realtimeError);

    const QList<UIFixedDictionaryEntry> onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 2);
    EXPECT_EQ(onDisk[1].source, QStringLiteral("セーブ"));
    EXPECT_EQ(onDisk[1].translation, QStringLiteral("保存"));
    EXPECT_EQ(onDisk[1].kind, UIElementKind::button);
    EXPECT_EQ(onDisk, stored->dictionaryEntries());

    // Cancelling asks nothing of the stores.
    {
        ModalAnswer answer(fillEntryDialog(seen, QStringLiteral("メニュー"), QStringLiteral("菜单"), 0, true));
        editor->addButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(editor->table()->rowCount(), 2);
    EXPECT_EQ(outcomes.size(), 1);
    EXPECT_EQ(entriesOnDisk().size(), 2);
}

TEST_F(UIStoreWindowsTest, EmptyFieldsAreRefusedWithAStatusAndNothingStored) {
    seedDictionary({term(QStringLiteral("ロード"), QStringLiteral("读取"))});
    const QByteArray before = readBytes(dictionaryPath);
    DialogSeen seen;
    {
        ModalAnswer answer(fillEntryDialog(seen, QStringLiteral(" \n "), QStringLiteral("保存"), 1));
        editor->addButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("固定词条的原文和译文不能为空"));
    EXPECT_EQ(editor->table()->rowCount(), 1);
    EXPECT_EQ(readBytes(dictionaryPath), before);
    ASSERT_EQ(outcomes.size(), 1) << "the program hears of refusals too";
    EXPECT_FALSE(outcomes[0].changed);
    EXPECT_EQ(outcomes[0].statusLine, QStringLiteral("固定词条的原文和译文不能为空"));

    // An edit emptied of its translation is refused the same way and keeps the row selected.
    editor->table()->selectRow(0);
    {
        ModalAnswer answer(fillEntryDialog(seen, std::nullopt, QString(), std::nullopt));
        editor->editButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("固定词条的原文和译文不能为空"));
    EXPECT_EQ(row(0), (QStringList{QStringLiteral("ロード"), QStringLiteral("读取"), QStringLiteral("全部类型")}));
    EXPECT_EQ(editor->selectedRow(), 0);
    EXPECT_EQ(readBytes(dictionaryPath), before);
}

TEST_F(UIStoreWindowsTest, EditingARowKeepsItsIdAndPlaceAndStartsFromItsValues) {
    const QList<UIFixedDictionaryEntry> seeded{
        term(QStringLiteral("ロード"), QStringLiteral("读取")),
        term(QStringLiteral("ステータス"), QStringLiteral("状态"), UIElementKind::attribute),
        term(QStringLiteral("月曜日"), QStringLiteral("星期一"), UIElementKind::date)};
    seedDictionary(seeded);
    editor->table()->selectRow(1);

    DialogSeen seen;
    {
        ModalAnswer answer(fillEntryDialog(seen, std::nullopt, QStringLiteral("属性"), 0));
        editor->editButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(seen.title, QStringLiteral("编辑 UI 固定词条"));
    EXPECT_EQ(seen.source, QStringLiteral("ステータス"));
    EXPECT_EQ(seen.translation, QStringLiteral("状态"));
    EXPECT_EQ(seen.kindItem, 4) << "属性 is the fourth kind, after 全部类型";

    ASSERT_EQ(editor->table()->rowCount(), 3);
    EXPECT_EQ(row(0), (QStringList{QStringLiteral("ロード"), QStringLiteral("读取"), QStringLiteral("全部类型")}));
    EXPECT_EQ(row(1), (QStringList{QStringLiteral("ステータス"), QStringLiteral("属性"), QStringLiteral("全部类型")}));
    EXPECT_EQ(row(2), (QStringList{QStringLiteral("月曜日"), QStringLiteral("星期一"), QStringLiteral("日期")}));
    EXPECT_EQ(editor->selectedRow(), 1);

    const QList<UIFixedDictionaryEntry> onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 3);
    EXPECT_EQ(onDisk[1], (UIFixedDictionaryEntry{seeded[1].id, QStringLiteral("ステータス"), QStringLiteral("属性"),
                                                 std::nullopt}));
    EXPECT_EQ(onDisk[0], seeded[0]);
    EXPECT_EQ(onDisk[2], seeded[2]);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_TRUE(outcomes[0].changed);

    // A double-click edits the row under the pointer, whatever was selected before.
    {
        ModalAnswer answer(fillEntryDialog(seen, std::nullopt, std::nullopt, std::nullopt, true));
        emit editor->table()->cellDoubleClicked(2, 1);
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(seen.source, QStringLiteral("月曜日"));
    EXPECT_EQ(seen.kindItem, 3);
    EXPECT_EQ(entriesOnDisk(), onDisk);
}

TEST_F(UIStoreWindowsTest, EditAndRemoveNeedASelectedRow) {
    const QList<UIFixedDictionaryEntry> seeded{term(QStringLiteral("ロード"), QStringLiteral("读取")),
                                               term(QStringLiteral("セーブ"), QStringLiteral("保存"))};
    seedDictionary(seeded);
    ASSERT_FALSE(editor->selectedRow());

    DialogSeen seen;
    ModalAnswer unexpected(fillEntryDialog(seen, std::nullopt, std::nullopt, std::nullopt, true));
    editor->editButton()->click();
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("请先在固定词典中选择一行"));
    editor->statusLabel()->clear();
    editor->removeButton()->click();
    EXPECT_EQ(editor->statusLabel()->text(), QStringLiteral("请先在固定词典中选择一行"));
    EXPECT_EQ(unexpected.answered(), 0) << "no dialog opens without a row";
    ASSERT_EQ(outcomes.size(), 2);
    for (const Outcome& outcome : outcomes) {
        EXPECT_FALSE(outcome.changed);
        EXPECT_EQ(outcome.statusLine, QStringLiteral("请先在固定词典中选择一行"));
    }
    EXPECT_EQ(entriesOnDisk(), seeded);

    editor->table()->selectRow(0);
    editor->removeButton()->click();
    ASSERT_EQ(editor->table()->rowCount(), 1);
    EXPECT_EQ(row(0).constFirst(), QStringLiteral("セーブ"));
    EXPECT_EQ(entriesOnDisk(), QList<UIFixedDictionaryEntry>{seeded[1]});
    EXPECT_TRUE(editor->statusLabel()->text().isEmpty()) << "a done removal leaves no stale refusal";
    EXPECT_FALSE(editor->selectedRow()) << "a second click must not remove the next row";
}

TEST_F(UIStoreWindowsTest, AFailedDictionarySaveIsShownAndTheEditStaysInTheList) {
    seedDictionary({term(QStringLiteral("ロード"), QStringLiteral("读取"))});
    blockTheFolder();
    editor->table()->selectRow(0);
    editor->removeButton()->click();

    ASSERT_EQ(outcomes.size(), 1);
    ASSERT_TRUE(outcomes[0].realtimeError);
    EXPECT_TRUE(outcomes[0].realtimeError->startsWith(QStringLiteral("保存 UI 固定词典失败：")));
    EXPECT_EQ(editor->statusLabel()->text(), *outcomes[0].realtimeError);
    EXPECT_EQ(editor->table()->rowCount(), 0);
}

TEST_F(UIStoreWindowsTest, CacheManagerListsNewestFirstAndClearingAutomaticKeepsCorrections) {
    manager->openUICacheManager();
    EXPECT_EQ(managerText(), QStringLiteral("还没有 UI 翻译缓存。"));

    fillCache();
    EXPECT_EQ(managerText(), QStringLiteral("还没有 UI 翻译缓存。")) << "only a render shows changes";
    manager->renderUICacheManager();
    const QString text = managerText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("[永久人工修正]")));
    const qsizetype correction = text.indexOf(QStringLiteral("原文：設定\n译文：设置"));
    const qsizetype load = text.indexOf(QStringLiteral("原文：ロード\n译文：读取"));
    const qsizetype save = text.indexOf(QStringLiteral("原文：セーブ\n译文：保存"));
    ASSERT_GE(correction, 0);
    EXPECT_LT(correction, load);
    EXPECT_LT(load, save);
    EXPECT_EQ(text.count(QStringLiteral("[自动静态缓存]")), 2);
    EXPECT_TRUE(manager->textView()->isReadOnly());

    manager->clearAutomaticButton()->click();
    EXPECT_EQ(clears, QList<std::optional<QString>>{std::nullopt});
    EXPECT_TRUE(managerText().startsWith(QStringLiteral("[永久人工修正]")));
    EXPECT_TRUE(managerText().contains(QStringLiteral("原文：設定")));
    EXPECT_FALSE(managerText().contains(QStringLiteral("[自动静态缓存]")));
    const UITranslationCache fresh(cachePath);
    EXPECT_EQ(fresh.entryCount(), 1);
    EXPECT_EQ(fresh.manualCorrectionCount(), 1);
}

TEST_F(UIStoreWindowsTest, ClearingEverythingAsksFirst) {
    fillCache();
    manager->openUICacheManager();
    const QString shown = managerText();
    const QByteArray before = readBytes(cachePath);

    QStringList seen;
    {
        ModalAnswer answer(pressInMessageBox(seen, QStringLiteral("取消")));
        manager->clearEverythingButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("清除全部 UI 缓存和人工修正？"),
                                 QStringLiteral("永久人工修正也会删除，此操作无法撤销。")}));
    EXPECT_TRUE(clears.isEmpty());
    EXPECT_EQ(cache->entryCount(), 3);
    EXPECT_EQ(readBytes(cachePath), before);
    EXPECT_EQ(managerText(), shown);

    {
        ModalAnswer answer(pressInMessageBox(seen, QStringLiteral("全部清除")));
        manager->clearEverythingButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }
    EXPECT_EQ(clears, QList<std::optional<QString>>{std::nullopt});
    const QJsonDocument onDisk = QJsonDocument::fromJson(readBytes(cachePath));
    EXPECT_TRUE(onDisk.isObject());
    EXPECT_TRUE(onDisk.object().isEmpty());
    EXPECT_EQ(managerText(), QStringLiteral("还没有 UI 翻译缓存。"));
}

TEST_F(UIStoreWindowsTest, AFailedClearReachesTheProgramAndLosesNothing) {
    fillCache();
    manager->openUICacheManager();
    const QString shown = managerText();
    blockTheFolder();

    manager->clearAutomaticButton()->click();
    QStringList seen;
    {
        ModalAnswer answer(pressInMessageBox(seen, QStringLiteral("全部清除")));
        manager->clearEverythingButton()->click();
        ASSERT_EQ(answer.answered(), 1);
    }

    ASSERT_EQ(clears.size(), 2);
    ASSERT_TRUE(clears[0]);
    EXPECT_TRUE(clears[0]->startsWith(QStringLiteral("清除 UI 自动缓存失败："))) << clears[0]->toStdString();
    ASSERT_TRUE(clears[1]);
    EXPECT_TRUE(clears[1]->startsWith(QStringLiteral("清除 UI 缓存失败："))) << clears[1]->toStdString();
    EXPECT_EQ(cache->entryCount(), 3);
    EXPECT_EQ(cache->manualCorrectionCount(), 1);
    EXPECT_EQ(managerText(), shown);
}

}  // namespace
}  // namespace ovisu
