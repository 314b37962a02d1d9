#pragma once

#include "capture/RealtimeTranslationState.h"
#include "engine/Provider.h"

#include <QList>
#include <QString>

namespace ovisu {

class ProviderSelection;

// What the tray's status menu does when an item is chosen.
enum class StatusMenuAction {
    none,
    statusMenuToggleTranslation,
    toggleOverlayVisibility,
    toggleOverlayClickThrough,
    performManualOCR,
    toggleClipboardMonitoring,
    toggleAutomaticSpeech,
    statusMenuSelectRegion,
    copyLatestTranslation,
    speakLatestTranslation,
    showMainWindow,
    openSettingsCenter,
    openInterfaceTranslationCenter,
    openSettingsHelp,
    quitApplication,
};

// One line of the status menu as built: the refresh below changes the titles of the items it
// names by their action (and the state line by its kind).
struct StatusMenuEntry {
    enum class Kind { stateLine, item, separator, providerSubmenu, profileSubmenu };

    Kind kind = Kind::item;
    QString title;
    StatusMenuAction action = StatusMenuAction::none;
    QString shortcut;  // a QKeySequence text ("Ctrl+Shift+P"); empty: none
    bool enabled = true;

    friend bool operator==(const StatusMenuEntry&, const StatusMenuEntry&) = default;
};

// An entry of the "翻译引擎" submenu.
struct StatusMenuProviderItem {
    Provider provider;
    QString title;
    bool checked = false;

    friend bool operator==(const StatusMenuProviderItem&, const StatusMenuProviderItem&) = default;
};

// The texts of the status menu and the tray icon for the current state of the program.
struct StatusMenuPresentation {
    struct Inputs {
        RealtimeTranslationState state;
        bool realtimeSessionRunning = false;  // the realtime polling timer exists
        bool clipboardPolling = false;        // the clipboard polling timer exists
        bool overlayVisible = false;          // the overlay panel exists and is shown
        bool overlayClickThrough = false;
        bool clipboardMonitoringEnabled = false;
        bool automaticSpeechEnabled = false;
    };

    bool running = false;
    QString stateText;
    QString stateLine;
    QString toggleTitle;
    QString overlayTitle;
    QString clickThroughTitle;
    QString clipboardTitle;
    bool clipboardChecked = false;
    QString speechTitle;
    bool speechChecked = false;
    QString toolTip;

    static StatusMenuPresentation make(const Inputs& inputs);

    // The menu in its order, with the titles it starts with.
    static QList<StatusMenuEntry> entries();
    // The visible sources in the pop-up's order, the current one checked.
    static QList<StatusMenuProviderItem> providerItems(const ProviderSelection& selection);

    // The tray icon before any refresh, and the text shown when no icon can be drawn.
    static QString initialToolTip() { return QStringLiteral("Ovisu · 实时翻译"); }
    static QString fallbackIconText() { return QStringLiteral("译"); }
    // Only an icon the player can see keeps the program running once its windows are closed.
    static bool keepsRunningWithoutWindows(bool iconEnabled, bool trayAvailable) { return iconEnabled && trayAvailable; }
    static QString trayUnavailableNotice() { return QStringLiteral("系统托盘不可用：关闭主窗口将退出程序"); }

    friend bool operator==(const StatusMenuPresentation&, const StatusMenuPresentation&) = default;
};

}  // namespace ovisu
