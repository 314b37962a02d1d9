#pragma once

#include <QString>

// Names and defaults of the settings keys, filled in as each area lands. Per-source keys are a
// prefix plus the source's raw value ("model.4").
namespace ovisu::SettingsKeys {

// Translation parameters
inline const QString translationTemperature = QStringLiteral("translationTemperature");
inline const QString translationMaxTokens = QStringLiteral("translationMaxTokens");
inline const QString translationTopP = QStringLiteral("translationTopP");
inline const QString translationContextCount = QStringLiteral("translationContextCount");
inline const QString translationStreamingEnabled = QStringLiteral("translationStreamingEnabled");
inline const QString deepSeekThinkingDisabled = QStringLiteral("deepSeekThinkingDisabled");
inline const QString translationWorkContext = QStringLiteral("translationWorkContext");
inline const QString translationGlossary = QStringLiteral("translationGlossary");
inline const QString bilingualProperNouns = QStringLiteral("bilingualProperNouns");
inline const QString filterThinkingOutput = QStringLiteral("filterThinkingOutput");
inline const QString automaticFallbackEnabled = QStringLiteral("automaticFallbackEnabled");
inline const QString fallbackProvider = QStringLiteral("fallbackProvider");

// Sources
inline const QString enabledProviders = QStringLiteral("enabledProviders");
inline const QString provider = QStringLiteral("provider");

// Profiles and prompt presets (JSON arrays)
inline const QString translationProfiles = QStringLiteral("translationProfiles");
inline const QString customTranslationPromptPresets = QStringLiteral("customTranslationPromptPresets");

// Per-source prefixes
inline const QString modelPrefix = QStringLiteral("model.");
inline const QString endpointPrefix = QStringLiteral("endpoint.");
inline const QString promptPrefix = QStringLiteral("prompt.");
inline const QString userPromptPrefix = QStringLiteral("userPrompt.");
inline const QString promptPresetPrefix = QStringLiteral("promptPreset.");

// Realtime loop
inline const QString ocrStableHits = QStringLiteral("ocrStableHits");
inline const QString ocrTextSimilarity = QStringLiteral("ocrTextSimilarity");
inline const QString ocrPollingInterval = QStringLiteral("ocrPollingInterval");
inline const QString highPerformancePollingEnabled = QStringLiteral("highPerformancePollingEnabled");
inline const QString ocrFrameChangeThreshold = QStringLiteral("ocrFrameChangeThreshold");
inline const QString translationMode = QStringLiteral("translationMode");  // 0 dialogue, 1 interface
inline const QString interfaceWindowFollowEnabled = QStringLiteral("interfaceWindowFollowEnabled");

// Target window and subtitle region
inline const QString targetWindowID = QStringLiteral("targetWindowID");
inline const QString targetWindowTitle = QStringLiteral("targetWindowTitle");
inline const QString normalizedRegion = QStringLiteral("normalizedRegion");  // {"x", "y", "width", "height"}

inline QString perSource(const QString& prefix, int rawValue) { return prefix + QString::number(rawValue); }

}  // namespace ovisu::SettingsKeys

namespace ovisu::SettingsDefaults {

inline constexpr double translationTemperature = 0.3;
inline constexpr int translationMaxTokens = 1024;
inline constexpr double translationTopP = 0.9;
inline constexpr int translationContextCount = 3;
inline constexpr bool translationStreamingEnabled = false;
inline constexpr bool deepSeekThinkingDisabled = true;
inline constexpr bool bilingualProperNouns = true;
inline constexpr bool filterThinkingOutput = true;
inline constexpr bool automaticFallbackEnabled = false;
inline constexpr int ocrStableHits = 2;
inline constexpr double ocrTextSimilarity = 0.9;
inline constexpr double ocrPollingInterval = 0.8;  // seconds
inline constexpr bool highPerformancePollingEnabled = false;
inline constexpr double ocrFrameChangeThreshold = 0.009;
inline constexpr bool interfaceWindowFollowEnabled = true;

}  // namespace ovisu::SettingsDefaults
