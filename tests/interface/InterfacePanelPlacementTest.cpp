#include "interface/InterfacePanelPlacement.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ovisu {
namespace {

// A 1920 × 1080 screen whose top 30 points are a panel bar, the game window filling 1280 × 720
// of it at (100, 100); a translation 60 points wide on one line, 20 points per wrapped line.
InterfacePanelPlacementInput placing(QRectF bottomLeftBlock, UIOverlayStyle style = UIOverlayStyle::besideOriginal) {
    InterfacePanelPlacementInput input;
    input.windowFrame = QRectF(100, 100, 1280, 720);
    input.blockRect = bottomLeftBlock;
    input.screens = {{QRectF(0, 0, 1920, 1080), QRectF(0, 30, 1920, 1050)}};
    input.style = style;
    input.singleLineWidth = 60;
    input.wrappedHeight = [](double width) { return 20.0 * std::ceil(60.0 / width); };
    return input;
}

TEST(InterfacePanelPlacementTest, BesideTheBlockOnTheRightUnlessTheScreenEndsThere) {
    // A menu word at the window's left: the label goes to its right, centred on it.
    const QRectF block(0.05, 0.8, 0.1, 0.05);  // on screen (164, 208, 128 × 36)
    const QRectF label = InterfacePanelPlacement::interfacePanelFrame(placing(block));
    EXPECT_EQ(label, QRectF(164 + 128 + 7, 226 - 16, 110, 32));

    // The window pushed to the screen's right edge: the right candidate loses 20 per point
    // outside the screen, so the label goes left.
    InterfacePanelPlacementInput atEdge = placing(QRectF(0.9, 0.8, 0.1, 0.05));
    atEdge.windowFrame = QRectF(1920 - 1280, 100, 1280, 720);
    const QRectF edgeBlock = InterfacePanelPlacement::blockOnScreen(*atEdge.windowFrame, atEdge.blockRect);
    const QRectF left = InterfacePanelPlacement::interfacePanelFrame(atEdge);
    EXPECT_EQ(left.right(), std::ceil(edgeBlock.left() - 7));
    EXPECT_LE(left.right(), 1920);
}

TEST(InterfacePanelPlacementTest, ASecondLabelAvoidsTheFirstWithItsMargin) {
    // The first label sits where the second word's right candidate would go, its margin reaching
    // into the left one as well: the second goes below.
    InterfacePanelPlacementInput second = placing(QRectF(0.05, 0.8, 0.1, 0.05));  // (164, 208, 128 × 36)
    const QRectF firstLabel(299, 190, 200, 60);
    second.otherPanels = {firstLabel, QRectF(40, 190, 120, 60)};
    const QRectF secondLabel = InterfacePanelPlacement::interfacePanelFrame(second);
    EXPECT_FALSE(secondLabel.intersects(firstLabel.adjusted(-4, -4, 4, 4)));
    EXPECT_EQ(secondLabel.top(), 208 + 36 + 7);
}

TEST(InterfacePanelPlacementTest, CoveringLabelsAreAtLeastAsLargeAsTheTextTheyCoverAndHeightsAreCapped) {
    // A one-word button: at least 80 wide, at least 32 tall and as tall as the game's text.
    const QRectF button(0.6, 0.1, 0.04, 0.06);  // 51 × 43 on screen
    const QRectF covering = InterfacePanelPlacement::interfacePanelFrame(placing(button, UIOverlayStyle::replaceOriginal));
    const QRectF onScreen = InterfacePanelPlacement::blockOnScreen(QRectF(100, 100, 1280, 720), button);
    EXPECT_GE(covering.width(), 80);
    EXPECT_GE(covering.height(), std::max(32.0, std::floor(onScreen.height())));
    // Bottom-aligned with the text it covers.
    EXPECT_NEAR(covering.bottom(), onScreen.bottom(), 1);
    EXPECT_NEAR(covering.left(), onScreen.left(), 1);

    // A very long translation wraps and is cut at min(0.36 × visible height, 180).
    InterfacePanelPlacementInput longText = placing(QRectF(0.05, 0.5, 0.1, 0.05));
    longText.singleLineWidth = 5000;
    longText.wrappedHeight = [](double width) { return 20.0 * std::ceil(5000.0 / width); };
    const QRectF tall = InterfacePanelPlacement::interfacePanelFrame(longText);
    EXPECT_EQ(tall.height(), 180);
    EXPECT_EQ(tall.width(), 420);

    // No target: the origin; no screen: the block itself.
    InterfacePanelPlacementInput noTarget = placing(button);
    noTarget.windowFrame.reset();
    EXPECT_EQ(InterfacePanelPlacement::interfacePanelFrame(noTarget), QRectF());
    InterfacePanelPlacementInput noScreen = placing(button);
    noScreen.screens.clear();
    EXPECT_EQ(InterfacePanelPlacement::interfacePanelFrame(noScreen), onScreen);
}

}  // namespace
}  // namespace ovisu
