#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "interface/InterfacePanelPlacement.h"
#include "interface/ui/InterfaceLabels.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Labels over a game window in the middle of the (offscreen) screen, as the desktop program
// keeps them when the style, the appearance or the window's place changes.
class InterfaceLabelsTest : public ::testing::Test {
protected:
    SettingsStore settings;
    QRectF gameFrame{100, 100, 480, 270};
    InterfaceLabels labels{settings, [this]() -> std::optional<QRectF> { return gameFrame; }, {}};

    // A menu word at the window's left, a quarter of the way down (bottom-left origin).
    const UIOCRTextBlock start{QStringLiteral("はじめから"), QRectF(0.1, 0.7, 0.15, 0.06), 0.9f};
    const UIOCRTextBlock load{QStringLiteral("ロード"), QRectF(0.1, 0.6, 0.1, 0.06), 0.9f};

    QRect labelFrame(const UIOCRTextBlock& block) const {
        const InterfaceLabelWindow* label = labels.label(interfacePanelKey(block));
        return label ? label->geometry() : QRect();
    }
    QRectF onScreen(const UIOCRTextBlock& block) const {
        return InterfacePanelPlacement::blockOnScreen(gameFrame, block.normalizedRect);
    }
};

TEST_F(InterfaceLabelsTest, AStyleChangeAWindowMoveAndAFontStepPlaceEveryLabelAgain) {
    labels.showInterfaceTranslation(start, QStringLiteral("从头开始"), false);
    labels.showInterfaceTranslation(load, QStringLiteral("读取"), false);
    const QRect beside = labelFrame(start);
    EXPECT_GE(beside.left(), onScreen(start).right()) << "beside the word, to its right";
    EXPECT_FALSE(labelFrame(start).intersects(labelFrame(load)));

    // Covering: each label now sits over its own word.
    ASSERT_TRUE(settings.setInt(SettingsKeys::interfaceOverlayStyle, 1));
    labels.applyInterfaceOverlayAppearance();
    EXPECT_NEAR(labelFrame(start).left(), onScreen(start).left(), 1);
    EXPECT_NEAR(labelFrame(start).bottom() + 1, onScreen(start).bottom(), 1);
    EXPECT_EQ(labels.label(interfacePanelKey(start))->translation(), QStringLiteral("从头开始"));

    // The game moved: the labels go with it.
    const QRect before = labelFrame(load);
    gameFrame.translate(60, 40);
    labels.applyInterfaceOverlayAppearance();
    EXPECT_EQ(labelFrame(load).topLeft(), before.topLeft() + QPoint(60, 40));

    // A larger font makes a taller label.
    const int height = labelFrame(start).height();
    ASSERT_TRUE(settings.setDouble(SettingsKeys::interfaceOverlayFontSize, 40));
    labels.applyInterfaceOverlayAppearance();
    EXPECT_GT(labelFrame(start).height(), height);

    // Words gone from the screen take their labels with them.
    labels.keepOnlyPanels({interfacePanelKey(load)});
    EXPECT_EQ(labels.panelCount(), 1);
    EXPECT_EQ(labels.label(interfacePanelKey(start)), nullptr);
}

}  // namespace
}  // namespace ovisu
