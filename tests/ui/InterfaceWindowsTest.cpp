#include "interface/ui/InterfaceTranslationCenterWindow.h"
#include "interface/ui/UIRegionEditorWindow.h"

#include "base/ui/SegmentedControl.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIRegionList.h"
#include "support/QtPrinters.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace ovisu {
namespace {

// Behaves as the program does where the window depends on it (a refused last kind, a scope that
// stays whole-window until a region is enabled) and records every call.
struct RecordingCenterActions final : InterfaceCenterActions {
    InterfaceCenterState state;
    QStringList calls;

    InterfaceCenterState interfaceCenterState() const override { return state; }
    void interfaceCenterModeChanged(int segment) override {
        calls << QStringLiteral("mode %1").arg(segment);
        state.mode = segment == 1 ? TranslationMode::interface : TranslationMode::dialogue;
    }
    void interfaceCenterScopeChanged(int segment) override { calls << QStringLiteral("scope %1").arg(segment); }
    void openUIRegionEditor() override { calls << QStringLiteral("openUIRegionEditor"); }
    void interfaceCenterStyleChanged(int segment) override {
        calls << QStringLiteral("style %1").arg(segment);
        state.style = segment == 1 ? UIOverlayStyle::replaceOriginal : UIOverlayStyle::besideOriginal;
    }
    void interfaceFontUp() override {
        calls << QStringLiteral("fontUp");
        state.fontSize += 1;
    }
    void interfaceFontDown() override {
        calls << QStringLiteral("fontDown");
        state.fontSize -= 1;
    }
    void resetInterfaceOverlayAppearance() override { calls << QStringLiteral("resetAppearance"); }
    void interfaceOverlayAppearanceChanged() override { calls << QStringLiteral("appearanceChanged"); }
    void interfaceCenterWindowFollowChanged(bool enabled) override {
        calls << QStringLiteral("follow %1").arg(enabled);
        state.windowFollowEnabled = enabled;
    }
    bool interfaceCenterKindChanged(UIElementKind kind, bool enabled) override {
        calls << QStringLiteral("kind %1 %2").arg(rawValue(kind)).arg(enabled);
        if (!enabled && state.enabledKinds.size() == 1 && state.enabledKinds.contains(kind))
            return false;
        if (enabled)
            state.enabledKinds.insert(kind);
        else
            state.enabledKinds.erase(kind);
        return true;
    }
    void openUIDictionaryEditor() override { calls << QStringLiteral("openUIDictionaryEditor"); }
    void openUICacheManager() override { calls << QStringLiteral("openUICacheManager"); }
    void clearAutomaticUICache() override { calls << QStringLiteral("clearAutomaticUICache"); }
    void performManualOCR() override { calls << QStringLiteral("performManualOCR"); }
};

template <typename Widget>
Widget* findByText(const QWidget& parent, const QString& text) {
    for (Widget* widget : parent.findChildren<Widget*>()) {
        if (widget->text() == text)
            return widget;
    }
    return nullptr;
}

QString currentTitle(const SegmentedControl& control) {
    const QAbstractButton* button = control.button(control.currentIndex());
    return button ? button->text() : QString();
}

class InterfaceCenterTest : public ::testing::Test {
protected:
    InterfaceCenterTest() {
        actions.state.enabledKinds = {UIElementKind::menu, UIElementKind::date};
        actions.state.cacheSummary = QStringLiteral("静态缓存 4 条 · 永久人工修正 1 条 · 固定词典 2 条");
    }

    QString labelText(const char* objectName) const {
        const auto* label = window->findChild<QLabel*>(QString::fromLatin1(objectName));
        return label ? label->text() : QStringLiteral("(no label %1)").arg(QString::fromLatin1(objectName));
    }

    void click(const QString& buttonText) {
        auto* button = findByText<QAbstractButton>(*window, buttonText);
        ASSERT_NE(button, nullptr) << buttonText.toStdString();
        button->click();
    }

    RecordingCenterActions actions;
    std::unique_ptr<InterfaceTranslationCenterWindow> window;
};

TEST_F(InterfaceCenterTest, RefreshShowsTheProgramsStateWithoutCallingIt) {
    actions.state.mode = TranslationMode::interface;
    actions.state.style = UIOverlayStyle::replaceOriginal;
    actions.state.windowFollowEnabled = false;
    actions.state.fontSize = 18.5;
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("界面翻译中心"));

    EXPECT_EQ(currentTitle(*window->modeControl()), QStringLiteral("界面模式"));
    // Regions exist but none is enabled: the whole window is read.
    EXPECT_EQ(currentTitle(*window->scopeControl()), QStringLiteral("整窗口 OCR"));
    EXPECT_EQ(currentTitle(*window->styleControl()), QStringLiteral("中文原位覆盖"));
    EXPECT_EQ(labelText("interfaceFontSize"), QStringLiteral("18.5 pt"));
    EXPECT_EQ(labelText("interfaceTarget"), QStringLiteral("目标：尚未锁定目标窗口"));
    EXPECT_EQ(labelText("interfaceCacheSummary"), actions.state.cacheSummary);
    EXPECT_FALSE(findByText<QCheckBox>(*window, QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器"))->isChecked());
    for (const UIElementKind kind : allUIElementKinds())
        EXPECT_EQ(window->kindBox(kind)->isChecked(), actions.state.enabledKinds.contains(kind)) << rawValue(kind).toStdString();
    EXPECT_EQ(findByText<QCheckBox>(*window, QStringLiteral("属性")), window->kindBox(UIElementKind::attribute));

    actions.state.mode = TranslationMode::dialogue;
    actions.state.anyRegionEnabled = true;
    actions.state.style = UIOverlayStyle::besideOriginal;
    actions.state.windowFollowEnabled = true;
    actions.state.targetTitle = QStringLiteral("Summer Pockets");
    actions.state.enabledKinds = {UIElementKind::text};
    actions.state.cacheSummary = QStringLiteral("静态缓存 0 条 · 永久人工修正 0 条 · 固定词典 0 条");
    window->refreshInterfaceTranslationCenter();
    EXPECT_EQ(currentTitle(*window->modeControl()), QStringLiteral("对白模式"));
    EXPECT_EQ(currentTitle(*window->scopeControl()), QStringLiteral("多区域 UI OCR"));
    EXPECT_EQ(currentTitle(*window->styleControl()), QStringLiteral("原文旁显示中文"));
    EXPECT_EQ(labelText("interfaceTarget"), QStringLiteral("目标：Summer Pockets"));
    EXPECT_EQ(labelText("interfaceCacheSummary"), actions.state.cacheSummary);
    EXPECT_TRUE(findByText<QCheckBox>(*window, QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器"))->isChecked());
    EXPECT_TRUE(window->kindBox(UIElementKind::text)->isChecked());
    EXPECT_FALSE(window->kindBox(UIElementKind::menu)->isChecked());

    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(u", ").toStdString();
}

TEST_F(InterfaceCenterTest, EachControlCallsItsOperationAndThenShowsWhatItLeft) {
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);

    window->modeControl()->button(1)->click();
    EXPECT_EQ(currentTitle(*window->modeControl()), QStringLiteral("界面模式"));
    // Asking for regions enables none by itself, so the scope still shows the whole window.
    window->scopeControl()->button(1)->click();
    EXPECT_EQ(currentTitle(*window->scopeControl()), QStringLiteral("整窗口 OCR"));
    window->styleControl()->button(1)->click();
    EXPECT_EQ(currentTitle(*window->styleControl()), QStringLiteral("中文原位覆盖"));
    EXPECT_EQ(actions.calls,
              (QStringList{QStringLiteral("mode 1"), QStringLiteral("scope 1"), QStringLiteral("style 1")}));
    actions.calls.clear();

    click(QStringLiteral("+"));
    click(QStringLiteral("+"));
    EXPECT_EQ(labelText("interfaceFontSize"), QStringLiteral("18 pt"));
    click(QStringLiteral("−"));
    EXPECT_EQ(labelText("interfaceFontSize"), QStringLiteral("17 pt"));
    click(QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器"));
    for (const char* title : {"恢复默认外观", "编辑 UI 区域…", "UI 固定词典…", "查看缓存与修正…", "清除自动缓存",
                              "立即识别并贴回"})
        click(QString::fromUtf8(title));
    EXPECT_EQ(actions.calls,
              (QStringList{QStringLiteral("fontUp"), QStringLiteral("fontUp"), QStringLiteral("fontDown"),
                           QStringLiteral("follow 0"), QStringLiteral("resetAppearance"),
                           QStringLiteral("openUIRegionEditor"), QStringLiteral("openUIDictionaryEditor"),
                           QStringLiteral("openUICacheManager"), QStringLiteral("clearAutomaticUICache"),
                           QStringLiteral("performManualOCR")}));
}

TEST_F(InterfaceCenterTest, TheLastRecognisedKindCannotBeSwitchedOff) {
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    QCheckBox* menu = window->kindBox(UIElementKind::menu);
    QCheckBox* date = window->kindBox(UIElementKind::date);
    QCheckBox* button = window->kindBox(UIElementKind::button);

    menu->click();
    EXPECT_FALSE(menu->isChecked());
    date->click();  // the last one: refused, and the box is on again
    EXPECT_TRUE(date->isChecked());
    button->click();
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(actions.state.enabledKinds, (UIElementKindSet{UIElementKind::button, UIElementKind::date}));
    EXPECT_EQ(actions.calls, (QStringList{QStringLiteral("kind menu 0"), QStringLiteral("kind date 0"),
                                          QStringLiteral("kind button 1")}));
}

TEST_F(InterfaceCenterTest, ClosingHidesTheWindowForTheNextOpening) {
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    window->openInterfaceTranslationCenter();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());

    actions.state.targetTitle = QStringLiteral("ゲーム");
    window->openInterfaceTranslationCenter();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(labelText("interfaceTarget"), QStringLiteral("目标：ゲーム"));
}

// The editor's side of the program: a picker that answers at once (or is cancelled), and a
// record of what the editor handed on.
struct RecordingEditorActions final : UIRegionEditorActions {
    std::optional<QRectF> nextPick;  // none: the user cancels
    int picks = 0;
    QList<UIRegionList::Outcome> outcomes;
    QStringList statusTexts;
    UIOverlayStyle style = UIOverlayStyle::besideOriginal;
    QList<int> styleChanges;

    void pickUIRegionOnStill(std::function<void(const QRectF&)> picked) override {
        ++picks;
        if (nextPick)
            picked(*nextPick);
    }
    void applyUIRegionOutcome(const UIRegionList::Outcome& outcome) override { outcomes << outcome; }
    void showStatusText(const QString& text) override { statusTexts << text; }
    UIOverlayStyle interfaceOverlayStyle() const override { return style; }
    void interfaceCenterStyleChanged(int segment) override {
        styleChanges << segment;
        style = segment == 1 ? UIOverlayStyle::replaceOriginal : UIOverlayStyle::besideOriginal;
    }
};

// Answers the next modal dialog once it is up; a dialog the answer cannot handle is rejected,
// so a failing test never hangs in exec().
void answerNextModal(std::function<bool(QWidget*)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal dialog is open";
            return;
        }
        if (!answer(modal)) {
            ADD_FAILURE() << "the modal dialog could not be answered: " << modal->windowTitle().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        }
    });
}

class UIRegionEditorTest : public ::testing::Test {
protected:
    QTableWidget& table() const { return *editor.regionTable(); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = table().item(row, column);
        return item ? item->text() : QString();
    }
    QStringList listNames() const {
        QStringList names;
        for (const UIOCRRegion& region : list.regions())
            names << region.name;
        return names;
    }
    QStringList tableNames() const {
        QStringList names;
        for (int row = 0; row < table().rowCount(); ++row)
            names << cell(row, 1);
        return names;
    }
    void click(const QString& buttonText) {
        auto* button = findByText<QPushButton>(editor, buttonText);
        ASSERT_NE(button, nullptr) << buttonText.toStdString();
        button->click();
    }
    void addRegions(int count) {
        for (int index = 0; index < count; ++index) {
            actions.nextPick = QRectF(0.1, 0.1 * index, 0.2, 0.05);
            click(QStringLiteral("＋ 添加区域"));
        }
    }

    UIOCRRegionStore store;
    UIRegionList list{store};
    RecordingEditorActions actions;
    UIRegionEditorWindow editor{list, actions};
};

TEST_F(UIRegionEditorTest, AddingAndRedrawingTakeTheMarkedRectangle) {
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("UI 区域编辑器"));
    actions.nextPick.reset();
    click(QStringLiteral("＋ 添加区域"));  // cancelled: nothing to hand on
    EXPECT_EQ(actions.picks, 1);
    EXPECT_TRUE(actions.outcomes.isEmpty());
    EXPECT_EQ(table().rowCount(), 0);

    actions.nextPick = QRectF(0.1, 0.2, 0.3, 0.05);
    click(QStringLiteral("＋ 添加区域"));
    ASSERT_EQ(table().rowCount(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("区域 1"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("x 0.100 · y 0.200 · w 0.300 · h 0.050"));
    EXPECT_EQ(table().item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(editor.selectedRow(), 0);
    ASSERT_EQ(actions.outcomes.size(), 1);
    EXPECT_TRUE(actions.outcomes[0].refreshInterface);

    actions.nextPick = QRectF(0.5, 0.5, 0.25, 0.125);
    click(QStringLiteral("重新框选"));
    ASSERT_EQ(table().rowCount(), 1);
    EXPECT_EQ(cell(0, 2), QStringLiteral("x 0.500 · y 0.500 · w 0.250 · h 0.125"));
    EXPECT_EQ(list.regions()[0].normalizedRect, QRectF(0.5, 0.5, 0.25, 0.125));

    // Without a selected row no still is taken; the list's reason reaches both status lines.
    table().clearSelection();
    click(QStringLiteral("重新框选"));
    EXPECT_EQ(actions.picks, 3);
    EXPECT_EQ(editor.statusLabel()->text(), UIRegionList::noSelectionStatus());
    EXPECT_EQ(actions.statusTexts, QStringList{UIRegionList::noSelectionStatus()});
    EXPECT_EQ(list.regions()[0].normalizedRect, QRectF(0.5, 0.5, 0.25, 0.125));

    // The next operation that works leaves no stale reason behind.
    addRegions(1);
    EXPECT_TRUE(editor.statusLabel()->text().isEmpty());
}

TEST_F(UIRegionEditorTest, TickingARowSwitchesItsRegionAndOutsideChangesShowOnReload) {
    addRegions(2);
    actions.outcomes.clear();
    table().item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(list.regions()[0].isEnabled);
    EXPECT_FALSE(list.regions()[1].isEnabled);
    ASSERT_EQ(actions.outcomes.size(), 1);
    EXPECT_TRUE(actions.outcomes[0].refreshInterface);
    EXPECT_EQ(table().item(1, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(UIOCRRegionStore(store.fileURL()).load().value(), list.regions());

    table().item(1, 0)->setCheckState(Qt::Checked);
    EXPECT_TRUE(list.regions()[1].isEnabled);

    // The interface centre's whole-window scope changes the list behind the editor's back.
    list.useWholeWindow();
    editor.reloadUIRegionTable();
    EXPECT_EQ(table().item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(table().item(1, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(actions.outcomes.size(), 2);
}

TEST_F(UIRegionEditorTest, RenamingAsksForTheNameInADialog) {
    addRegions(2);
    table().selectRow(1);
    QString prefilled;
    answerNextModal([&](QWidget* modal) {
        auto* field = modal->findChild<QLineEdit*>();
        auto* save = findByText<QPushButton>(*modal, QStringLiteral("保存"));
        if (modal->windowTitle() != QStringLiteral("重命名 UI 区域") || !field || !save)
            return false;
        prefilled = field->text();
        field->setText(QStringLiteral("  属性栏 "));
        save->click();
        return true;
    });
    click(QStringLiteral("重命名…"));
    EXPECT_EQ(prefilled, QStringLiteral("区域 2"));
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("区域 1"), QStringLiteral("属性栏")}));
    EXPECT_EQ(tableNames(), listNames());
    EXPECT_EQ(editor.selectedRow(), 1);
    ASSERT_FALSE(actions.outcomes.isEmpty());
    EXPECT_FALSE(actions.outcomes.last().refreshInterface);

    const qsizetype outcomesBefore = actions.outcomes.size();
    answerNextModal([&](QWidget* modal) {
        auto* field = modal->findChild<QLineEdit*>();
        auto* cancel = findByText<QPushButton>(*modal, QStringLiteral("取消"));
        if (!field || !cancel)
            return false;
        field->setText(QStringLiteral("不要"));
        cancel->click();
        return true;
    });
    click(QStringLiteral("重命名…"));
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("区域 1"), QStringLiteral("属性栏")}));
    EXPECT_EQ(actions.outcomes.size(), outcomesBefore);
}

TEST_F(UIRegionEditorTest, MovingAndRemovingKeepASensibleSelection) {
    addRegions(3);
    table().selectRow(0);
    click(QStringLiteral("下移"));
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("区域 2"), QStringLiteral("区域 1"), QStringLiteral("区域 3")}));
    EXPECT_EQ(tableNames(), listNames());
    EXPECT_EQ(editor.selectedRow(), 1);
    click(QStringLiteral("下移"));
    click(QStringLiteral("下移"));  // already last: ignored
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("区域 2"), QStringLiteral("区域 3"), QStringLiteral("区域 1")}));
    EXPECT_EQ(editor.selectedRow(), 2);
    click(QStringLiteral("上移"));
    EXPECT_EQ(editor.selectedRow(), 1);
    EXPECT_EQ(cell(1, 1), QStringLiteral("区域 1"));

    table().selectRow(2);
    click(QStringLiteral("删除"));
    EXPECT_EQ(tableNames(), (QStringList{QStringLiteral("区域 2"), QStringLiteral("区域 1")}));
    EXPECT_EQ(editor.selectedRow(), 1);  // the new last row

    table().clearSelection();
    click(QStringLiteral("删除"));
    EXPECT_EQ(list.regions().size(), 2);
    EXPECT_EQ(editor.statusLabel()->text(), UIRegionList::noSelectionStatus());
}

TEST_F(UIRegionEditorTest, ClearingAllNeedsRegionsAndConfirmation) {
    QPushButton* clearAll = findByText<QPushButton>(editor, QStringLiteral("清空全部…"));
    ASSERT_NE(clearAll, nullptr);
    EXPECT_FALSE(clearAll->isEnabled());
    addRegions(2);
    EXPECT_TRUE(clearAll->isEnabled());

    const auto answerWith = [](const QString& buttonTitle) {
        return [buttonTitle](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || box->text() != UIRegionList::clearAllMessage() ||
                box->informativeText() != UIRegionList::clearAllInformativeText())
                return false;
            QAbstractButton* button = findByText<QAbstractButton>(*box, buttonTitle);
            if (!button)
                return false;
            button->click();
            return true;
        };
    };
    answerNextModal(answerWith(UIRegionList::cancelButtonTitle()));
    clearAll->click();
    EXPECT_EQ(list.regions().size(), 2);
    EXPECT_EQ(table().rowCount(), 2);

    answerNextModal(answerWith(UIRegionList::clearAllButtonTitle()));
    clearAll->click();
    EXPECT_TRUE(list.regions().isEmpty());
    EXPECT_EQ(table().rowCount(), 0);
    EXPECT_FALSE(clearAll->isEnabled());
    EXPECT_TRUE(actions.outcomes.last().refreshInterface);
    EXPECT_TRUE(UIOCRRegionStore(store.fileURL()).load().value().isEmpty());
}

TEST_F(UIRegionEditorTest, TheStyleControlMirrorsTheProgramsStyle) {
    actions.style = UIOverlayStyle::replaceOriginal;
    editor.openUIRegionEditor();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(currentTitle(*editor.styleControl()), QStringLiteral("中文原位覆盖"));
    editor.styleControl()->button(0)->click();
    EXPECT_EQ(actions.styleChanges, QList<int>{0});
    EXPECT_EQ(currentTitle(*editor.styleControl()), QStringLiteral("原文旁显示中文"));
}

}  // namespace
}  // namespace ovisu
