#pragma once

#include "app/GlobalHotKeys.h"
#include "app/InterfaceModeParts.h"
#include "app/ModeCoordinator.h"
#include "app/SessionEvents.h"
#include "app/TranslationServices.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "clipboard/ClipboardSource.h"
#include "dialogue/RealtimeSession.h"
#include "dialogue/TranslationPipeline.h"
#include "engine/ProviderSelection.h"
#include "engine/TranslationProfiles.h"
#include "history/SpeechOutput.h"
#include "history/AsyncHistoryAppender.h"
#include "history/TranslationHistoryStore.h"
#include "interface/InterfaceOverlayFanOut.h"
#include "interface/InterfacePanelRecord.h"

#include <memory>

namespace ovisu {

// The desktop program's working parts, one per area, built in the order they depend on each
// other and without a window: the windows are given them by AppDelegate, and tests reach them
// here. The platform back ends are the real ones unless their environment switches say otherwise.
class DesktopComponents {
public:
    DesktopComponents();
    ~DesktopComponents();
    DesktopComponents(const DesktopComponents&) = delete;
    DesktopComponents& operator=(const DesktopComponents&) = delete;

    SettingsStore settings;
    ProviderSelection selection{settings};
    TranslationServices services{settings, selection};
    LocalServices& local = services.local();
    AsyncHistoryAppender history;
    SessionEvents sessionEvents;
    std::unique_ptr<WindowCapture> capture;
    TranslationPipeline pipeline;
    RealtimeSession session;
    InterfaceSessionEvents interfaceEvents{sessionEvents};
    // What interface mode shows, on record; the desktop's labels paint it once the windows exist.
    InterfacePanelRecord interfacePanels;
    InterfaceOverlayFanOut interfaceOverlays{interfacePanels};
    InterfaceModeParts interfaceMode;
    TranslationProfiles profiles;
    std::unique_ptr<ClipboardSource> clipboardSource;
    ModeCoordinator modes;
    std::unique_ptr<GlobalHotKeys> hotKeys;
    std::unique_ptr<SpeechOutput> speech;
};

}  // namespace ovisu
