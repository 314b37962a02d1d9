#pragma once

#include "dialogue/DialogueTranslationCache.h"
#include "engine/HttpTransport.h"
#include "app/LocalServices.h"
#include "engine/ProviderConnectionTest.h"
#include "dialogue/TranslationPipeline.h"
#include "local/SystemTranslationBridge.h"

namespace ovisu {

class ProviderSelection;
class SettingsStore;

// What a translation pipeline needs besides the settings: one transport, the dialogue cache, the
// system translator and the local servers (started when a local source needs one). The command
// line and the desktop program assemble their pipelines from it, so they translate the same way.
class TranslationServices {
public:
    TranslationServices(SettingsStore& settings, ProviderSelection& selection);
    TranslationServices(const TranslationServices&) = delete;
    TranslationServices& operator=(const TranslationServices&) = delete;

    TranslationPipeline::Services pipelineServices();
    // The settings window's connection test uses the same transport, translator and probe.
    ConnectionTestServices connectionTestServices();
    // Interface mode translates through its own translation service on the same transport.
    HttpTransport& transport() { return m_transport; }
    SystemTranslator& systemTranslator() { return m_systemTranslator; }
    LocalServerStartup& localServerStartup() { return m_local; }
    // The local models' servers, the download slot and the installer.
    LocalServices& local() { return m_local; }

private:
    SettingsStore& m_settings;
    ProviderSelection& m_selection;
    HttpTransport m_transport;
    DialogueTranslationCache m_cache;
    SystemTranslationBridge m_systemTranslator;
    LocalServices m_local;
};

}  // namespace ovisu
