#include "app/FirstRunGuide.h"
#include "base/SettingsStore.h"

#include <gtest/gtest.h>

using namespace ovisu;

TEST(FirstRunGuide, IsPendingUntilAnsweredOrSkippedAndEitherStoredKeyCounts) {
    SettingsStore settings;
    EXPECT_TRUE(firstRunGuidePending(settings));

    ASSERT_TRUE(storeFirstRunAnswer(settings, std::nullopt));
    EXPECT_FALSE(firstRunGuidePending(settings));
    EXPECT_EQ(settings.intValue("firstRun.providerChoice", -9), -1);  // skipped
    EXPECT_EQ(settings.intValue("firstRun.contentChoice", -9), 0);
    EXPECT_FALSE(firstRunGuidePending(SettingsStore()));  // it is on disk, not only in memory

    ASSERT_TRUE(settings.remove("firstRun.providerChoice"));
    EXPECT_FALSE(firstRunGuidePending(settings)) << "a half-written answer must not show the guide again";

    ASSERT_TRUE(storeFirstRunAnswer(settings, FirstRunProviderChoice::local));
    EXPECT_EQ(settings.intValue("firstRun.providerChoice", -9), 2);
}
