#pragma once

#include "engine/Provider.h"

#include <QString>

namespace ovisu {

// The commands that the application menu, the tray's status menu and the hot keys all reach.
// The shell (AppDelegate) carries them out.
class ShellActions {
public:
    virtual ~ShellActions() = default;

    virtual void toggleTranslation() = 0;
    virtual void toggleOverlayVisibility() = 0;
    virtual void toggleOverlayClickThrough() = 0;
    virtual void performManualOCR() = 0;
    virtual void toggleClipboardMonitoring() = 0;
    // Forget the lines the sources see as context; the saved history stays.
    virtual void resetTranslationContext() = 0;
    virtual void toggleAutomaticSpeech() = 0;
    virtual void statusMenuSelectRegion() = 0;
    virtual void selectProvider(Provider provider) = 0;
    virtual void statusMenuApplyProfile(const QString& name) = 0;
    virtual void copyLatestTranslation() = 0;
    virtual void speakLatestTranslation() = 0;
    virtual void showMainWindow() = 0;
    virtual void openSettingsCenter() = 0;
    virtual void openInterfaceTranslationCenter() = 0;
    virtual void openSettingsHelp() = 0;
    virtual void openTranslationHistory() = 0;
    virtual void exportTranslationHistory() = 0;
    virtual void openProviderSettings() = 0;
    virtual void openAILocalizationSettings() = 0;
    virtual void openTranslationSettings() = 0;
    virtual void openProviderManager() = 0;
    virtual void showScreenCapturePermissionHelp() = 0;
    virtual void quitApplication() = 0;
};

}  // namespace ovisu
