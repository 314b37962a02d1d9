#include "app/FirstRunGuide.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

namespace ovisu {

bool firstRunGuidePending(const SettingsStore& settings) {
    return !settings.contains(SettingsKeys::firstRunProviderChoice) &&
           !settings.contains(SettingsKeys::firstRunContentChoice);
}

FirstRunPlan firstRunPlan(FirstRunProviderChoice choice) {
    switch (choice) {
    case FirstRunProviderChoice::free: return {Provider::google, false};
    case FirstRunProviderChoice::apiKey: return {Provider::openAI, true};
    case FirstRunProviderChoice::local: return {Provider::sakura, true};
    }
    return {Provider::google, false};
}

std::expected<void, QString> storeFirstRunAnswer(SettingsStore& settings, std::optional<FirstRunProviderChoice> choice) {
    if (auto written = settings.setInt(SettingsKeys::firstRunContentChoice, 0); !written) return written;
    return settings.setInt(SettingsKeys::firstRunProviderChoice, choice ? static_cast<int>(*choice) : -1);
}

}  // namespace ovisu
