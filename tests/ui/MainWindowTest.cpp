#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <gtest/gtest.h>

using namespace ovisu;

TEST(MainWindowTest, OffersOnlyTheEnabledSources) {
    MainWindow window;
    const auto* sources = window.findChild<QComboBox*>();
    ASSERT_NE(sources, nullptr);
    EXPECT_GT(sources->count(), 0);
    EXPECT_LT(sources->count(), 26);  // the default enabled set, not every source
}
