#include "engine/ui/TranslationSettingsWindows.h"

#include "engine/ProviderSelection.h"
#include "engine/ui/AILocalizationWindow.h"
#include "engine/ui/ProviderManagerWindow.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "engine/ui/TranslationParametersWindow.h"

namespace ovisu {

TranslationSettingsWindows::TranslationSettingsWindows(SettingsStore& settings, ProviderSelection& selection,
                                                       ProviderSettings& providerSettings, TranslationProfiles& profiles,
                                                       ConnectionTestServices connectionServices,
                                                       TranslationSettingsActions& actions)
    : m_settings(settings),
      m_selection(selection),
      m_providerSettingsStore(providerSettings),
      m_profiles(profiles),
      m_connectionServices(connectionServices),
      m_actions(actions) {}

TranslationSettingsWindows::~TranslationSettingsWindows() = default;

void TranslationSettingsWindows::openProviderSettings() {
    if (!m_providerSettings)
        m_providerSettings = std::make_unique<ProviderSettingsWindow>(
            m_settings, m_selection, m_providerSettingsStore, m_connectionServices, m_actions);
    m_providerSettings->present();
}

void TranslationSettingsWindows::openAILocalizationSettings() {
    if (!m_aiLocalization)
        m_aiLocalization = std::make_unique<AILocalizationWindow>(m_settings, m_providerSettingsStore, m_selection,
                                                                  m_profiles, m_actions);
    m_aiLocalization->openAILocalizationSettings();
}

void TranslationSettingsWindows::openTranslationSettings() {
    if (!m_parameters) m_parameters = std::make_unique<TranslationParametersWindow>(m_settings, m_actions);
    m_parameters->present();
}

void TranslationSettingsWindows::openProviderManager() {
    if (!m_manager) m_manager = std::make_unique<ProviderManagerWindow>(m_selection, m_actions);
    m_manager->present();
}

void TranslationSettingsWindows::closeAfterProfileApplied() {
    if (m_parameters) {
        m_parameters->hide();
        m_parameters->render();
    }
    if (m_providerSettings) {
        m_providerSettings->hide();
        m_providerSettings->loadProviderFields(m_selection.currentProvider());
    }
    // The profile also replaced the prompt, glossary and work context; an open AI-localisation
    // window would write the old ones back with "保存并应用". Opening it again loads the new ones.
    if (m_aiLocalization) m_aiLocalization->hide();
}

void TranslationSettingsWindows::translationSourcesChanged() {
    if (m_manager && m_manager->isVisible()) m_manager->render();
}

}  // namespace ovisu
