#include "app/StatusMenuPresentation.h"

#include "app/GlobalHotKeys.h"
#include "capture/RealtimeStatusPresentation.h"
#include "engine/ProviderSelection.h"

#include <algorithm>

namespace ovisu {

namespace {

// The menu shows the global hot keys' own shortcuts, so the two never drift apart.
QString hotKeyShortcut(int id) {
    const auto definition = std::ranges::find(globalHotKeyDefinitions, id, &GlobalHotKeyDefinition::id);
    return definition == globalHotKeyDefinitions.end() ? QString() : QString::fromLatin1(definition->shortcut);
}

}  // namespace

StatusMenuPresentation StatusMenuPresentation::make(const Inputs& inputs) {
    StatusMenuPresentation presentation;
    presentation.running = inputs.realtimeSessionRunning || inputs.clipboardPolling;
    presentation.stateText = RealtimeStatusPresentation::statusMenuText(inputs.state);
    presentation.stateLine = RealtimeStatusPresentation::statusMenuLine(inputs.state, presentation.running);
    presentation.toggleTitle = presentation.running ? QStringLiteral("暂停翻译") : QStringLiteral("开始翻译");
    presentation.overlayTitle = inputs.overlayVisible ? QStringLiteral("隐藏悬浮窗") : QStringLiteral("显示悬浮窗");
    presentation.clickThroughTitle =
        inputs.overlayClickThrough ? QStringLiteral("关闭悬浮窗点击穿透") : QStringLiteral("开启悬浮窗点击穿透");
    presentation.clipboardTitle =
        inputs.clipboardMonitoringEnabled ? QStringLiteral("关闭剪贴板监听翻译") : QStringLiteral("开启剪贴板监听翻译");
    presentation.clipboardChecked = inputs.clipboardMonitoringEnabled;
    presentation.speechTitle =
        inputs.automaticSpeechEnabled ? QStringLiteral("关闭自动朗读译文") : QStringLiteral("开启自动朗读译文");
    presentation.speechChecked = inputs.automaticSpeechEnabled;
    presentation.toolTip = QStringLiteral("Ovisu · ") + presentation.stateText;
    return presentation;
}

QList<StatusMenuEntry> StatusMenuPresentation::entries() {
    using Kind = StatusMenuEntry::Kind;
    using Action = StatusMenuAction;
    const auto item = [](const QString& title, Action action, const QString& shortcut = {}) {
        return StatusMenuEntry{Kind::item, title, action, shortcut, true};
    };
    const StatusMenuEntry separator{Kind::separator, {}, Action::none, {}, true};
    // Before the first refresh every switch is off and nothing runs.
    const StatusMenuPresentation initial = make({});
    return {
        StatusMenuEntry{Kind::stateLine, QStringLiteral("Ovisu · 准备就绪"), Action::none, {}, false},
        separator,
        item(initial.toggleTitle, Action::statusMenuToggleTranslation, hotKeyShortcut(hotKeyToggleTranslation)),
        item(initial.overlayTitle, Action::toggleOverlayVisibility, hotKeyShortcut(hotKeyToggleOverlay)),
        item(initial.clickThroughTitle, Action::toggleOverlayClickThrough),
        item(QStringLiteral("立即 OCR 并翻译一次"), Action::performManualOCR),
        item(initial.clipboardTitle, Action::toggleClipboardMonitoring),
        item(initial.speechTitle, Action::toggleAutomaticSpeech),
        item(QStringLiteral("重新框选区域"), Action::statusMenuSelectRegion, hotKeyShortcut(hotKeySelectRegion)),
        separator,
        StatusMenuEntry{Kind::providerSubmenu, QStringLiteral("翻译引擎"), Action::none, {}, true},
        StatusMenuEntry{Kind::profileSubmenu, QStringLiteral("切换配置"), Action::none, {}, true},
        item(QStringLiteral("复制最新译文"), Action::copyLatestTranslation, QStringLiteral("Ctrl+Shift+C")),
        item(QStringLiteral("朗读最新译文"), Action::speakLatestTranslation),
        separator,
        item(QStringLiteral("打开主窗口"), Action::showMainWindow, QStringLiteral("Ctrl+0")),
        item(QStringLiteral("设置…"), Action::openSettingsCenter, QStringLiteral("Ctrl+,")),
        item(QStringLiteral("界面翻译中心…"), Action::openInterfaceTranslationCenter),
        item(QStringLiteral("使用帮助与 API 排错"), Action::openSettingsHelp),
        separator,
        item(QStringLiteral("退出Ovisu"), Action::quitApplication, QStringLiteral("Ctrl+Q")),
    };
}

QList<StatusMenuProviderItem> StatusMenuPresentation::providerItems(const ProviderSelection& selection) {
    const QList<Provider> visible = selection.visibleProviders();
    // currentProvider() already falls back to the first visible source for an index out of range.
    const Provider current = selection.currentProvider();
    QList<StatusMenuProviderItem> items;
    items.reserve(visible.size());
    for (const Provider provider : visible)
        items.append({provider, ProviderCatalogue::title(provider), provider == current});
    return items;
}

}  // namespace ovisu
