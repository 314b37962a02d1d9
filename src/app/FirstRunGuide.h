#pragma once

#include "engine/Provider.h"

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// The quick-start guide shown on the first launch: what the player wants to translate and which
// kind of translation source suits them. Answering or skipping it stores both choices, and the
// guide is not shown again.
enum class FirstRunProviderChoice { free = 0, apiKey = 1, local = 2 };

struct FirstRunPlan {
    Provider provider;              // made the current source
    bool opensProviderSettings;     // the source needs a key or an address first
};

// Whether the guide still has to be shown: neither choice is stored yet.
bool firstRunGuidePending(const SettingsStore& settings);
// What answering with `choice` does: Google needs nothing, a key-based source starts at OpenAI and
// the local choice at Sakura, both in the source configuration window.
FirstRunPlan firstRunPlan(FirstRunProviderChoice choice);
// Stores the answer (none: skipped, stored as -1) with dialogue as the content choice, the only
// mode there is so far.
std::expected<void, QString> storeFirstRunAnswer(SettingsStore& settings, std::optional<FirstRunProviderChoice> choice);

}  // namespace ovisu
