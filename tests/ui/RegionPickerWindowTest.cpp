#include "capture/ui/RegionPicker.h"
#include "capture/ui/RegionPreviews.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace ovisu {
namespace {

// A still with a distinct colour in each quadrant, so drawing can be checked pixel by pixel.
QImage quadrantStill(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    painter.fillRect(0, 0, w, h, QColor(200, 40, 40));
    painter.fillRect(w, 0, size.width() - w, h, QColor(40, 200, 40));
    painter.fillRect(0, h, w, size.height() - h, QColor(40, 40, 200));
    painter.fillRect(w, h, size.width() - w, size.height() - h, QColor(220, 220, 220));
    return image;
}

struct PickerRun {
    RegionPicker picker;
    std::optional<QRectF> region;
    int completions = 0;
    int cancellations = 0;

    // The still is captured at twice the frame's size, as on a scaled display.
    RegionPickerWindow* open(const QRectF& frame = QRectF(100, 50, 400, 300)) {
        picker.presentRegionPicker(
            quadrantStill((frame.size() * 2).toSize()), frame,
            [this](const QRectF& normalized) {
                region = normalized;
                ++completions;
            },
            [this] { ++cancellations; });
        return picker.pickerWindow();
    }
};

void drag(QWidget* window, QPoint from, QPoint to) {
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(window, (from + to) / 2);
    QTest::mouseMove(window, to);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, to);
}

// A move whose position lies outside the window, as the window sees it while the button is held.
void sendMove(QWidget* window, QPointF position) {
    QMouseEvent move(QEvent::MouseMove, position, window->mapToGlobal(position), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(window, &move);
}

void sendRelease(QWidget* window, QPointF position) {
    QMouseEvent release(QEvent::MouseButtonRelease, position, window->mapToGlobal(position), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &release);
}

TEST(RegionPickerWindowTest, OpensExactlyOverTheTarget) {
    PickerRun run;
    RegionPickerWindow* window = run.open(QRectF(100.4, 50, 400.9, 300.2));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->geometry(), QRect(100, 50, 401, 300));
}

TEST(RegionPickerWindowTest, DraggingEitherWayGivesTheSameRegionAndClosesThePicker) {
    PickerRun forward;
    RegionPickerWindow* window = forward.open();
    drag(window, QPoint(40, 150), QPoint(360, 240));
    ASSERT_EQ(forward.completions, 1);
    EXPECT_EQ(forward.picker.pickerWindow(), nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(*forward.region, QRectF(0.1, 0.5, 0.8, 0.3));

    PickerRun backward;
    drag(backward.open(), QPoint(360, 240), QPoint(40, 150));
    ASSERT_EQ(backward.completions, 1);
    EXPECT_EQ(*backward.region, *forward.region);
    EXPECT_EQ(backward.cancellations, 0);
}

TEST(RegionPickerWindowTest, ADragBeyondTheEdgesIsClampedToTheWindow) {
    PickerRun run;
    RegionPickerWindow* window = run.open();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    sendMove(window, QPointF(-80, -60));
    EXPECT_EQ(window->selection(), QRectF(0, 0, 200, 100));
    sendMove(window, QPointF(650, 900));
    EXPECT_EQ(window->selection(), QRectF(200, 100, 200, 200));
    sendRelease(window, QPointF(650, 900));
    ASSERT_EQ(run.completions, 1);
    EXPECT_EQ(*run.region, QRectF(0.5, 1.0 / 3.0, 0.5, 2.0 / 3.0));
    EXPECT_LE(run.region->right(), 1.0);
    EXPECT_LE(run.region->bottom(), 1.0);

    // Starting outside the window counts from its edge too.
    PickerRun outside;
    RegionPickerWindow* second = outside.open();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(-30, 320), second->mapToGlobal(QPointF(-30, 320)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(second, &press);
    sendMove(second, QPointF(100, 150));
    sendRelease(second, QPointF(100, 150));
    ASSERT_EQ(outside.completions, 1);
    EXPECT_EQ(*outside.region, QRectF(0, 0.5, 0.25, 0.5));
}

TEST(RegionPickerWindowTest, ASmallDragKeepsThePickerOpenForAnotherTry) {
    PickerRun run;
    RegionPickerWindow* window = run.open();
    drag(window, QPoint(100, 100), QPoint(111, 200));  // 11 wide
    drag(window, QPoint(100, 100), QPoint(300, 111));  // 11 high
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(run.completions, 0);
    EXPECT_EQ(run.cancellations, 0);
    EXPECT_EQ(run.picker.pickerWindow(), window);
    EXPECT_TRUE(window->isVisible());

    drag(window, QPoint(100, 100), QPoint(112, 112));  // exactly the minimum is taken
    ASSERT_EQ(run.completions, 1);
    EXPECT_EQ(run.region->size(), QSizeF(12.0 / 400.0, 12.0 / 300.0));
}

TEST(RegionPickerWindowTest, EscapeCancelsWithoutARegion) {
    PickerRun run;
    QPointer<RegionPickerWindow> window = run.open();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(window, QPoint(200, 200));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(run.cancellations, 1);
    EXPECT_EQ(run.completions, 0);
    EXPECT_EQ(run.picker.pickerWindow(), nullptr);
    EXPECT_FALSE(window->isVisible());
    // Released later, once control is back in the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(RegionPickerWindowTest, OpeningAnotherPickerDismissesTheFirst) {
    PickerRun run;
    RegionPickerWindow* first = run.open();
    RegionPickerWindow* second = run.open(QRectF(0, 0, 200, 100));
    EXPECT_NE(first, second);
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    // The first picker is gone for good: nothing it receives reaches the caller any more.
    drag(second, QPoint(10, 10), QPoint(190, 90));
    EXPECT_EQ(run.completions, 1);
    EXPECT_EQ(*run.region, QRectF(0.05, 0.1, 0.9, 0.8));
}

TEST(RegionPickerWindowTest, DrawsTheSelectionUndimmedInsideAYellowFrameOverADimmedStill) {
    PickerRun run;
    RegionPickerWindow* window = run.open();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    QTest::mouseMove(window, QPoint(380, 280));
    const QImage shot = window->grab().toImage();

    // Dimmed outside: the bottom-left quadrant (40, 40, 200) at 52 %.
    const QColor dimmed = shot.pixelColor(30, 280);
    EXPECT_NEAR(dimmed.blue(), 200 * 0.52, 4);
    EXPECT_NEAR(dimmed.red(), 40 * 0.52, 4);
    // Inside the selection the still shows as it is.
    EXPECT_EQ(shot.pixelColor(300, 250), QColor(220, 220, 220));
    EXPECT_EQ(shot.pixelColor(170, 250), QColor(40, 40, 200));
    // The frame is yellow.
    const QColor edge = shot.pixelColor(150, 200);
    EXPECT_GT(edge.red(), 200);
    EXPECT_GT(edge.green(), 150);
    EXPECT_LT(edge.blue(), 80);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(380, 280));
}

TEST(RegionPreviewWindowTest, DrawsTheCutScaledIntoTheWindow) {
    const QImage capture = quadrantStill(QSize(2000, 1000));
    // The cut straddles the left two quadrants: red above, blue below.
    const auto preview = RegionPreviewWindow::create(capture, QRectF(0.05, 0.3, 0.4, 0.4));
    ASSERT_NE(preview, nullptr);
    preview->present();
    EXPECT_TRUE(preview->isVisible());
    const QImage shot = preview->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(760, 380));
    EXPECT_EQ(shot.pixelColor(380, 50), QColor(200, 40, 40));
    EXPECT_EQ(shot.pixelColor(380, 330), QColor(40, 40, 200));

    // The preview's size and which regions are too small are CaptureRegionGeometry's; a cut it
    // refuses opens no window.
    EXPECT_EQ(RegionPreviewWindow::create(capture, QRectF(0.5, 0.5, 0.002, 0.5)), nullptr);
    EXPECT_EQ(RegionPreviewWindow::create(capture, std::nullopt), nullptr);
    EXPECT_EQ(RegionPreviewWindow::create(QImage(), QRectF(0, 0, 1, 1)), nullptr);
}

}  // namespace
}  // namespace ovisu
