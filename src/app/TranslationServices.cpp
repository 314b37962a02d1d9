#include "app/TranslationServices.h"

#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"

namespace ovisu {

TranslationServices::TranslationServices(SettingsStore& settings, ProviderSelection& selection)
    : m_settings(settings),
      m_selection(selection),
      // The probe asks the current Ollama source's own endpoint, read afresh each time.
      m_ollama(m_transport, [this] {
          return ProviderSettings::validatedEndpoint(ProviderSettings(m_settings).endpoint(m_selection.currentProvider()))
              .value_or(QUrl(QStringLiteral("http://127.0.0.1:11434")));
      }) {}

TranslationPipeline::Services TranslationServices::pipelineServices() {
    return {m_settings, m_selection, m_transport, &m_cache, &m_systemTranslator, &m_ollama};
}

ConnectionTestServices TranslationServices::connectionTestServices() {
    return {m_transport, &m_systemTranslator, &m_ollama};
}

}  // namespace ovisu
