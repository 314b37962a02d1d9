#pragma once

#include <optional>

namespace ovisu {

class SettingsStore;

// What the loop reads: the subtitle line of a region (dialogue) or every text of the window
// (interface). Stored under "translationMode" as the integer value.
enum class TranslationMode { dialogue = 0, interface = 1 };

// The stored mode; anything other than 1 reads as dialogue, the default.
TranslationMode storedTranslationMode(const SettingsStore& settings);

}  // namespace ovisu
