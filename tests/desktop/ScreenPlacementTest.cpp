// Where the desktop program puts its windows over the game, and when it shows or lets them go.

#include "app/ui/AppDelegate.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SettingsCenterWindow.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "capture/ui/RegionPickerWindow.h"
#include "capture/ui/RegionPreviewWindow.h"
#include "desktop/DesktopTestSupport.h"
#include "dialogue/TranslationPipeline.h"
#include "overlay/ui/OverlayController.h"
#include "overlay/ui/OverlayPanel.h"
#include "support/EventLoopWait.h"
#include "desktop/TopLevelWindows.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QScreen>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

namespace {

const QStringList& kScript = kDialogueScript;
const QString kGameTitle = QStringLiteral("Placement Game");

using ScreenPlacementTest = DesktopFixture;

QRect halved(const QRect& device) {
    return QRect(device.x() / 2, device.y() / 2, device.width() / 2, device.height() / 2);
}

// Within a pixel each way: an odd device coordinate lands half way between two logical ones.
bool closeTo(const QRect& a, const QRect& b) {
    return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 && std::abs(a.width() - b.width()) <= 1 &&
           std::abs(a.height() - b.height()) <= 1;
}

}  // namespace

// X11 gives window frames in device pixels, Qt places windows in logical ones: at scale 2 the
// picker must still cover the game exactly and the overlay sit over its subtitle box. Qt reads
// the scale once per process, so the test runs itself again in a process started at scale 2.
TEST_F(ScreenPlacementTest, AtScaleTwoThePickerCoversTheGameAndTheOverlaySitsOnItsSubtitles) {
    if (!continuesAtScaleTwo("ScreenPlacementTest.AtScaleTwoThePickerCoversTheGameAndTheOverlaySitsOnItsSubtitles"))
        return;
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));
    rememberGameAndSubtitleBox(kGameTitle);

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(parts.session.selectedTarget());
    const auto gameFrame = makeWindowCapture()->windowFrame(parts.session.selectedTarget()->windowID());
    ASSERT_TRUE(gameFrame);

    delegate.primaryRegionAction();  // the still is taken off the main thread
    ASSERT_TRUE(waitUntil([&] { return topLevel<RegionPickerWindow>() != nullptr; }, 5000));
    RegionPickerWindow* picker = topLevel<RegionPickerWindow>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    EXPECT_TRUE(closeTo(picker->geometry(), halved(*gameFrame)))
        << "the picker does not cover the game: " << rectText(picker->geometry()) << " over " << rectText(halved(*gameFrame));
    dragSubtitleBox(picker);
    ASSERT_TRUE(parts.session.normalizedRegion());
    EXPECT_NEAR(parts.session.normalizedRegion()->y(), 0.71, 0.01);

    delegate.primaryAction();
    ASSERT_TRUE(parts.session.isRunning());
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() == 1; }, 20000)) << game.log().toStdString();
    OverlayPanel* panel = topLevel<OverlayPanel>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }, 3000));
    spin(500);
    const QRect box = halved(subtitleBox(*gameFrame));
    EXPECT_TRUE(panel->frameGeometry().intersects(box))
        << "panel " << rectText(panel->frameGeometry()) << " subtitle box " << rectText(box);
    // Grown to its minimum size from the box's lower-left corner (then kept on the screen).
    EXPECT_LE(std::abs(panel->geometry().left() - box.left()), 2) << rectText(panel->geometry()) << " " << rectText(box);
    topLevel<MainWindow>()->hide();  // at scale 2 it covers most of the game
    screenshot("overlay-scale2.png");
    delegate.applicationWillTerminate();
}

// A panel the user hid stays hidden when the list it shows changes for any other reason than a
// new result: a smaller history limit, a streamed preview taken back after a failed stream.
TEST_F(ScreenPlacementTest, AnOverlayTheUserHidStaysHiddenUntilShownAgain) {
    TestGame game(kScript, kGameTitle, 1500);
    ASSERT_TRUE(game.waitUntilListed(10000));
    rememberGameAndSubtitleBox(kGameTitle);
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    delegate.primaryAction();
    ASSERT_TRUE(parts.session.isRunning());
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() >= 2; }, 30000)) << game.log().toStdString();
    delegate.primaryAction();  // paused: no new result arrives
    ASSERT_FALSE(parts.session.isRunning());
    OverlayPanel* panel = topLevel<OverlayPanel>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->isVisible());

    delegate.toggleOverlayVisibility();
    ASSERT_FALSE(panel->isVisible());
    delegate.openSettingsCenter();  // the limit is chosen there
    auto* limits = topLevel<SettingsCenterWindow>()->findChild<QComboBox*>(SettingsKeys::overlayHistoryLimit);
    ASSERT_NE(limits, nullptr);
    emit limits->activated(limits->findData(1));
    spin(200);
    EXPECT_EQ(parts.pipeline.panelLines().size(), 1);
    EXPECT_FALSE(panel->isVisible()) << "a limit change showed the hidden panel";
    // What a failed stream does when it takes its preview back.
    parts.sessionEvents.panelLinesChanged();
    spin(200);
    EXPECT_FALSE(panel->isVisible()) << "a changed list showed the hidden panel";

    delegate.toggleOverlayVisibility();
    EXPECT_TRUE(panel->isVisible());
    delegate.applicationWillTerminate();
}

TEST_F(ScreenPlacementTest, APreviewIsReleasedWhenTheUserClosesIt) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));
    rememberGameAndSubtitleBox(kGameTitle);
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    const auto previews = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<RegionPreviewWindow*>(widget)) ++count;
        return count;
    };
    delegate.showRegion();
    delegate.showRegion();
    ASSERT_TRUE(waitUntil([&] { return previews() == 2; }, 5000));
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* preview = qobject_cast<RegionPreviewWindow*>(widget)) {
            preview->close();
            break;
        }
    ASSERT_TRUE(waitUntil([&] { return previews() == 1; }, 2000)) << "a closed preview is kept";
    delegate.applicationWillTerminate();
}

// No X display for the program's windows list (a display that does not exist): the status shows
// the availability state with its guidance, and the primary button offers the help.
TEST_F(ScreenPlacementTest, WithoutAnXDisplayTheMainWindowGuidesTheUser) {
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":4997");
    DesktopComponents parts;  // its window back end connects now
    AppDelegate delegate(parts);
    qputenv("DISPLAY", display);
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(parts.session.state(), RealtimeTranslationState::displayUnavailable());
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "无法连接 X 显示服务器：请在图形桌面中运行，或设置 DISPLAY");
    EXPECT_EQ(topLevel<MainWindow>()->primaryActionTitle(), "授权屏幕录制");
    delegate.applicationWillTerminate();
}
