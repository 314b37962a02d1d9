#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/OverlayGeometry.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ovisu;
using Edge = OverlayResizeEdge;

namespace {

const QList<DisplayScreen> kTwoScreens{
    {QRectF(0, 0, 1920, 1080), 1.0, true, QRectF(0, 32, 1920, 1048)},  // a panel along the top
    {QRectF(1920, 0, 1280, 1024), 1.0, false, QRectF(1920, 0, 1280, 1024)},
};

QJsonObject frame(double x, double y, double w, double h) {
    return OverlayGeometry::frameDictionary(QRectF(x, y, w, h));
}

}  // namespace

TEST(OverlayGeometryTest, EdgesUseSixteenPointBandsCornersFirst) {
    const QSizeF size(820, 260);
    EXPECT_EQ(OverlayGeometry::resizeEdge({400, 130}, size), Edge::none);
    EXPECT_EQ(OverlayGeometry::resizeEdge({16, 130}, size), Edge::left);
    EXPECT_EQ(OverlayGeometry::resizeEdge({17, 130}, size), Edge::none);
    EXPECT_EQ(OverlayGeometry::resizeEdge({804, 130}, size), Edge::right);
    EXPECT_EQ(OverlayGeometry::resizeEdge({400, 0}, size), Edge::top);
    EXPECT_EQ(OverlayGeometry::resizeEdge({400, 250}, size), Edge::bottom);
    EXPECT_EQ(OverlayGeometry::resizeEdge({5, 5}, size), Edge::topLeft);
    EXPECT_EQ(OverlayGeometry::resizeEdge({815, 5}, size), Edge::topRight);
    EXPECT_EQ(OverlayGeometry::resizeEdge({5, 255}, size), Edge::bottomLeft);
    EXPECT_EQ(OverlayGeometry::resizeEdge({815, 255}, size), Edge::bottomRight);

    // Too narrow to tell left from right: neither, but the other axis still counts.
    const QSizeF narrow(30, 260);
    EXPECT_EQ(OverlayGeometry::resizeEdge({15, 130}, narrow), Edge::none);
    EXPECT_EQ(OverlayGeometry::resizeEdge({15, 3}, narrow), Edge::top);
    EXPECT_EQ(OverlayGeometry::resizeEdge({3, 10}, QSizeF(300, 20)), Edge::left);
}

TEST(OverlayGeometryTest, DraggingMovesAndResizesWithTheOppositeEdgeFixed) {
    const QRectF start(100, 100, 500, 200);
    const QPointF mouse(300, 300);
    EXPECT_EQ(OverlayGeometry::movedFrame(start, mouse, {250, 340}), QRectF(50, 140, 500, 200));

    // Left edge: dragged far right, it stops at 360 wide and the right edge stays at 600.
    const QRectF left = OverlayGeometry::resizedFrame(Edge::left, start, mouse, {700, 300});
    EXPECT_EQ(left, QRectF(240, 100, 360, 200));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::left, start, mouse, {250, 300}), QRectF(50, 100, 550, 200));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::right, start, mouse, {200, 320}), QRectF(100, 100, 400, 200));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::right, start, mouse, {0, 300}), QRectF(100, 100, 360, 200));
    // Top edge keeps the bottom (300) in place; bottom edge keeps the top.
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::top, start, mouse, {300, 250}), QRectF(100, 50, 500, 250));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::top, start, mouse, {300, 400}), QRectF(100, 150, 500, 150));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::bottom, start, mouse, {300, 100}), QRectF(100, 100, 500, 150));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::bottomRight, start, mouse, {350, 360}), QRectF(100, 100, 550, 260));
    EXPECT_EQ(OverlayGeometry::resizedFrame(Edge::topLeft, start, mouse, {280, 290}), QRectF(80, 90, 520, 210));
}

TEST(OverlayGeometryTest, FittingPicksTheMostOverlappedScreenAndKeepsInsideItsFreeArea) {
    EXPECT_EQ(OverlayGeometry::bestScreenIndex(QRectF(1800, 0, 400, 100), kTwoScreens), 1);  // 280 vs 120 wide
    EXPECT_EQ(OverlayGeometry::bestScreenIndex(QRectF(1820, 0, 200, 100), kTwoScreens), 0);  // a tie: the first
    EXPECT_EQ(OverlayGeometry::bestScreenIndex(QRectF(-900, 0, 10, 10), kTwoScreens), 0);
    EXPECT_FALSE(OverlayGeometry::bestScreenIndex(QRectF(0, 0, 10, 10), {}));

    // Under the top panel and hanging off the right: pushed inside.
    EXPECT_EQ(OverlayGeometry::fittedFrame(QRectF(1700, 0, 400, 200), {kTwoScreens[0]}), QRectF(1520, 32, 400, 200));
    // Larger than the screen: shrunk to the free area.
    EXPECT_EQ(OverlayGeometry::fittedFrame(QRectF(-50, -50, 4000, 3000), {kTwoScreens[0]}), QRectF(0, 32, 1920, 1048));
}

TEST(OverlayGeometryTest, RestoreRejectsSmallIncompleteAndOffscreenFrames) {
    EXPECT_EQ(OverlayGeometry::restoredFrame(frame(100, 100, 820, 260), kTwoScreens), QRectF(100, 100, 820, 260));
    EXPECT_FALSE(OverlayGeometry::restoredFrame(frame(100, 100, 300, 200), kTwoScreens)) << "narrower than 360";
    EXPECT_FALSE(OverlayGeometry::restoredFrame(frame(100, 100, 400, 149), kTwoScreens));
    EXPECT_FALSE(OverlayGeometry::restoredFrame(frame(5000, 100, 820, 260), kTwoScreens)) << "screen disconnected";
    EXPECT_FALSE(OverlayGeometry::restoredFrame(frame(100, 100, 820, 260), {}));
    EXPECT_FALSE(OverlayGeometry::restoredFrame(std::nullopt, kTwoScreens));
    QJsonObject incomplete = frame(100, 100, 820, 260);
    incomplete.remove("height");
    EXPECT_FALSE(OverlayGeometry::restoredFrame(incomplete, kTwoScreens));
    incomplete.insert("height", "260");
    EXPECT_FALSE(OverlayGeometry::restoredFrame(incomplete, kTwoScreens)) << "a string is not a number";
    EXPECT_EQ(OverlayGeometry::restoredFrame(frame(2000, 100, 3000, 2000), kTwoScreens), QRectF(1920, 0, 1280, 1024))
        << "a frame larger than its screen is shrunk";
}

TEST(OverlayGeometryTest, PanelOverTheRegionGrowsUpwardsToTheMinimumAndStaysOnScreen) {
    EXPECT_FALSE(OverlayGeometry::frameOverSelectedRegion(std::nullopt, kTwoScreens));
    // 200 × 60 region at (300, 900): widened to the right, heightened upwards (bottom at 960).
    EXPECT_EQ(OverlayGeometry::frameOverSelectedRegion(QRectF(300, 900, 200, 60), kTwoScreens),
              QRectF(300, 810, 360, 150));
    EXPECT_EQ(OverlayGeometry::frameOverSelectedRegion(QRectF(2000, 700, 900, 200), kTwoScreens),
              QRectF(2000, 700, 900, 200));
    // Near the right border of the second screen the widened frame is pulled back inside.
    EXPECT_EQ(OverlayGeometry::frameOverSelectedRegion(QRectF(3100, 40, 80, 40), kTwoScreens),
              QRectF(2840, 0, 360, 150));
}

TEST(OverlayGeometryTest, FrameIsStoredAsADictionary) {
    SettingsStore settings;
    ASSERT_TRUE(OverlayGeometry::persistOverlayFrame(settings, QRectF(12.5, 40, 800, 300)));
    const auto stored = settings.dictionaryValue(SettingsKeys::overlayFrame);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, (QJsonObject{{"x", 12.5}, {"y", 40}, {"width", 800}, {"height", 300}}));
    EXPECT_EQ(OverlayGeometry::restoredFrame(stored, kTwoScreens), QRectF(12.5, 40, 800, 300));

    // The same frame again does not rewrite the file (the move and the resize of one change
    // both report it); a new frame does.
    QFile file(settings.filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("marker");
    file.close();
    ASSERT_TRUE(OverlayGeometry::persistOverlayFrame(settings, QRectF(12.5, 40, 800, 300)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "marker");
    file.close();
    ASSERT_TRUE(OverlayGeometry::persistOverlayFrame(settings, QRectF(12.5, 41, 800, 300)));
    EXPECT_EQ(SettingsStore(settings.filePath()).dictionaryValue(SettingsKeys::overlayFrame),
              frame(12.5, 41, 800, 300));
}
