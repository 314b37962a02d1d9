#include "capture/RegionControls.h"

#include <gtest/gtest.h>

using namespace ovisu;

TEST(RegionControlsTest, DialogueButtonsFollowWhetherARegionExists) {
    const auto without = RegionControls::make(TranslationMode::dialogue, false, 0, 0);
    EXPECT_FALSE(without.showEnabled);
    EXPECT_FALSE(without.clearEnabled);

    const auto with = RegionControls::make(TranslationMode::dialogue, true, 3, 4);  // UI regions do not count here
    EXPECT_TRUE(with.showEnabled);
    EXPECT_TRUE(with.clearEnabled);
    EXPECT_NE(with.regionLabel, without.regionLabel);
}

TEST(RegionControlsTest, InterfaceButtonsCountTheUIRegions) {
    const auto whole = RegionControls::make(TranslationMode::interface, true, 0, 0);
    EXPECT_TRUE(whole.showEnabled);
    EXPECT_FALSE(whole.clearEnabled);
    EXPECT_EQ(RegionControls::make(TranslationMode::interface, false, 2, 3).regionLabel, "2/3");
    EXPECT_TRUE(RegionControls::make(TranslationMode::interface, false, 0, 1).clearEnabled);
}
