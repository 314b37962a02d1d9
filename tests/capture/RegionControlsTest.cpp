#include "capture/RegionControls.h"

#include <gtest/gtest.h>

using namespace ovisu;

TEST(RegionControlsTest, DialogueButtonsFollowWhetherARegionExists) {
    const auto without = RegionControls::make(TranslationMode::dialogue, false, 0, 0);
    EXPECT_EQ(without.selectTitle, "框选 / 重选");
    EXPECT_EQ(without.manualTitle, "立即 OCR");
    EXPECT_FALSE(without.showEnabled);
    EXPECT_FALSE(without.clearEnabled);
    EXPECT_EQ(without.regionLabel, "未框选");

    const auto with = RegionControls::make(TranslationMode::dialogue, true, 3, 4);  // UI regions do not count here
    EXPECT_TRUE(with.showEnabled);
    EXPECT_TRUE(with.clearEnabled);
    EXPECT_EQ(with.regionLabel, "已框选");
}

TEST(RegionControlsTest, InterfaceButtonsCountTheUIRegions) {
    const auto whole = RegionControls::make(TranslationMode::interface, true, 0, 0);
    EXPECT_EQ(whole.manualTitle, "立即识别并贴回");
    EXPECT_EQ(whole.showTitle, "打开编辑器");
    EXPECT_TRUE(whole.showEnabled);
    EXPECT_FALSE(whole.clearEnabled);
    EXPECT_EQ(whole.regionLabel, "整窗口");
    EXPECT_EQ(RegionControls::make(TranslationMode::interface, false, 2, 3).regionLabel, "2/3");
    EXPECT_TRUE(RegionControls::make(TranslationMode::interface, false, 0, 1).clearEnabled);
}
