#include "app/ui/ApplicationMenu.h"
#include "ui/RecordingShellActions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <algorithm>

using namespace ovisu;
using test::RecordingActions;

namespace {

QMenu* menuTitled(QMainWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() && action->text() == title) return action->menu();
    return nullptr;
}

QAction* itemTitled(QMenu* menu, const QString& title) {
    if (!menu) return nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == title) return action;
    return nullptr;
}

}  // namespace

TEST(ApplicationMenuTest, TheSourceMenuShowsTheSourceInUseAndResetsTheContext) {
    QMainWindow window;
    RecordingActions actions;
    buildApplicationMenu(window, actions, {Provider::google, Provider::sakura, Provider::groq});
    QMenu* sources = menuTitled(window, "翻译引擎");
    ASSERT_NE(sources, nullptr);

    // The fallback makes Groq current without the menu's doing; the menu follows.
    showCurrentProviderInApplicationMenu(window, Provider::sakura);
    EXPECT_TRUE(itemTitled(sources, ProviderCatalogue::title(Provider::sakura))->isChecked());
    showCurrentProviderInApplicationMenu(window, Provider::groq);
    EXPECT_TRUE(itemTitled(sources, ProviderCatalogue::title(Provider::groq))->isChecked());
    EXPECT_FALSE(itemTitled(sources, ProviderCatalogue::title(Provider::sakura))->isChecked());
    EXPECT_FALSE(itemTitled(sources, ProviderCatalogue::title(Provider::google))->isChecked());

    QAction* reset = itemTitled(sources, "重置翻译上下文");
    ASSERT_NE(reset, nullptr);
    reset->trigger();
    itemTitled(sources, ProviderCatalogue::title(Provider::google))->trigger();
    EXPECT_EQ(actions.calls, QStringList({"resetTranslationContext", "selectProvider Google 翻译（联网）"}));

    // Rebuilt for another set of sources, the menu bar holds one set of menus, not two.
    buildApplicationMenu(window, actions, {Provider::google});
    EXPECT_EQ(window.menuBar()->actions().size(), 7);
    const QList<QAction*> items = menuTitled(window, "翻译引擎")->actions();
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](QAction* item) { return !item->isSeparator(); }), 6);
}

TEST(ApplicationMenuTest, TheClipboardModeIsReachableWithoutATray) {
    QMainWindow window;
    RecordingActions actions;
    buildApplicationMenu(window, actions, {Provider::google});
    QAction* clipboard = itemTitled(menuTitled(window, "视图"), "剪贴板监听翻译");
    ASSERT_NE(clipboard, nullptr);
    EXPECT_FALSE(clipboard->shortcut().isEmpty());
    clipboard->trigger();
    EXPECT_EQ(actions.calls, QStringList{"toggleClipboardMonitoring"});
    showClipboardMonitoringInApplicationMenu(window, true);
    EXPECT_TRUE(clipboard->isChecked());
    showClipboardMonitoringInApplicationMenu(window, false);
    EXPECT_FALSE(clipboard->isChecked());
}
