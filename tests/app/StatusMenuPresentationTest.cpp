#include "app/GlobalHotKeys.h"
#include "app/StatusMenuPresentation.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ovisu;
using State = RealtimeTranslationState;

namespace {

StatusMenuPresentation present(const State& state, bool realtime = false, bool clipboard = false) {
    StatusMenuPresentation::Inputs inputs;
    inputs.state = state;
    inputs.realtimeSessionRunning = realtime;
    inputs.clipboardPolling = clipboard;
    return StatusMenuPresentation::make(inputs);
}

const StatusMenuEntry* entryFor(const QList<StatusMenuEntry>& entries, StatusMenuAction action) {
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.action == action; });
    return it == entries.end() ? nullptr : &*it;
}

}  // namespace

// The line's wording is the capture layer's; here, that either poll counts as running.
TEST(StatusMenuPresentationTest, EitherPollMeansRunningAndTheToolTipHasNoDot) {
    for (const auto& [realtime, clipboard] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        const StatusMenuPresentation running = present(State::capturing(), realtime, clipboard);
        EXPECT_TRUE(running.running);
        EXPECT_EQ(running.toggleTitle, "暂停翻译");
        EXPECT_EQ(running.stateLine, "Ovisu · 正在监测 ●");
        EXPECT_EQ(running.toolTip, "Ovisu · 正在监测");
    }
    const StatusMenuPresentation stopped = present(State::paused());
    EXPECT_FALSE(stopped.running);
    EXPECT_EQ(stopped.toggleTitle, "开始翻译");
    EXPECT_FALSE(stopped.stateLine.contains("●"));
}

TEST(StatusMenuPresentationTest, SwitchTitlesSayWhatChoosingThemDoes) {
    StatusMenuPresentation::Inputs inputs;
    const StatusMenuPresentation off = StatusMenuPresentation::make(inputs);
    EXPECT_EQ(off.overlayTitle, "显示悬浮窗");
    EXPECT_EQ(off.clipboardTitle, "开启剪贴板监听翻译");
    EXPECT_FALSE(off.clipboardChecked);
    EXPECT_FALSE(off.speechChecked);

    inputs.overlayVisible = true;
    inputs.overlayClickThrough = true;
    inputs.clipboardMonitoringEnabled = true;
    inputs.automaticSpeechEnabled = true;
    const StatusMenuPresentation on = StatusMenuPresentation::make(inputs);
    EXPECT_EQ(on.overlayTitle, "隐藏悬浮窗");
    EXPECT_EQ(on.clipboardTitle, "关闭剪贴板监听翻译");
    EXPECT_NE(on.clickThroughTitle, off.clickThroughTitle);
    EXPECT_NE(on.speechTitle, off.speechTitle);
    EXPECT_TRUE(on.clipboardChecked);
    EXPECT_TRUE(on.speechChecked);
    // Monitoring switched on but its poll not (yet) running is not "running".
    EXPECT_FALSE(on.running);
}

TEST(StatusMenuPresentationTest, TheMenuShowsTheGlobalHotKeysAsItsShortcuts) {
    const QList<StatusMenuEntry> entries = StatusMenuPresentation::entries();
    EXPECT_EQ(entries.first().kind, StatusMenuEntry::Kind::stateLine);
    EXPECT_FALSE(entries.first().enabled);

    // The shortcuts shown are the global hot keys themselves.
    const QList<std::pair<StatusMenuAction, int>> hotKeyItems{
        {StatusMenuAction::statusMenuToggleTranslation, hotKeyToggleTranslation},
        {StatusMenuAction::toggleOverlayVisibility, hotKeyToggleOverlay},
        {StatusMenuAction::statusMenuSelectRegion, hotKeySelectRegion},
    };
    for (const auto& [action, id] : hotKeyItems) {
        const StatusMenuEntry* entry = entryFor(entries, action);
        ASSERT_NE(entry, nullptr);
        const auto definition = std::find_if(globalHotKeyDefinitions.begin(), globalHotKeyDefinitions.end(),
                                             [id](const auto& d) { return d.id == id; });
        ASSERT_NE(definition, globalHotKeyDefinitions.end());
        EXPECT_EQ(entry->shortcut, QString::fromLatin1(definition->shortcut));
    }
}

TEST(StatusMenuPresentationTest, ProviderItemsCheckExactlyTheCurrentVisibleSource) {
    SettingsStore settings;
    ProviderSelection selection(settings);
    ASSERT_TRUE(selection.providerChanged(Provider::deepL));

    QList<StatusMenuProviderItem> items = StatusMenuPresentation::providerItems(selection);
    ASSERT_EQ(items.size(), selection.visibleProviders().size());
    for (qsizetype index = 0; index < items.size(); ++index) {
        EXPECT_EQ(items[index].provider, selection.visibleProviders()[index]);
        EXPECT_EQ(items[index].title, ProviderCatalogue::title(items[index].provider));
    }
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const auto& item) { return item.checked; }), 1);
    EXPECT_TRUE(std::find_if(items.begin(), items.end(), [](const auto& item) {
                    return item.provider == Provider::deepL;
                })->checked);

    // Hiding the current source moves the check to a source that is still listed.
    ASSERT_EQ(selection.providerVisibilityChanged(Provider::deepL, false), ProviderSelection::VisibilityChange::applied);
    items = StatusMenuPresentation::providerItems(selection);
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const auto& item) { return item.checked; }), 1);
    EXPECT_TRUE(std::none_of(items.begin(), items.end(), [](const auto& item) { return item.provider == Provider::deepL; }));
}
