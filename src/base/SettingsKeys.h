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

// Desktop program: clipboard, speech, shell
inline const QString clipboardMonitoringEnabled = QStringLiteral("clipboardMonitoringEnabled");
inline const QString clipboardStrictJapaneseDetection = QStringLiteral("clipboardStrictJapaneseDetection");
inline const QString automaticSpeechEnabled = QStringLiteral("automaticSpeechEnabled");
inline const QString globalHotKeysEnabled = QStringLiteral("globalHotKeysEnabled");
inline const QString menuBarIconEnabled = QStringLiteral("menuBarIconEnabled");
// Written when the first-run guide is answered or skipped; it is shown while neither is stored.
inline const QString firstRunContentChoice = QStringLiteral("firstRun.contentChoice");
inline const QString firstRunProviderChoice = QStringLiteral("firstRun.providerChoice");

// Overlay panel: behaviour
inline const QString overlayShowsOriginal = QStringLiteral("overlayShowsOriginal");
inline const QString overlayShowsMetadata = QStringLiteral("overlayShowsMetadata");
inline const QString overlayShowsDuration = QStringLiteral("overlayShowsDuration");
inline const QString overlayClickThrough = QStringLiteral("overlayClickThrough");
inline const QString overlayAlwaysOnTop = QStringLiteral("overlayAlwaysOnTop");
inline const QString overlayPositionLocked = QStringLiteral("overlayPositionLocked");
inline const QString overlayCompactMode = QStringLiteral("overlayCompactMode");
inline const QString overlayHistoryLimit = QStringLiteral("overlayHistoryLimit");
inline const QString overlayTextSelectable = QStringLiteral("overlayTextSelectable");
// Overlay panel: appearance
inline const QString blurEnabled = QStringLiteral("blurEnabled");
inline const QString backgroundOpacity = QStringLiteral("backgroundOpacity");
inline const QString overlayWindowOpacity = QStringLiteral("overlayWindowOpacity");
inline const QString overlayFontSize = QStringLiteral("overlayFontSize");
inline const QString overlayPadding = QStringLiteral("overlayPadding");
inline const QString overlayCornerRadius = QStringLiteral("overlayCornerRadius");
inline const QString overlayOriginalOpacity = QStringLiteral("overlayOriginalOpacity");
inline const QString overlayLineSpacing = QStringLiteral("overlayLineSpacing");
inline const QString overlayShadowEnabled = QStringLiteral("overlayShadowEnabled");
inline const QString overlayAlignment = QStringLiteral("overlayAlignment");
inline const QString overlayThemePreset = QStringLiteral("overlayThemePreset");
inline const QString backgroundColor = QStringLiteral("backgroundColor");
inline const QString textColor = QStringLiteral("textColor");
inline const QString fontName = QStringLiteral("fontName");
inline const QString overlayFrame = QStringLiteral("overlayFrame");  // {"x", "y", "width", "height"}

// Main window appearance
inline const QString appBackgroundColor = QStringLiteral("appBackgroundColor");
inline const QString appTextColor = QStringLiteral("appTextColor");
inline const QString appBlurEnabled = QStringLiteral("appBlurEnabled");
inline const QString appBackgroundOpacity = QStringLiteral("appBackgroundOpacity");
inline const QString appFontScale = QStringLiteral("appFontScale");
inline const QString appImageOpacity = QStringLiteral("appImageOpacity");
inline const QString appBackgroundImagePath = QStringLiteral("appBackgroundImagePath");

// Interface mode (read by the shell before that mode lands)
inline const QString interfaceOverlayStyle = QStringLiteral("interfaceOverlayStyle");
inline const QString interfaceOverlayFontSize = QStringLiteral("interfaceOverlayFontSize");
inline const QString interfaceOverlayBackgroundOpacity = QStringLiteral("interfaceOverlayBackgroundOpacity");
inline const QString interfaceOverlayPadding = QStringLiteral("interfaceOverlayPadding");
inline const QString interfaceOverlayCornerRadius = QStringLiteral("interfaceOverlayCornerRadius");
inline const QString interfaceOverlayShadowEnabled = QStringLiteral("interfaceOverlayShadowEnabled");
inline const QString interfaceOverlayTextColor = QStringLiteral("interfaceOverlayTextColor");
inline const QString interfaceOverlayBackgroundColor = QStringLiteral("interfaceOverlayBackgroundColor");

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

inline constexpr bool clipboardMonitoringEnabled = false;
inline constexpr bool clipboardStrictJapaneseDetection = true;
inline constexpr bool automaticSpeechEnabled = false;
inline constexpr bool globalHotKeysEnabled = true;
inline constexpr bool menuBarIconEnabled = true;
inline constexpr bool overlayShowsOriginal = true;
inline constexpr bool overlayShowsMetadata = true;
inline constexpr bool overlayShowsDuration = true;
inline constexpr bool overlayClickThrough = false;
inline constexpr bool overlayAlwaysOnTop = true;
inline constexpr bool overlayPositionLocked = false;
inline constexpr bool overlayCompactMode = false;
inline constexpr int overlayHistoryLimit = 8;
inline constexpr bool overlayTextSelectable = false;
inline constexpr bool blurEnabled = false;
inline constexpr double backgroundOpacity = 0.84;
inline constexpr double overlayWindowOpacity = 1.0;
inline constexpr double overlayFontSize = 24;
inline constexpr double overlayPadding = 24;
inline constexpr double overlayCornerRadius = 14;
inline constexpr double overlayOriginalOpacity = 0.72;
inline constexpr double overlayLineSpacing = 1.0;
inline constexpr bool overlayShadowEnabled = true;
inline constexpr int overlayAlignment = 1;  // 0 left, 1 centre, 2 right
inline constexpr int overlayThemePreset = 0;
inline const QString fontName = QStringLiteral("系统字体");  // the system font
inline constexpr bool appBlurEnabled = true;
inline constexpr double appBackgroundOpacity = 0.62;
inline constexpr double appFontScale = 1.0;
inline constexpr double appImageOpacity = 0.28;
inline constexpr int interfaceOverlayStyle = 0;
inline constexpr double interfaceOverlayFontSize = 16;
inline constexpr double interfaceOverlayBackgroundOpacity = 0.88;
inline constexpr double interfaceOverlayPadding = 9;
inline constexpr double interfaceOverlayCornerRadius = 9;
inline constexpr bool interfaceOverlayShadowEnabled = true;

}  // namespace ovisu::SettingsDefaults
