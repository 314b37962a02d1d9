#pragma once

#include "capture/RealtimeLoop.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationService.h"
#include "interface/InterfaceSession.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIRegionList.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"

#include <QString>

namespace ovisu {

class InterfaceOverlayPresenter;
class ProviderSelection;
class SettingsStore;
class TranslationServices;
class WindowCapture;

// Interface mode assembled: its regions, its three stores, its own translation service (on the
// shared transport; it never reads the dialogue's recent lines) and its session. The desktop
// program and the command line build it the same way.
class InterfaceModeParts {
public:
    struct Options {
        // Regions come from this file instead of the user's (a command line's own regions).
        QString regionFile;
        RealtimeLoop::RecognizerFactory recognizerFactory = makeWindowTextRecognizer;
    };

    InterfaceModeParts(SettingsStore& settings, ProviderSelection& selection, TranslationServices& services,
                       WindowCapture& capture, InterfaceOverlayPresenter& overlays, InterfaceSessionClient& client,
                       Options options);
    InterfaceModeParts(const InterfaceModeParts&) = delete;
    InterfaceModeParts& operator=(const InterfaceModeParts&) = delete;

    UIRegionList& regions() { return m_regions; }
    UITranslationCache& cache() { return m_cache; }
    UIFixedDictionaryStore& dictionary() { return m_dictionary; }
    UIStoredTranslations& storedTranslations() { return m_storedTranslations; }
    InterfaceSession& session() { return m_session; }

private:
    UIOCRRegionStore m_regionStore;
    UIRegionList m_regions;
    UITranslationCache m_cache;
    UIFixedDictionaryStore m_dictionary;
    UIStoredTranslations m_storedTranslations;
    ProviderSettings m_providerSettings;
    TranslationService m_service;
    InterfaceSession m_session;
};

}  // namespace ovisu
