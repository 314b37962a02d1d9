#pragma once

#include "app/ShellActions.h"

#include <QStringList>

namespace ovisu::test {

// Records what the menus and the tray ask of the shell, one line per call.
class RecordingActions : public ShellActions {
public:
    QStringList calls;
    void toggleTranslation() override { calls << "toggleTranslation"; }
    void toggleOverlayVisibility() override { calls << "toggleOverlayVisibility"; }
    void toggleOverlayClickThrough() override { calls << "toggleOverlayClickThrough"; }
    void performManualOCR() override { calls << "performManualOCR"; }
    void toggleClipboardMonitoring() override { calls << "toggleClipboardMonitoring"; }
    void resetTranslationContext() override { calls << "resetTranslationContext"; }
    void toggleAutomaticSpeech() override { calls << "toggleAutomaticSpeech"; }
    void statusMenuSelectRegion() override { calls << "statusMenuSelectRegion"; }
    void selectProvider(Provider provider) override { calls << "selectProvider " + ProviderCatalogue::title(provider); }
    void statusMenuApplyProfile(const QString& name) override { calls << "applyProfile " + name; }
    void copyLatestTranslation() override { calls << "copyLatestTranslation"; }
    void speakLatestTranslation() override { calls << "speakLatestTranslation"; }
    void showMainWindow() override { calls << "showMainWindow"; }
    void openSettingsCenter() override { calls << "openSettingsCenter"; }
    void openInterfaceTranslationCenter() override { calls << "openInterfaceTranslationCenter"; }
    void openSettingsHelp() override { calls << "openSettingsHelp"; }
    void openTranslationHistory() override { calls << "openTranslationHistory"; }
    void exportTranslationHistory() override { calls << "exportTranslationHistory"; }
    void openProviderSettings() override { calls << "openProviderSettings"; }
    void openAILocalizationSettings() override { calls << "openAILocalizationSettings"; }
    void openTranslationSettings() override { calls << "openTranslationSettings"; }
    void openProviderManager() override { calls << "openProviderManager"; }
    void showScreenCapturePermissionHelp() override { calls << "showScreenCapturePermissionHelp"; }
    void quitApplication() override { calls << "quitApplication"; }
};

}  // namespace ovisu::test
