#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <expected>

namespace ovisu {

class SettingsStore;

// The model-generation parameters and the switches of the "翻译参数" window, as one value.
// Reading clamps every number into the range a request may carry, so a value that arrives from
// a profile or a hand-edited settings file never reaches a service out of range.
struct TranslationParameters {
    double temperature = 0.3;
    int maxTokens = 1024;
    double topP = 0.9;
    int contextCount = 3;
    bool streamingEnabled = false;
    bool deepSeekThinkingDisabled = true;
    bool globalHotKeysEnabled = true;

    // The ranges a request accepts. The window's sliders cover a narrower part of them.
    static constexpr double minimumTemperature = 0.0;
    static constexpr double maximumTemperature = 2.0;
    static constexpr int minimumMaxTokens = 128;
    static constexpr int maximumMaxTokens = 8192;
    static constexpr double minimumTopP = 0.05;
    static constexpr double maximumTopP = 1.0;

    // A value that is not a finite number reads as the default.
    static double clampedTemperature(double value);
    static int clampedMaxTokens(int value);
    static double clampedTopP(double value);
    // A negative count sends no context, the same as 0. Larger counts are kept: the context
    // itself never holds more records than there are.
    static int clampedContextCount(int value);

    // What "恢复默认" sets: 0.3, 1024, 0.9, 3, streaming off, DeepSeek thinking disabled, hot keys on.
    static TranslationParameters defaults();

    // The stored values (missing or mistyped keys read as their defaults), clamped.
    static TranslationParameters read(const SettingsStore& settings);

    friend bool operator==(const TranslationParameters&, const TranslationParameters&) = default;
};

// Writes all seven keys ("translationTemperature", "translationMaxTokens", "translationTopP",
// "translationContextCount", "translationStreamingEnabled", "deepSeekThinkingDisabled",
// "globalHotKeysEnabled"). Every key is attempted; the first failed write is returned, and the
// store still holds the new values for this run.
std::expected<void, QString> persistTranslationSettings(SettingsStore& settings,
                                                        const TranslationParameters& parameters);

// The pop-up "上下文条数": six fixed choices; a stored count without its own item shows "3".
namespace ContextCountChoices {

QStringList titles();  // "0（关闭）", "1", "2", "3", "5", "8"
QList<int> counts();   // 0, 1, 2, 3, 5, 8
int indexForCount(int count);
// The count of an item; an index outside the items gives the item "3".
int countAt(int index);

}  // namespace ContextCountChoices

}  // namespace ovisu
