#include "app/DesktopComponents.h"

namespace ovisu {

DesktopComponents::DesktopComponents()
    : capture(makeWindowCapture()),
      pipeline(services.pipelineServices()),
      session(settings, *capture, pipeline, sessionEvents),
      interfaceMode(settings, selection, services, *capture, interfaceOverlays, interfaceEvents, {}),
      profiles(settings, selection, pipeline.providerSettings()),
      clipboardSource(makeClipboardSource()),
      modes(settings, *capture, session, interfaceMode.session(), pipeline, profiles, *clipboardSource),
      hotKeys(makeGlobalHotKeys()),
      speech(makeSpeechOutput()) {}

DesktopComponents::~DesktopComponents() = default;

}  // namespace ovisu
