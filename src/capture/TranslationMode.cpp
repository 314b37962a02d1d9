#include "capture/TranslationMode.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

namespace ovisu {

TranslationMode storedTranslationMode(const SettingsStore& settings) {
    return settings.intValue(SettingsKeys::translationMode, 0) == static_cast<int>(TranslationMode::interface)
               ? TranslationMode::interface
               : TranslationMode::dialogue;
}

}  // namespace ovisu
