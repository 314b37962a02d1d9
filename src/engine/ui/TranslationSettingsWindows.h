#pragma once

#include "engine/ProviderConnectionTest.h"

#include <memory>

namespace ovisu {

class AILocalizationWindow;
class ProviderManagerWindow;
class ProviderSelection;
class ProviderSettings;
class ProviderSettingsWindow;
class SettingsStore;
class TranslationParametersWindow;
class TranslationProfiles;
class TranslationSettingsActions;

// The four translation settings windows. Each is built the first time it is opened and kept
// afterwards (closing only hides it), so what a window shows survives between openings.
class TranslationSettingsWindows {
public:
    TranslationSettingsWindows(SettingsStore& settings, ProviderSelection& selection, ProviderSettings& providerSettings,
                               TranslationProfiles& profiles, ConnectionTestServices connectionServices,
                               TranslationSettingsActions& actions);
    ~TranslationSettingsWindows();
    TranslationSettingsWindows(const TranslationSettingsWindows&) = delete;
    TranslationSettingsWindows& operator=(const TranslationSettingsWindows&) = delete;

    void openProviderSettings();
    void openAILocalizationSettings();
    void openTranslationSettings();
    void openProviderManager();

    // A profile replaced the source and its settings: the source configuration, parameter and
    // AI-localisation windows close without saving what they showed, so they cannot write the
    // old values back.
    void closeAfterProfileApplied();
    // The enabled sources changed elsewhere: an open source manager shows the new state.
    void translationSourcesChanged();

    // Built windows, or null (for tests and screenshots).
    ProviderSettingsWindow* providerSettingsWindow() const { return m_providerSettings.get(); }
    AILocalizationWindow* aiLocalizationWindow() const { return m_aiLocalization.get(); }
    TranslationParametersWindow* translationParametersWindow() const { return m_parameters.get(); }
    ProviderManagerWindow* providerManagerWindow() const { return m_manager.get(); }

private:
    SettingsStore& m_settings;
    ProviderSelection& m_selection;
    ProviderSettings& m_providerSettingsStore;
    TranslationProfiles& m_profiles;
    ConnectionTestServices m_connectionServices;
    TranslationSettingsActions& m_actions;

    std::unique_ptr<ProviderSettingsWindow> m_providerSettings;
    std::unique_ptr<AILocalizationWindow> m_aiLocalization;
    std::unique_ptr<TranslationParametersWindow> m_parameters;
    std::unique_ptr<ProviderManagerWindow> m_manager;
};

}  // namespace ovisu
