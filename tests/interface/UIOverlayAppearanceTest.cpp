#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "interface/UIOverlayAppearance.h"
#include "support/QtPrinters.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

TEST(UIOverlayAppearanceTest, StoredValuesComeBackAndUnusableOnesGiveWhatALabelCanShow) {
    SettingsStore settings;
    EXPECT_EQ(UIOverlayAppearance::read(settings), UIOverlayAppearance::defaults());

    UIOverlayAppearance look = UIOverlayAppearance::defaults();
    look.fontSize = 22;
    look.backgroundOpacity = 0.5;
    look.shadowEnabled = false;
    look.windowFollowEnabled = false;
    look.textColor = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 1.0f);
    ASSERT_TRUE(look.store(settings));
    EXPECT_EQ(UIOverlayAppearance::read(SettingsStore()), look) << "read back from the file";

    // A hand-edited file: a size far out of range, a string for a number, a broken colour.
    ASSERT_TRUE(settings.setDouble(SettingsKeys::interfaceOverlayFontSize, 400));
    ASSERT_TRUE(settings.setString(SettingsKeys::interfaceOverlayBackgroundOpacity, "dark"));
    ASSERT_TRUE(settings.setValue(SettingsKeys::interfaceOverlayTextColor, QJsonObject{{"red", 7}}));
    const UIOverlayAppearance edited = UIOverlayAppearance::read(settings);
    EXPECT_EQ(edited.fontSize, UIOverlayAppearance::maximumFontSize);
    EXPECT_EQ(edited.backgroundOpacity, 0.88);
    EXPECT_EQ(edited.textColor, UIOverlayAppearance::defaults().textColor);
}

TEST(UIOverlayAppearanceTest, FontStepsStayWithinTenAndFortyEight) {
    EXPECT_EQ(steppedInterfaceFontSize(16, 1), 17);
    EXPECT_EQ(steppedInterfaceFontSize(11, -1), 10);
    EXPECT_EQ(steppedInterfaceFontSize(10, -1), std::nullopt);
    EXPECT_EQ(steppedInterfaceFontSize(48, 1), std::nullopt);
    EXPECT_EQ(steppedInterfaceFontSize(47.5, 1), 48);
}

}  // namespace
}  // namespace ovisu
