#include "engine/TranslationParameters.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace ovisu {

double TranslationParameters::clampedTemperature(double value) {
    if (!std::isfinite(value)) return SettingsDefaults::translationTemperature;
    return std::clamp(value, minimumTemperature, maximumTemperature);
}

int TranslationParameters::clampedMaxTokens(int value) { return std::clamp(value, minimumMaxTokens, maximumMaxTokens); }

double TranslationParameters::clampedTopP(double value) {
    if (!std::isfinite(value)) return SettingsDefaults::translationTopP;
    return std::clamp(value, minimumTopP, maximumTopP);
}

int TranslationParameters::clampedContextCount(int value) { return std::max(value, 0); }

TranslationParameters TranslationParameters::defaults() {
    TranslationParameters parameters;
    parameters.temperature = SettingsDefaults::translationTemperature;
    parameters.maxTokens = SettingsDefaults::translationMaxTokens;
    parameters.topP = SettingsDefaults::translationTopP;
    parameters.contextCount = SettingsDefaults::translationContextCount;
    parameters.streamingEnabled = SettingsDefaults::translationStreamingEnabled;
    parameters.deepSeekThinkingDisabled = SettingsDefaults::deepSeekThinkingDisabled;
    parameters.globalHotKeysEnabled = SettingsDefaults::globalHotKeysEnabled;
    return parameters;
}

TranslationParameters TranslationParameters::read(const SettingsStore& settings) {
    TranslationParameters parameters;
    parameters.temperature = clampedTemperature(
        settings.doubleValue(SettingsKeys::translationTemperature, SettingsDefaults::translationTemperature));
    parameters.maxTokens = clampedMaxTokens(
        settings.intValue(SettingsKeys::translationMaxTokens, SettingsDefaults::translationMaxTokens));
    parameters.topP =
        clampedTopP(settings.doubleValue(SettingsKeys::translationTopP, SettingsDefaults::translationTopP));
    parameters.contextCount = clampedContextCount(
        settings.intValue(SettingsKeys::translationContextCount, SettingsDefaults::translationContextCount));
    parameters.streamingEnabled =
        settings.boolValue(SettingsKeys::translationStreamingEnabled, SettingsDefaults::translationStreamingEnabled);
    parameters.deepSeekThinkingDisabled =
        settings.boolValue(SettingsKeys::deepSeekThinkingDisabled, SettingsDefaults::deepSeekThinkingDisabled);
    parameters.globalHotKeysEnabled =
        settings.boolValue(SettingsKeys::globalHotKeysEnabled, SettingsDefaults::globalHotKeysEnabled);
    return parameters;
}

std::expected<void, QString> persistTranslationSettings(SettingsStore& settings,
                                                        const TranslationParameters& parameters) {
    std::optional<QString> firstError;
    const auto note = [&firstError](const std::expected<void, QString>& written) {
        if (!written && !firstError) firstError = written.error();
    };
    note(settings.setDouble(SettingsKeys::translationTemperature, parameters.temperature));
    note(settings.setInt(SettingsKeys::translationMaxTokens, parameters.maxTokens));
    note(settings.setDouble(SettingsKeys::translationTopP, parameters.topP));
    note(settings.setInt(SettingsKeys::translationContextCount, parameters.contextCount));
    note(settings.setBool(SettingsKeys::translationStreamingEnabled, parameters.streamingEnabled));
    note(settings.setBool(SettingsKeys::deepSeekThinkingDisabled, parameters.deepSeekThinkingDisabled));
    note(settings.setBool(SettingsKeys::globalHotKeysEnabled, parameters.globalHotKeysEnabled));
    if (firstError) return std::unexpected(*firstError);
    return {};
}

namespace ContextCountChoices {

QStringList titles() {
    return {QStringLiteral("0（关闭）"), QStringLiteral("1"), QStringLiteral("2"),
            QStringLiteral("3"),          QStringLiteral("5"), QStringLiteral("8")};
}

QList<int> counts() { return {0, 1, 2, 3, 5, 8}; }

int indexForCount(int count) {
    const QList<int> all = counts();
    const auto index = all.indexOf(count);
    return static_cast<int>(index >= 0 ? index : all.indexOf(3));
}

int countAt(int index) {
    const QList<int> all = counts();
    return index >= 0 && index < all.size() ? all[index] : 3;
}

}  // namespace ContextCountChoices

}  // namespace ovisu
