#include "app/ui/StatusItem.h"
#include "ui/RecordingShellActions.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

using namespace ovisu;
using test::RecordingActions;

namespace {

QAction* actionStartingWith(QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions())
        if (action->text().startsWith(title)) return action;
    return nullptr;
}

}  // namespace

TEST(StatusItemTest, TheMenuFollowsTheStateAndItsItemsReachTheShell) {
    RecordingActions actions;
    StatusItem item(actions);
    item.configure(true);
    ASSERT_TRUE(item.exists());

    StatusMenuPresentation::Inputs inputs;
    inputs.state = RealtimeTranslationState::waitingForStableText();
    inputs.realtimeSessionRunning = true;
    inputs.overlayVisible = true;
    inputs.automaticSpeechEnabled = true;
    item.refresh(StatusMenuPresentation::make(inputs), {{Provider::google, "Google 翻译", false}, {Provider::sakura, "Sakura（本地）", true}},
                 {});
    QMenu* menu = item.menu();
    EXPECT_EQ(menu->actions().first()->text(), "Ovisu · 等待字幕稳定 ●");
    ASSERT_NE(actionStartingWith(menu, "暂停翻译"), nullptr);
    EXPECT_TRUE(actionStartingWith(menu, "暂停翻译")->text().endsWith("Ctrl+Shift+P"));
    ASSERT_NE(actionStartingWith(menu, "关闭自动朗读译文"), nullptr);
    EXPECT_TRUE(actionStartingWith(menu, "关闭自动朗读译文")->isChecked());

    actionStartingWith(menu, "暂停翻译")->trigger();
    actionStartingWith(menu, "隐藏悬浮窗")->trigger();
    QMenu* sources = actionStartingWith(menu, "翻译引擎")->menu();
    ASSERT_NE(sources, nullptr);
    ASSERT_EQ(sources->actions().size(), 2);
    EXPECT_TRUE(sources->actions()[1]->isChecked());
    sources->actions()[0]->trigger();
    QMenu* profiles = actionStartingWith(menu, "切换配置")->menu();
    ASSERT_EQ(profiles->actions().size(), 1);
    EXPECT_EQ(profiles->actions().first()->text(), "尚未保存配置");
    EXPECT_FALSE(profiles->actions().first()->isEnabled());
    EXPECT_EQ(actions.calls, (QStringList{"toggleTranslation", "toggleOverlayVisibility",
                                         "selectProvider " + ProviderCatalogue::title(Provider::google)}));

    item.configure(false);
    EXPECT_FALSE(item.exists());
    EXPECT_EQ(item.menu(), nullptr);
}
