#pragma once

#include "engine/TranslationSettingsActions.h"

#include <QStringList>

namespace ovisu::test {

// Records what the translation settings windows ask of the shell, one line per call.
class RecordingTranslationSettingsActions : public TranslationSettingsActions {
public:
    QStringList calls;

    void showTranslationStatus(const QString& message) override { calls << "showTranslationStatus(" + message + ")"; }
    void translationSourcesChanged() override { calls << "translationSourcesChanged"; }
    void configureGlobalHotKeys() override { calls << "configureGlobalHotKeys"; }
    void applyTranslationProfile(const QString& name) override { calls << "applyTranslationProfile(" + name + ")"; }
    void translationProfilesChanged() override { calls << "translationProfilesChanged"; }
    void openLocalModelDownload(Provider provider) override {
        calls << QStringLiteral("openLocalModelDownload(%1)").arg(rawValue(provider));
    }
    void openExternalURL(const QUrl& url) override { calls << "openExternalURL(" + url.toString() + ")"; }
    // A server row for the GGUF sources that turns from stopped to running on its button.
    std::optional<LocalServiceRow> localServiceRow(Provider provider) override {
        if (!ProviderCatalogue::isManagedLocalEngine(provider)) return std::nullopt;
        return running ? LocalServiceRow{"运行中", "停止", true, true} : LocalServiceRow{"已安装", "启动", true, true};
    }
    void toggleLocalService(Provider provider) override {
        calls << QStringLiteral("toggleLocalService(%1)").arg(rawValue(provider));
        running = !running;
    }
    bool running = false;
    void openProviderSettings() override { calls << "openProviderSettings"; }
    void openAILocalizationSettings() override { calls << "openAILocalizationSettings"; }
    void openTranslationSettings() override { calls << "openTranslationSettings"; }
    void openProviderManager() override { calls << "openProviderManager"; }
};

}  // namespace ovisu::test
