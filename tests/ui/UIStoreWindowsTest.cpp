#include "interface/ui/UICacheManagerWindow.h"
#include "interface/ui/UIDictionaryEditorWindow.h"
#include "interface/ui/UIDictionaryEntryDialog.h"

#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"
#include "support/QtPrinters.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using Outcome = UIStoredTranslations::DictionaryOutcome;
// Answers the next modal dialog from inside its exec(), as the user would. Polls because the dialog is only the active
// modal widget once exec() has shown it; stops when it goes out of scope, so nothing is left for later tests. A dialog
// of another type fails the test and is closed, so no test hangs in exec().
template <typename Dialog>
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(Dialog&)> answer) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer = std::move(answer)] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            m_timer.stop();
            ++answered;
            if (auto* dialog = dynamic_cast<Dialog*>(modal))
                return answer(*dialog);
            ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
            modal->close();
        });
        m_timer.start(5);
    }
    int answered = 0;

private:
    QTimer m_timer;
};

// Clicks `button` and expects exactly one dialog, answered by `answer`.
template <typename Dialog>
void clickAnswering(QAbstractButton* button, std::function<void(Dialog&)> answer) {
    ModalAnswer<Dialog> modal(std::move(answer));
    button->click();
    EXPECT_EQ(modal.answered, 1);
}

// Records what the entry dialog showed (title, source, translation, kind), fills it in and saves, or cancels.
std::function<void(UIDictionaryEntryDialog&)> fillEntry(QStringList& seen, const QString& source,
                                                        const QString& translation, int kindItem, bool save = true) {
    return [&seen, source, translation, kindItem, save](UIDictionaryEntryDialog& dialog) {
        seen = {dialog.windowTitle(), dialog.sourceField()->text(), dialog.translationField()->text(),
                dialog.kindPopUp()->currentText()};
        dialog.sourceField()->setText(source);
        dialog.translationField()->setText(translation);
        dialog.kindPopUp()->setCurrentIndex(kindItem);
        (save ? dialog.saveButton() : dialog.cancelButton())->click();
    };
}

// Presses the box's default button, which Return would press, or with `clear` its confirming one.
std::function<void(QMessageBox&)> confirm(bool clear) {
    return [clear](QMessageBox& box) {
        QAbstractButton* pressed = box.defaultButton();
        for (QAbstractButton* button : box.buttons())
            if (clear && button->text() == UIStoredTranslations::clearEverythingConfirmTitle())
                pressed = button;
        pressed->click();
    };
}

UIFixedDictionaryEntry term(const QString& source, const QString& translation,
                            std::optional<UIElementKind> kind = std::nullopt) {
    return {QUuid::createUuid(), source, translation, kind};
}

// Real stores over files in the test's home, both windows over them, and what the windows handed back to the program.
class UIStoreWindowsTest : public ::testing::Test {
protected:
    // Terms written to the file behind the editor's back, as the command line would.
    void seedDictionary(const QList<UIFixedDictionaryEntry>& entries) {
        ASSERT_TRUE(dictionary.save(entries).has_value());
        editor.openUIDictionaryEditor();
    }
    void fillCache() {
        stored.saveAutomatic(QStringLiteral("セーブ"), QStringLiteral("保存"));
        stored.saveAutomatic(QStringLiteral("ロード"), QStringLiteral("读取"));
        ASSERT_EQ(stored.saveManualCorrection(QStringLiteral("設定"), QStringLiteral("设置")), true);
    }
    // Replaces the stores' folder with a plain file, so every write fails.
    void blockTheFolder() {
        const QString folder = QFileInfo(dictionary.fileURL()).absolutePath();
        ASSERT_TRUE(QDir(folder).removeRecursively());
        writeBytes(folder, "a file where a folder is needed");
    }
    QStringList row(int index) const {
        QStringList cells;
        for (int column = 0; column < 3; ++column)
            cells << editor.table()->item(index, column)->text();
        return cells;
    }
    QList<UIFixedDictionaryEntry> entriesOnDisk() const {
        return UIFixedDictionaryStore(dictionary.fileURL()).entries();
    }
    QString managerText() const { return manager.textView()->toPlainText(); }

    UITranslationCache cache;
    UIFixedDictionaryStore dictionary;
    UIStoredTranslations stored{cache, dictionary};
    QList<Outcome> outcomes;
    QList<std::optional<QString>> clears;
    UIDictionaryEditorWindow editor{stored, [this](const Outcome& outcome) { outcomes.append(outcome); }};
    UICacheManagerWindow manager{stored, [this](std::optional<QString> error) { clears.append(error); }};
};

TEST_F(UIStoreWindowsTest, AddingAndEditingGoThroughTheDialogToTheListAndTheFile) {
    const QList<UIFixedDictionaryEntry> seeded{
        term(QStringLiteral("ロード"), QStringLiteral("读取")),
        term(QStringLiteral("ステータス"), QStringLiteral("状态"), UIElementKind::attribute)};
    seedDictionary(seeded);
    QStringList seen;
    clickAnswering(editor.addButton(), fillEntry(seen, QStringLiteral("月曜日"), QStringLiteral("星期一"), 2));
    EXPECT_EQ(seen, (QStringList{UIStoredTranslations::addDictionaryEntryTitle(), "", "",
                                 UIStoredTranslations::kindTitle(std::nullopt)}));
    const std::optional<UIElementKind> kind = UIStoredTranslations::kindForItem(2);
    ASSERT_EQ(editor.table()->rowCount(), 3);
    EXPECT_EQ(row(2),
              (QStringList{QStringLiteral("月曜日"), QStringLiteral("星期一"), UIStoredTranslations::kindTitle(kind)}));
    EXPECT_EQ(editor.selectedRow(), 2);
    const UIFixedDictionaryEntry added = entriesOnDisk().value(2);
    EXPECT_EQ(added, (UIFixedDictionaryEntry{added.id, QStringLiteral("月曜日"), QStringLiteral("星期一"), kind}));

    editor.table()->selectRow(1);
    clickAnswering(editor.editButton(), fillEntry(seen, QStringLiteral("ステータス"), QStringLiteral("属性"), 0));
    EXPECT_EQ(seen, (QStringList{UIStoredTranslations::editDictionaryEntryTitle(), QStringLiteral("ステータス"),
                                 QStringLiteral("状态"), UIStoredTranslations::kindTitle(UIElementKind::attribute)}));
    const UIFixedDictionaryEntry edited{seeded[1].id, QStringLiteral("ステータス"), QStringLiteral("属性"), std::nullopt};
    EXPECT_EQ(entriesOnDisk(), (QList<UIFixedDictionaryEntry>{seeded[0], edited, added}));
    EXPECT_EQ(row(1), (QStringList{edited.source, edited.translation, UIStoredTranslations::kindTitle(std::nullopt)}));
    EXPECT_EQ(editor.selectedRow(), 1);
    ASSERT_EQ(outcomes.size(), 2);
    EXPECT_TRUE(outcomes[0].changed && outcomes[1].changed);

    // Cancelling asks nothing of the stores; a double-click edits the row under the pointer, not the selected one.
    clickAnswering(editor.addButton(), fillEntry(seen, QStringLiteral("メニュー"), QStringLiteral("菜单"), 0, false));
    ModalAnswer<UIDictionaryEntryDialog> answer(fillEntry(seen, QStringLiteral("x"), QStringLiteral("y"), 0, false));
    emit editor.table()->cellDoubleClicked(2, 1);
    EXPECT_EQ(answer.answered, 1);
    EXPECT_EQ(seen.value(1), QStringLiteral("月曜日"));
    EXPECT_EQ(outcomes.size(), 2);
}

TEST_F(UIStoreWindowsTest, EditAndRemoveNeedASelectedRowAndRemovingLeavesNoneSelected) {
    const QList<UIFixedDictionaryEntry> seeded{term(QStringLiteral("ロード"), QStringLiteral("读取")),
                                               term(QStringLiteral("セーブ"), QStringLiteral("保存"))};
    seedDictionary(seeded);
    {
        ModalAnswer<QDialog> none([](QDialog& dialog) { dialog.reject(); });
        for (QPushButton* button : {editor.editButton(), editor.removeButton()}) {
            editor.statusLabel()->clear();
            button->click();
            EXPECT_EQ(editor.statusLabel()->text(), UIStoredTranslations::dictionaryNoSelectionStatus());
        }
        EXPECT_EQ(none.answered, 0) << "no dialog opens without a row";
    }
    ASSERT_EQ(outcomes.size(), 2) << "the program hears of refusals too";
    EXPECT_FALSE(outcomes[0].changed || outcomes[1].changed);
    EXPECT_EQ(entriesOnDisk(), seeded);

    editor.table()->selectRow(0);
    editor.removeButton()->click();
    EXPECT_EQ(entriesOnDisk(), QList<UIFixedDictionaryEntry>{seeded[1]});
    ASSERT_EQ(editor.table()->rowCount(), 1);
    EXPECT_EQ(row(0).constFirst(), QStringLiteral("セーブ"));
    EXPECT_TRUE(editor.statusLabel()->text().isEmpty()) << "a done removal leaves no stale refusal";
    EXPECT_FALSE(editor.selectedRow()) << "a second click must not remove the next row";
}

TEST_F(UIStoreWindowsTest, TheCacheManagerShowsTheStoresOnRenderAndClearsOnlyAfterConfirmation) {
    const QString empty = managerText();
    fillCache();
    EXPECT_EQ(managerText(), empty) << "only a render shows changes";
    manager.renderUICacheManager();
    EXPECT_EQ(managerText(), stored.cacheManagerText());

    manager.clearAutomaticButton()->click();
    EXPECT_EQ(clears, QList<std::optional<QString>>{std::nullopt});
    EXPECT_EQ(managerText(), stored.cacheManagerText());
    EXPECT_EQ(UITranslationCache(cache.fileURL()).entryCount(), 1) << "the manual correction is kept";

    const QString shown = managerText();
    clickAnswering(manager.clearEverythingButton(), confirm(false));
    EXPECT_EQ(clears.size(), 1);
    EXPECT_EQ(UITranslationCache(cache.fileURL()).entryCount(), 1);
    EXPECT_EQ(managerText(), shown);

    clickAnswering(manager.clearEverythingButton(), confirm(true));
    EXPECT_EQ(clears, (QList<std::optional<QString>>{std::nullopt, std::nullopt}));
    EXPECT_EQ(UITranslationCache(cache.fileURL()).entryCount(), 0);
    EXPECT_EQ(managerText(), empty);
}

TEST_F(UIStoreWindowsTest, FailedWritesReachTheProgramAndLoseNothing) {
    seedDictionary({term(QStringLiteral("ロード"), QStringLiteral("读取"))});
    fillCache();
    manager.openUICacheManager();
    const QString shown = managerText();
    blockTheFolder();

    editor.table()->selectRow(0);
    editor.removeButton()->click();
    ASSERT_EQ(outcomes.size(), 1);
    ASSERT_TRUE(outcomes[0].realtimeError);
    EXPECT_EQ(editor.statusLabel()->text(), *outcomes[0].realtimeError);
    EXPECT_EQ(editor.table()->rowCount(), 0) << "the edit stays in the list";

    manager.clearAutomaticButton()->click();
    clickAnswering(manager.clearEverythingButton(), confirm(true));
    ASSERT_EQ(clears.size(), 2);
    EXPECT_TRUE(clears[0] && clears[1]);
    EXPECT_EQ(managerText(), shown);
}

}  // namespace
}  // namespace ovisu
