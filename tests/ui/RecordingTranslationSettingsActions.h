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
    void openProviderSettings() override { calls << "openProviderSettings"; }
    void openAILocalizationSettings() override { calls << "openAILocalizationSettings"; }
    void openTranslationSettings() override { calls << "openTranslationSettings"; }
    void openProviderManager() override { calls << "openProviderManager"; }
};

}  // namespace ovisu::test
