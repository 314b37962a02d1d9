#include "interface/ui/InterfaceTranslationCenterWindow.h"
#include "interface/ui/UIRegionEditorWindow.h"

#include "base/ui/SegmentedControl.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIRegionList.h"
#include "support/QtPrinters.h"
#include "ui/RecordingInterfaceCenterActions.h"

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

using RecordingCenterActions = test::RecordingInterfaceCenterActions;

template <typename Widget>
Widget* findByText(const QWidget& parent, const QString& text) {
    for (Widget* widget : parent.findChildren<Widget*>())
        if (widget->text() == text)
            return widget;
    return nullptr;
}

class InterfaceCenterTest : public ::testing::Test {
protected:
    QString labelText(const char* objectName) const {
        const auto* label = window->findChild<QLabel*>(QString::fromLatin1(objectName));
        return label ? label->text() : QString();
    }
    // Every control against the program's state.
    void expectShown() const {
        const InterfaceCenterState& state = actions.state;
        EXPECT_EQ(window->modeControl()->currentIndex(), state.mode == TranslationMode::interface ? 1 : 0);
        EXPECT_EQ(window->scopeControl()->currentIndex(), state.anyRegionEnabled ? 1 : 0);
        EXPECT_EQ(window->styleControl()->currentIndex(), state.style == UIOverlayStyle::replaceOriginal ? 1 : 0);
        EXPECT_TRUE(labelText("interfaceFontSize").startsWith(QString::number(state.fontSize)));
        EXPECT_EQ(findByText<QCheckBox>(*window, followTitle)->isChecked(), state.windowFollowEnabled);
        EXPECT_TRUE(labelText("interfaceTarget").contains(state.targetTitle.value_or(QString())));
        EXPECT_EQ(labelText("interfaceCacheSummary"), state.cacheSummary);
        for (const UIElementKind kind : allUIElementKinds())
            EXPECT_EQ(window->kindBox(kind)->isChecked(), state.enabledKinds.contains(kind))
                << rawValue(kind).toStdString();
    }

    const QString followTitle = QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器");
    RecordingCenterActions actions;
    std::unique_ptr<InterfaceTranslationCenterWindow> window;
};

TEST_F(InterfaceCenterTest, RefreshAndOpeningShowTheProgramsStateWithoutCallingIt) {
    actions.state = {TranslationMode::interface, false, UIOverlayStyle::replaceOriginal,
                     {UIElementKind::menu, UIElementKind::date}, false, 18.5, std::nullopt,
                     QStringLiteral("静态缓存 4 条")};
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    expectShown();

    // Closing only hides: the next opening shows the state as it is then.
    window->openInterfaceTranslationCenter();
    EXPECT_TRUE(window->close());
    actions.state = {TranslationMode::dialogue, true, UIOverlayStyle::besideOriginal, {UIElementKind::text}, true, 12,
                     QStringLiteral("Summer Pockets"), QStringLiteral("静态缓存 0 条")};
    window->openInterfaceTranslationCenter();
    EXPECT_TRUE(window->isVisible());
    expectShown();
    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(u", ").toStdString();
}

TEST_F(InterfaceCenterTest, EachControlCallsItsOperationAndThenShowsWhatItLeft) {
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    const auto button = [this](const char* title) {
        return findByText<QAbstractButton>(*window, QString::fromUtf8(title));
    };
    const QList<std::pair<QAbstractButton*, QString>> controls{
        {window->modeControl()->button(1), "mode 1"},
        {window->scopeControl()->button(1), "scope 1"},
        {window->styleControl()->button(1), "style 1"},
        {window->findChild<QAbstractButton*>("interfaceFontUp"), "fontUp"},
        {window->findChild<QAbstractButton*>("interfaceFontDown"), "fontDown"},
        {findByText<QAbstractButton>(*window, followTitle), "follow 0"},
        {button("恢复默认外观"), "resetAppearance"},
        {button("编辑 UI 区域…"), "openUIRegionEditor"},
        {button("UI 固定词典…"), "openUIDictionaryEditor"},
        {button("查看缓存与修正…"), "openUICacheManager"},
        {button("清除自动缓存"), "clearAutomaticUICache"},
        {button("立即识别并贴回"), "performManualOCR"},
    };
    for (const auto& [control, call] : controls) {
        actions.calls.clear();
        ASSERT_NE(control, nullptr) << call.toStdString();
        control->click();
        EXPECT_EQ(actions.calls, QStringList{call});
    }
    // The mode moved; asking for regions enabled none, so the scope is back on the whole window.
    expectShown();
    EXPECT_EQ(window->modeControl()->currentIndex(), 1);
}

TEST_F(InterfaceCenterTest, TheLastRecognisedKindCannotBeSwitchedOff) {
    actions.state.enabledKinds = {UIElementKind::menu, UIElementKind::date};
    window = std::make_unique<InterfaceTranslationCenterWindow>(actions);
    window->kindBox(UIElementKind::menu)->click();
    window->kindBox(UIElementKind::date)->click();  // the last one: refused, and the box is on again
    EXPECT_TRUE(window->kindBox(UIElementKind::date)->isChecked());
    window->kindBox(UIElementKind::button)->click();
    expectShown();
    EXPECT_EQ(actions.state.enabledKinds, (UIElementKindSet{UIElementKind::button, UIElementKind::date}));
    EXPECT_EQ(actions.calls, (QStringList{QStringLiteral("kind menu 0"), QStringLiteral("kind date 0"),
                                          QStringLiteral("kind button 1")}));
}

// The editor's side of the program: a picker that answers at once (or is cancelled), and a record of what the editor
// handed on.
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
    void interfaceCenterStyleChanged(int segment) override { styleChanges << segment; }
};

// Answers the next modal dialog once it is up by pressing the button `choose` picks; a dialog without it is rejected,
// so a failing test never hangs in exec().
void answerNextModal(std::function<QAbstractButton*(QWidget&)> choose) {
    QTimer::singleShot(0, [choose = std::move(choose)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return void(ADD_FAILURE() << "no modal dialog is open");
        if (QAbstractButton* button = choose(*modal))
            return button->click();
        ADD_FAILURE() << "the modal dialog could not be answered: " << modal->windowTitle().toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
}

class UIRegionEditorTest : public ::testing::Test {
protected:
    QTableWidget& table() const { return *editor.regionTable(); }
    QStringList names() const {
        QStringList names;
        for (const UIOCRRegion& region : list.regions())
            names << region.name;
        return names;
    }
    // Each row's tick, name and position against the list as it is.
    void expectTableShowsList() const {
        ASSERT_EQ(table().rowCount(), list.regions().size());
        for (int row = 0; row < table().rowCount(); ++row) {
            const UIOCRRegion& region = list.regions()[row];
            EXPECT_EQ(table().item(row, 0)->checkState(), region.isEnabled ? Qt::Checked : Qt::Unchecked);
            EXPECT_EQ(table().item(row, 1)->text(), region.name);
            EXPECT_EQ(table().item(row, 2)->text(), UIRegionList::positionText(region.normalizedRect));
        }
    }
    void click(const QString& buttonText) {
        auto* button = findByText<QPushButton>(editor, buttonText);
        ASSERT_NE(button, nullptr) << buttonText.toStdString();
        button->click();
    }
    void add(const QRectF& marked) {
        actions.nextPick = marked;
        click(QStringLiteral("＋ 添加区域"));
    }

    UIOCRRegionStore store;
    UIRegionList list{store};
    RecordingEditorActions actions;
    UIRegionEditorWindow editor{list, actions};
};

TEST_F(UIRegionEditorTest, AddingAndRedrawingTakeTheMarkedRectangle) {
    click(QStringLiteral("＋ 添加区域"));  // cancelled: nothing to hand on
    EXPECT_EQ(actions.picks, 1);
    EXPECT_TRUE(actions.outcomes.isEmpty());

    add(QRectF(0.1, 0.2, 0.3, 0.05));
    ASSERT_EQ(list.regions().size(), 1);
    EXPECT_EQ(list.regions()[0].normalizedRect, QRectF(0.1, 0.2, 0.3, 0.05));
    expectTableShowsList();
    EXPECT_EQ(editor.selectedRow(), 0);
    EXPECT_EQ(actions.outcomes.size(), 1);

    actions.nextPick = QRectF(0.5, 0.5, 0.25, 0.125);
    click(QStringLiteral("重新框选"));
    EXPECT_EQ(list.regions()[0].normalizedRect, *actions.nextPick);
    expectTableShowsList();

    // Without a selected row no still is taken; the list's reason reaches both status lines.
    table().clearSelection();
    click(QStringLiteral("重新框选"));
    EXPECT_EQ(actions.picks, 3);
    EXPECT_EQ(editor.statusLabel()->text(), UIRegionList::noSelectionStatus());
    EXPECT_EQ(actions.statusTexts, QStringList{UIRegionList::noSelectionStatus()});
    add(QRectF(0.1, 0.5, 0.2, 0.05));
    EXPECT_TRUE(editor.statusLabel()->text().isEmpty()) << "the next operation that works leaves no stale reason";
}

TEST_F(UIRegionEditorTest, TickingARowSwitchesItsRegionAndOutsideChangesShowOnReload) {
    add(QRectF(0.1, 0.1, 0.2, 0.05));
    add(QRectF(0.1, 0.3, 0.2, 0.05));
    table().item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(list.regions()[0].isEnabled);
    EXPECT_FALSE(list.regions()[1].isEnabled);
    EXPECT_EQ(actions.outcomes.size(), 3);
    EXPECT_EQ(UIOCRRegionStore(store.fileURL()).load().value(), list.regions());

    // The interface centre's whole-window scope changes the list, and the style, behind the editor's back.
    table().selectRow(1);
    list.useWholeWindow();
    actions.style = UIOverlayStyle::replaceOriginal;
    editor.openUIRegionEditor();
    expectTableShowsList();
    EXPECT_EQ(editor.selectedRow(), 1);
    EXPECT_EQ(editor.styleControl()->currentIndex(), 1);
    EXPECT_EQ(actions.outcomes.size(), 3) << "showing changes nothing itself";

    editor.styleControl()->button(0)->click();
    EXPECT_EQ(actions.styleChanges, QList<int>{0});
    EXPECT_EQ(editor.styleControl()->currentIndex(), 1) << "the program kept its style, so the control shows it";
}

TEST_F(UIRegionEditorTest, RenamingMovingAndRemovingKeepTheSelectedRow) {
    for (int index = 0; index < 3; ++index)
        add(QRectF(0.1, 0.1 * index, 0.2, 0.05));
    const QStringList added = names();
    table().selectRow(1);
    QString prefilled;
    const auto rename = [&prefilled](const QString& name, const QString& buttonTitle) {
        return [&prefilled, name, buttonTitle](QWidget& modal) -> QAbstractButton* {
            auto* field = modal.findChild<QLineEdit*>();
            prefilled = field ? field->text() : QString();
            if (field)
                field->setText(name);
            return findByText<QPushButton>(modal, buttonTitle);
        };
    };
    answerNextModal(rename(QStringLiteral("不要"), UIRegionList::cancelButtonTitle()));
    click(QStringLiteral("重命名…"));
    EXPECT_EQ(prefilled, added[1]);
    EXPECT_EQ(names(), added);
    answerNextModal(rename(QStringLiteral("属性栏"), QStringLiteral("保存")));
    click(QStringLiteral("重命名…"));
    EXPECT_EQ(names(), (QStringList{added[0], QStringLiteral("属性栏"), added[2]}));
    EXPECT_EQ(editor.selectedRow(), 1);

    click(QStringLiteral("下移"));
    EXPECT_EQ(names(), (QStringList{added[0], added[2], QStringLiteral("属性栏")}));
    EXPECT_EQ(editor.selectedRow(), 2);
    click(QStringLiteral("删除"));
    EXPECT_EQ(names(), (QStringList{added[0], added[2]}));
    EXPECT_EQ(editor.selectedRow(), 1) << "the new last row";
    expectTableShowsList();
}

TEST_F(UIRegionEditorTest, ClearingAllNeedsRegionsAndConfirmationAndReturnCancels) {
    QPushButton* clearAll = findByText<QPushButton>(editor, QStringLiteral("清空全部…"));
    ASSERT_NE(clearAll, nullptr);
    EXPECT_FALSE(clearAll->isEnabled());
    add(QRectF(0.1, 0.1, 0.2, 0.05));
    EXPECT_TRUE(clearAll->isEnabled());

    answerNextModal([](QWidget& modal) -> QAbstractButton* {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        return box ? box->defaultButton() : nullptr;
    });
    clearAll->click();
    EXPECT_EQ(list.regions().size(), 1);

    answerNextModal([](QWidget& modal) {
        return findByText<QAbstractButton>(modal, UIRegionList::clearAllButtonTitle());
    });
    clearAll->click();
    EXPECT_TRUE(list.regions().isEmpty());
    expectTableShowsList();
    EXPECT_FALSE(clearAll->isEnabled());
    EXPECT_TRUE(UIOCRRegionStore(store.fileURL()).load().value().isEmpty());
}

}  // namespace
}  // namespace ovisu
