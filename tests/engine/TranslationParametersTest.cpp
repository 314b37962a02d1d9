#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/TranslationParameters.h"

#include <gtest/gtest.h>

#include <limits>

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

    TranslationParameters low = readWith(-1, 50, 0, -4);
    EXPECT_DOUBLE_EQ(low.temperature, 0);
    EXPECT_EQ(low.maxTokens, 128);
    EXPECT_DOUBLE_EQ(low.topP, 0.05);
    EXPECT_EQ(low.contextCount, 0);

    TranslationParameters high = readWith(3, 9000, 1.7, 20);
    EXPECT_DOUBLE_EQ(high.temperature, 2);
    EXPECT_EQ(high.maxTokens, 8192);
    EXPECT_DOUBLE_EQ(high.topP, 1);
    EXPECT_EQ(high.contextCount, 20);  // shown as "3", sent as stored

    // Values inside the ranges but outside the window's sliders are kept as they are.
    TranslationParameters wide = readWith(1.8, 200, 0.07, 4);
    EXPECT_DOUBLE_EQ(wide.temperature, 1.8);
    EXPECT_EQ(wide.maxTokens, 200);
    EXPECT_DOUBLE_EQ(wide.topP, 0.07);
    EXPECT_EQ(wide.contextCount, 4);

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
