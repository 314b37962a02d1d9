#pragma once

#include "engine/LocalServiceRow.h"
#include "engine/Provider.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace ovisu {

// What the translation settings windows ask of the application shell. The windows store their
// own values through the settings, the credential store and the profiles; these operations make
// a change take effect in the rest of the running program.
class TranslationSettingsActions {
public:
    virtual ~TranslationSettingsActions() = default;

    // A short result for the main window's status line ("已切换配置：…", "AI 本地化设置已应用到 …").
    virtual void showTranslationStatus(const QString& message) = 0;
    // The enabled sources or the current source changed: rebuild the source pop-up, the
    // application menu's source list and the tray menu.
    virtual void translationSourcesChanged() = 0;
    // The source configuration window stored a source's key, model, endpoint and prompt: the main
    // window's readiness line may have changed.
    virtual void providerFieldsSaved(Provider) {}
    // "globalHotKeysEnabled" was stored: unregister the hot keys, and register them again when on.
    virtual void configureGlobalHotKeys() = 0;
    // Applies the saved profile of that name the one way the tray menu does too: stops a running
    // session, applies it, closes and reloads the source windows, shows "已切换配置：" + name and
    // rebuilds the menus.
    virtual void applyTranslationProfile(const QString& name) = 0;
    // A profile was saved or deleted: rebuild the tray's profile submenu.
    virtual void translationProfilesChanged() = 0;
    // The "下载" button of a local source: the local model manager, for that source.
    virtual void openLocalModelDownload(Provider provider) = 0;
    // The service row of a source whose server the program runs; none for every other source.
    virtual std::optional<LocalServiceRow> localServiceRow(Provider) { return std::nullopt; }
    // The row's button: stop the running server, start an installed one, or install and start.
    virtual void toggleLocalService(Provider) {}
    // A source's official site, in the user's browser.
    virtual void openExternalURL(const QUrl& url) = 0;

    // The windows open one another (the settings page has buttons for all four).
    virtual void openProviderSettings() = 0;
    virtual void openAILocalizationSettings() = 0;
    virtual void openTranslationSettings() = 0;
    virtual void openProviderManager() = 0;
};

}  // namespace ovisu
