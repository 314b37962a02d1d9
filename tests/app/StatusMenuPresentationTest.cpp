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

TEST(StatusMenuPresentationTest, StateTextLineAndToolTipFollowTheState) {
    const QList<std::pair<State, QString>> cases{
        {State::idle(), "准备就绪"},          {State::selectingRegion(), "正在框选"},
        {State::capturing(), "正在监测"},     {State::recognizing(), "OCR 识别中"},
        {State::waitingForStableText(), "等待字幕稳定"}, {State::translating(), "正在翻译"},
        {State::showingResult(), "运行中"},   {State::paused(), "已暂停"},
        {State::recovering(), "正在恢复"},    {State::error("缺少屏幕录制权限"), "需要处理"},
    };
    for (const auto& [state, text] : cases) {
        const StatusMenuPresentation idle = present(state);
        EXPECT_EQ(idle.stateText, text);
        EXPECT_EQ(idle.stateLine, "Ovisu · " + text + " ");
        EXPECT_EQ(idle.toolTip, "Ovisu · " + text);
    }
    EXPECT_EQ(present(State::capturing(), true).stateLine, "Ovisu · 正在监测 ●");
    EXPECT_EQ(present(State::capturing(), true).toolTip, "Ovisu · 正在监测");
}

TEST(StatusMenuPresentationTest, EitherPollMeansRunning) {
    for (const auto& [realtime, clipboard] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        const StatusMenuPresentation running = present(State::translating(), realtime, clipboard);
        EXPECT_TRUE(running.running);
        EXPECT_EQ(running.toggleTitle, "暂停翻译");
        EXPECT_TRUE(running.stateLine.endsWith(" ●"));
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
    EXPECT_EQ(off.clickThroughTitle, "开启悬浮窗点击穿透");
    EXPECT_EQ(off.clipboardTitle, "开启剪贴板监听翻译");
    EXPECT_FALSE(off.clipboardChecked);
    EXPECT_EQ(off.speechTitle, "开启自动朗读译文");
    EXPECT_FALSE(off.speechChecked);

    inputs.overlayVisible = true;
    inputs.overlayClickThrough = true;
    inputs.clipboardMonitoringEnabled = true;
    inputs.automaticSpeechEnabled = true;
    const StatusMenuPresentation on = StatusMenuPresentation::make(inputs);
    EXPECT_EQ(on.overlayTitle, "隐藏悬浮窗");
    EXPECT_EQ(on.clickThroughTitle, "关闭悬浮窗点击穿透");
    EXPECT_EQ(on.clipboardTitle, "关闭剪贴板监听翻译");
    EXPECT_TRUE(on.clipboardChecked);
    EXPECT_EQ(on.speechTitle, "关闭自动朗读译文");
    EXPECT_TRUE(on.speechChecked);
    // Monitoring switched on but its poll not (yet) running is not "running".
    EXPECT_FALSE(on.running);
}

TEST(StatusMenuPresentationTest, TheMenuInItsOrderWithCtrlShiftShortcuts) {
    const QList<StatusMenuEntry> entries = StatusMenuPresentation::entries();
    QStringList titles;
    for (const auto& entry : entries)
        titles.append(entry.kind == StatusMenuEntry::Kind::separator ? QStringLiteral("-") : entry.title);
    EXPECT_EQ(titles, QStringList({"Ovisu · 准备就绪", "-", "开始翻译", "显示悬浮窗", "开启悬浮窗点击穿透",
                                   "立即 OCR 并翻译一次", "开启剪贴板监听翻译", "开启自动朗读译文", "重新框选区域", "-",
                                   "翻译引擎", "切换配置", "复制最新译文", "朗读最新译文", "-", "打开主窗口", "设置…",
                                   "使用帮助与 API 排错", "-", "退出Ovisu"}));
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
    EXPECT_EQ(entryFor(entries, StatusMenuAction::copyLatestTranslation)->shortcut, "Ctrl+Shift+C");
    EXPECT_EQ(entryFor(entries, StatusMenuAction::showMainWindow)->shortcut, "Ctrl+0");
    EXPECT_EQ(entryFor(entries, StatusMenuAction::openSettingsCenter)->shortcut, "Ctrl+,");
    EXPECT_EQ(entryFor(entries, StatusMenuAction::quitApplication)->shortcut, "Ctrl+Q");
    for (const StatusMenuAction silent : {StatusMenuAction::toggleOverlayClickThrough, StatusMenuAction::performManualOCR,
                                          StatusMenuAction::toggleClipboardMonitoring, StatusMenuAction::toggleAutomaticSpeech,
                                          StatusMenuAction::speakLatestTranslation, StatusMenuAction::openSettingsHelp})
        EXPECT_TRUE(entryFor(entries, silent)->shortcut.isEmpty());
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
