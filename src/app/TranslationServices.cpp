#include "app/TranslationServices.h"

#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"

namespace ovisu {

TranslationServices::TranslationServices(SettingsStore& settings, ProviderSelection& selection)
    : m_settings(settings),
      m_selection(selection),
      m_local(settings, m_transport) {}

TranslationPipeline::Services TranslationServices::pipelineServices() {
    return {m_settings, m_selection, m_transport, &m_cache, &m_systemTranslator, &m_local};
}

ConnectionTestServices TranslationServices::connectionTestServices() {
    return {m_transport, &m_systemTranslator, &m_local};
}

}  // namespace ovisu
