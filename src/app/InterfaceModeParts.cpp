#include "app/InterfaceModeParts.h"

#include "app/TranslationServices.h"

namespace ovisu {

InterfaceModeParts::InterfaceModeParts(SettingsStore& settings, ProviderSelection& selection,
                                       TranslationServices& services, WindowCapture& capture,
                                       InterfaceOverlayPresenter& overlays, InterfaceSessionClient& client,
                                       Options options)
    : m_regionStore(options.regionFile.isEmpty() ? UIOCRRegionStore::defaultFileURL() : options.regionFile),
      m_regions(m_regionStore),
      m_storedTranslations(m_cache, m_dictionary),
      m_providerSettings(settings),
      m_service(settings, m_providerSettings, services.transport(), &services.systemTranslator()),
      m_session({settings, capture, m_service, selection, m_providerSettings, m_regions, m_storedTranslations, overlays,
                 &services.localServerStartup()},
                client, std::move(options.recognizerFactory)) {
    m_storedTranslations.migrateInterfaceCacheForAccurateOCRIfNeeded(settings);
}

}  // namespace ovisu
