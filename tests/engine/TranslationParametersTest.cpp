#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/TranslationParameters.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <tuple>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;

TEST(TranslationParametersTest, ContextCountPopupShowsItsOwnItemOrThree) {
    const QStringList titles = ContextCountChoices::titles();
    for (int count : ContextCountChoices::counts()) {
        const int index = ContextCountChoices::indexForCount(count);
        EXPECT_EQ(ContextCountChoices::countAt(index), count) << count;
        EXPECT_EQ(titles[index], count == 0 ? QString("0（关闭）") : QString::number(count));
    }
    for (int count : {4, 6, 100000}) EXPECT_EQ(titles[ContextCountChoices::indexForCount(count)], "3") << count;

    EXPECT_EQ(ContextCountChoices::countAt(-1), 3);
    EXPECT_EQ(ContextCountChoices::countAt(6), 3);
}

TEST(TranslationParametersTest, MissingOrMistypedKeysReadAsDefaults) {
    SettingsStore settings;
    EXPECT_EQ(TranslationParameters::read(settings), TranslationParameters::defaults());

    ASSERT_TRUE(settings.setString(Keys::translationTemperature, "hot"));
    ASSERT_TRUE(settings.setDouble(Keys::translationMaxTokens, 1500.5));  // not a whole number
    ASSERT_TRUE(settings.setString(Keys::globalHotKeysEnabled, "yes"));
    EXPECT_EQ(TranslationParameters::read(settings), TranslationParameters::defaults());
}

TEST(TranslationParametersTest, StoredValuesOutsideTheRequestRangesAreClamped) {
    SettingsStore settings;
    const auto readWith = [&settings](double temperature, int maxTokens, double topP, int contextCount) {
        EXPECT_TRUE(settings.setDouble(Keys::translationTemperature, temperature));
        EXPECT_TRUE(settings.setInt(Keys::translationMaxTokens, maxTokens));
        EXPECT_TRUE(settings.setDouble(Keys::translationTopP, topP));
        EXPECT_TRUE(settings.setInt(Keys::translationContextCount, contextCount));
        return TranslationParameters::read(settings);
    };

    // Below, above, and inside the ranges but outside the window's sliders (kept as they are). A
    // context count above the popup's items is shown as "3" and sent as stored.
    const std::array<std::tuple<double, int, double, int>, 2> cases[] = {
        {{{-1, 50, 0, -4}, {0, 128, 0.05, 0}}},
        {{{3, 9000, 1.7, 20}, {2, 8192, 1, 20}}},
        {{{1.8, 200, 0.07, 4}, {1.8, 200, 0.07, 4}}},
    };
    for (const auto& [stored, expected] : cases) {
        const auto& [temperature, maxTokens, topP, contextCount] = stored;
        const TranslationParameters read = readWith(temperature, maxTokens, topP, contextCount);
        EXPECT_EQ(std::tuple(read.temperature, read.maxTokens, read.topP, read.contextCount), expected) << temperature;
    }

    EXPECT_DOUBLE_EQ(TranslationParameters::clampedTemperature(std::numeric_limits<double>::quiet_NaN()), 0.3);
    EXPECT_DOUBLE_EQ(TranslationParameters::clampedTopP(std::numeric_limits<double>::infinity()), 0.9);
}

TEST(TranslationParametersTest, PersistWritesAllSevenKeysToDisk) {
    SettingsStore settings;
    // No value is its default, so a key left unwritten reads back different.
    const TranslationParameters parameters{.temperature = 0.75, .maxTokens = 2048, .topP = 0.55, .contextCount = 8,
                                           .streamingEnabled = true, .deepSeekThinkingDisabled = false,
                                           .globalHotKeysEnabled = false};
    ASSERT_TRUE(persistTranslationSettings(settings, parameters));

    const SettingsStore disk(settings.filePath());
    EXPECT_EQ(TranslationParameters::read(disk), parameters);
    // Whole numbers stay whole numbers, so an integer read of them succeeds.
    EXPECT_EQ(disk.intValue(Keys::translationMaxTokens, 0), 2048);
    EXPECT_EQ(disk.intValue(Keys::translationContextCount, 0), 8);
}

}  // namespace
}  // namespace ovisu
