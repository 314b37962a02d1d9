#include "capture/TranslationMode.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

namespace ovisu {
namespace {

// Interface mode has no recogniser yet. Until it lands, a stored 1 (an earlier choice) reads as
// dialogue: otherwise the program would start in a mode that refuses to start.
constexpr bool kInterfaceModeAvailable = false;

}  // namespace

TranslationMode storedTranslationMode(const SettingsStore& settings) {
    const bool interfaceStored =
        settings.intValue(SettingsKeys::translationMode, 0) == static_cast<int>(TranslationMode::interface);
    return interfaceStored && kInterfaceModeAvailable ? TranslationMode::interface : TranslationMode::dialogue;
}

}  // namespace ovisu
