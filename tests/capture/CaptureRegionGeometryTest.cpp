#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/CaptureRegionGeometry.h"
#include "capture/DisplayScreens.h"
#include "support/QtPrinters.h"

#include <QJsonObject>
#include <QPainter>
#include <gtest/gtest.h>

#include <QJsonDocument>

#include <limits>
#include <ostream>

// Failure messages show the dictionary as JSON.
static void PrintTo(const QJsonObject& object, std::ostream* out) {
    *out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

namespace ovisu {
namespace {

using Geometry = CaptureRegionGeometry;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Edges as the x and y ranges, which is how the crops are worth reading.
struct Span {
    int left, right, top, bottom;
    friend bool operator==(const Span&, const Span&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Span& s) {
        return out << "x " << s.left << " to " << s.right << ", y " << s.top << " to " << s.bottom;
    }
};
std::optional<Span> span(const std::optional<QRect>& rect) {
    if (!rect)
        return std::nullopt;
    return Span{rect->left(), rect->left() + rect->width(), rect->top(), rect->top() + rect->height()};
}

TEST(CaptureRegionGeometryTest, SanitisingKeepsThePartInsideTheWindow) {
    EXPECT_EQ(Geometry::sanitizedTopLeftNormalized(QRectF(0.1, 0.8, 0.8, 0.1)), QRectF(0.1, 0.8, 0.8, 0.1));
    // Touching the right edge: clipped to the window.
    EXPECT_EQ(Geometry::sanitizedTopLeftNormalized(QRectF(0.7, 0.5, 0.5, 0.2)), QRectF(0.7, 0.5, 0.3, 0.2));
    EXPECT_EQ(Geometry::sanitizedTopLeftNormalized(QRectF(-0.1, -0.5, 0.5, 2)), QRectF(0, 0, 0.4, 1));

    const std::optional<QRectF> unusable[] = {
        std::nullopt,
        QRectF(0.1, 0.1, 0, 0.2),   // zero width
        QRectF(0.1, 0.1, 0.2, 0),   // zero height
        QRectF(0.5, 0.5, -0.2, 0.2),
        QRectF(nan, 0.1, 0.2, 0.2),
        QRectF(0.1, infinity, 0.2, 0.2),
        QRectF(0.1, 0.1, infinity, 0.2),
        QRectF(0.1, 0.1, 0.2, nan),
        QRectF(1.0, 0.2, 0.3, 0.3),  // starts at the right edge: nothing inside
        QRectF(-2, -2, 1, 1),
    };
    for (const auto& region : unusable)
        EXPECT_EQ(Geometry::sanitizedTopLeftNormalized(region), std::nullopt)
            << (region ? region->x() : -1) << " " << (region ? region->width() : -1);
}

TEST(CaptureRegionGeometryTest, CropAddsMarginsForTheRecogniser) {
    const QSize image(2000, 1000);
    EXPECT_EQ(span(Geometry::cropRectForOCR(image, QRectF(0.1, 0.8, 0.8, 0.1))), (Span{168, 1832, 792, 916}));
    // The bottom margin is clipped at the image edge.
    EXPECT_EQ(span(Geometry::cropRectForOCR(image, QRectF(0.1, 0.9, 0.8, 0.1))), (Span{168, 1832, 892, 1000}));
    // A region past the right edge is clipped to the window before the margins are added.
    EXPECT_EQ(span(Geometry::cropRectForOCR(image, QRectF(0.5, 0.5, 0.8, 0.1))), (Span{980, 2000, 492, 616}));
    // Fractional pixels are rounded outward.
    EXPECT_EQ(span(Geometry::cropRectForOCR(QSize(333, 333), QRectF(0.1, 0.1, 0.5, 0.5))), (Span{29, 204, 19, 227}));
}

TEST(CaptureRegionGeometryTest, TheRegionInsideItsCropIsKnownWithTheOriginAtTheBottomLeft) {
    // Crop x 168..1832, y 792..916: the region x 200..1800, y 800..900.
    const auto area = Geometry::selectedAreaInCrop(QSize(2000, 1000), QRectF(0.1, 0.8, 0.8, 0.1));
    ASSERT_TRUE(area.has_value());
    EXPECT_NEAR(area->left(), 32.0 / 1664, 1e-9);
    EXPECT_NEAR(area->width(), 1600.0 / 1664, 1e-9);
    EXPECT_NEAR(area->top(), 16.0 / 124, 1e-9) << "the bottom margin is below the area";
    EXPECT_NEAR(area->height(), 100.0 / 124, 1e-9);
    // The bottom margin clipped at the window's edge: the area reaches the crop's bottom.
    EXPECT_NEAR(Geometry::selectedAreaInCrop(QSize(2000, 1000), QRectF(0.1, 0.9, 0.8, 0.1))->top(), 0.0, 1e-9);
    EXPECT_FALSE(Geometry::selectedAreaInCrop(QSize(2000, 1000), std::nullopt).has_value());
}

TEST(CaptureRegionGeometryTest, NoCropWithoutAUsableRegionOfMoreThanFourPixels) {
    const QSize image(2000, 1000);
    EXPECT_EQ(Geometry::cropRectForOCR(image, std::nullopt), std::nullopt);
    EXPECT_EQ(Geometry::cropRectForOCR(image, QRectF(0.1, 0.1, 0, 0.5)), std::nullopt);
    EXPECT_EQ(Geometry::cropRectForOCR(QSize(), QRectF(0.1, 0.1, 0.5, 0.5)), std::nullopt);
    // 4 pixels high with its margins is too small; 5 is enough.
    EXPECT_EQ(Geometry::cropRectForOCR(QSize(1000, 100), QRectF(0.1, 0.5, 0.5, 0.02)), std::nullopt);
    EXPECT_EQ(span(Geometry::cropRectForOCR(QSize(1000, 100), QRectF(0.1, 0.5, 0.5, 0.03))), (Span{90, 610, 49, 54}));
}

TEST(CaptureRegionGeometryTest, CroppedImageHoldsTheRegionsPixelsCountedFromTheTop) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter(&image).fillRect(QRect(0, 80, 200, 20), Qt::red);  // the bottom fifth

    const std::optional<QImage> crop = Geometry::cropImageForOCR(image, QRectF(0.25, 0.8, 0.5, 0.2));
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->size(), QSize(104, 22));  // x 48 to 152, y 78 to 100
    EXPECT_EQ(crop->pixelColor(0, 0), QColor(Qt::black));  // the top margin, above the red band
    EXPECT_EQ(crop->pixelColor(0, 2), QColor(Qt::red));
    EXPECT_EQ(crop->pixelColor(103, 21), QColor(Qt::red));

    EXPECT_EQ(Geometry::cropImageForOCR(QImage(), QRectF(0, 0, 1, 1)), std::nullopt);
    EXPECT_EQ(Geometry::cropImageForOCR(image, std::nullopt), std::nullopt);
}

TEST(CaptureRegionGeometryTest, PreviewShowsTheRegionWithoutMarginsScaledToAtMost760Wide) {
    EXPECT_EQ(span(Geometry::previewRect(QSize(2000, 1000), QRectF(0.1, 0.8, 0.8, 0.1))), (Span{200, 1800, 800, 900}));
    EXPECT_EQ(span(Geometry::previewRect(QSize(333, 333), QRectF(0.1, 0.1, 0.5, 0.5))), (Span{33, 200, 33, 200}));
    EXPECT_EQ(Geometry::previewRect(QSize(2000, 1000), QRectF(0.1, 0.1, 0.002, 0.5)), std::nullopt);
    EXPECT_EQ(Geometry::previewRect(QSize(2000, 1000), std::nullopt), std::nullopt);

    EXPECT_EQ(Geometry::previewWindowSize(QSize(1600, 200)), QSizeF(760, 200 * 0.475));
    EXPECT_EQ(Geometry::previewWindowSize(QSize(500, 120)), QSizeF(500, 120));
    EXPECT_EQ(Geometry::previewWindowSize(QSize(760, 80)), QSizeF(760, 80));
}

TEST(CaptureRegionGeometryTest, CaptureScaleIsThatOfTheScreenHoldingMostOfTheWindow) {
    const QList<DisplayScreen> screens{
        {QRectF(0, 0, 1920, 1080), 1.0, true, QRectF(0, 0, 1920, 1080)},
        {QRectF(1920, 0, 1280, 800), 2.0, false, QRectF(1920, 0, 1280, 800)},
    };
    // Spread over both: 300 of 800 points on the first display, 500 on the second.
    EXPECT_DOUBLE_EQ(Geometry::captureScale(QRectF(1620, 100, 800, 600), screens), 2.0);
    EXPECT_DOUBLE_EQ(Geometry::captureScale(QRectF(1320, 100, 800, 600), screens), 1.0);
    // An even split goes to the earlier screen.
    EXPECT_DOUBLE_EQ(Geometry::captureScale(QRectF(1520, 100, 800, 600), screens), 1.0);
    // A window on no screen still takes the first screen's scale (its overlap of 0 beats none).
    const QList<DisplayScreen> secondaryFirst{screens[1], screens[0]};
    EXPECT_DOUBLE_EQ(Geometry::captureScale(QRectF(-5000, -5000, 100, 100), secondaryFirst), 2.0);
    // Without screens: 2.
    EXPECT_DOUBLE_EQ(Geometry::captureScale(QRectF(0, 0, 100, 100), {}), 2.0);
}

// X11 frames are device pixels; Qt keeps each screen's top-left where the server has it and
// divides the distances from there by the screen's scale.
TEST(CaptureRegionGeometryTest, DevicePixelsBecomeLogicalOnTheScreenHoldingMostOfTheRect) {
    // A 1280 × 800 device screen at scale 2 (640 × 400 logical), then a 1920 × 1080 one at scale 1
    // whose top-left the server puts at 1280, 0.
    const QList<DisplayScreen> screens{{QRectF(0, 0, 640, 400), 2.0, true, QRectF(0, 0, 640, 380)},
                                       {QRectF(1280, 0, 1920, 1080), 1.0, false, QRectF(1280, 0, 1920, 1080)}};
    EXPECT_EQ(Geometry::logicalRect(QRectF(200, 150, 800, 600), screens), QRectF(100, 75, 400, 300));
    EXPECT_EQ(Geometry::logicalRect(QRectF(1400, 100, 800, 600), screens), QRectF(1400, 100, 800, 600));
    // Mostly on the scaled screen: measured from its origin.
    EXPECT_EQ(Geometry::logicalRect(QRectF(1000, 0, 400, 200), screens), QRectF(500, 0, 200, 100));
    const QList<DisplayScreen> scaledSecond{{QRectF(0, 0, 1280, 800), 1.0, true, QRectF(0, 0, 1280, 800)},
                                            {QRectF(1280, 0, 960, 540), 2.0, false, QRectF(1280, 0, 960, 540)}};
    EXPECT_EQ(Geometry::logicalRect(QRectF(1480, 100, 400, 200), scaledSecond), QRectF(1380, 50, 200, 100));
    // Without screens nothing is known to convert by.
    EXPECT_EQ(Geometry::logicalRect(QRectF(10, 20, 30, 40), {}), QRectF(10, 20, 30, 40));
}

TEST(CaptureRegionGeometryTest, TheCurrentScreensComeFromQtWithThePrimaryMarked) {
    const QList<DisplayScreen> screens = currentDisplayScreens();
    ASSERT_FALSE(screens.isEmpty());  // the test program runs a QGuiApplication
    EXPECT_EQ(std::count_if(screens.begin(), screens.end(), [](const DisplayScreen& s) { return s.isMain; }), 1);
    const DisplayScreen& first = screens.first();
    EXPECT_GT(first.bounds.width(), 0);
    EXPECT_DOUBLE_EQ(currentCaptureScale(first.bounds.adjusted(10, 10, -10, -10)), first.scaleFactor);
}

TEST(CaptureRegionGeometryTest, CapturePixelSizeTruncatesAndIsNeverEmpty) {
    EXPECT_EQ(Geometry::capturePixelSize(QRectF(0, 0, 1280.7, 720.2), 1.0), QSize(1280, 720));
    EXPECT_EQ(Geometry::capturePixelSize(QRectF(0, 0, 640.5, 360.25), 2.0), QSize(1281, 720));
    EXPECT_EQ(Geometry::capturePixelSize(QRectF(0, 0, 0.4, 0), 2.0), QSize(1, 1));
}

TEST(CaptureRegionGeometryTest, SelectedCaptureRectIsTheRegionOnTheDisplay) {
    EXPECT_EQ(Geometry::selectedCaptureRect(QRectF(100, 50, 1000, 600), QRectF(0.1, 0.75, 0.8, 0.2)),
              QRectF(200, 500, 800, 120));
    EXPECT_EQ(Geometry::selectedCaptureRect(std::nullopt, QRectF(0.1, 0.75, 0.8, 0.2)), std::nullopt);
    EXPECT_EQ(Geometry::selectedCaptureRect(QRectF(100, 50, 1000, 600), std::nullopt), std::nullopt);
}

TEST(CaptureRegionGeometryTest, DraggingIsClampedToTheWindowAndIndependentOfDirection) {
    const QSizeF view(800, 600);
    const QPointF outsideTopLeft = Geometry::clampedToView(QPointF(-40, -10), view);
    const QPointF outsideBottomRight = Geometry::clampedToView(QPointF(900, 650), view);
    EXPECT_EQ(outsideTopLeft, QPointF(0, 0));
    EXPECT_EQ(outsideBottomRight, QPointF(800, 600));
    EXPECT_EQ(Geometry::clampedToView(QPointF(120, 300), view), QPointF(120, 300));

    const QRectF forward = Geometry::selectionBetween(QPointF(100, 450), outsideBottomRight);
    const QRectF backward = Geometry::selectionBetween(outsideBottomRight, QPointF(100, 450));
    EXPECT_EQ(forward, QRectF(100, 450, 700, 150));
    EXPECT_EQ(backward, forward);
    EXPECT_EQ(Geometry::normalizedSelection(forward, view), QRectF(0.125, 0.75, 0.875, 0.25));

    const QRectF everything = Geometry::selectionBetween(outsideBottomRight, outsideTopLeft);
    EXPECT_EQ(Geometry::normalizedSelection(everything, view), QRectF(0, 0, 1, 1));
    EXPECT_EQ(Geometry::normalizedSelection(forward, QSizeF(0, 600)), std::nullopt);
}

TEST(CaptureRegionGeometryTest, OnlySelectionsOfTwelvePointsEachWayAreTaken) {
    EXPECT_TRUE(Geometry::isAcceptedSelection(QRectF(5, 5, 12, 12)));
    EXPECT_FALSE(Geometry::isAcceptedSelection(QRectF(5, 5, 11.9, 300)));
    EXPECT_FALSE(Geometry::isAcceptedSelection(QRectF(5, 5, 300, 11.9)));
}

class RegionStorageTest : public ::testing::Test {
protected:
    SettingsStore settings;

    void store(const QJsonObject& dictionary) { ASSERT_TRUE(settings.setDictionary(SettingsKeys::normalizedRegion, dictionary)); }
    std::optional<QJsonObject> stored() const {
        // Read back from the file, as the next launch would.
        return SettingsStore(settings.filePath()).dictionaryValue(SettingsKeys::normalizedRegion);
    }
    void expectStoredRegion(double x, double y, double width, double height) const {
        const std::optional<QJsonObject> dictionary = stored();
        ASSERT_TRUE(dictionary);
        EXPECT_EQ(dictionary->keys(), (QStringList{"height", "width", "x", "y"}));
        EXPECT_DOUBLE_EQ(dictionary->value("x").toDouble(-1), x);
        EXPECT_DOUBLE_EQ(dictionary->value("y").toDouble(-1), y);
        EXPECT_DOUBLE_EQ(dictionary->value("width").toDouble(-1), width);
        EXPECT_DOUBLE_EQ(dictionary->value("height").toDouble(-1), height);
    }
};

TEST_F(RegionStorageTest, ASavedRegionIsWrittenSanitisedAndRestored) {
    std::optional<QRectF> region = QRectF(0.1, 0.75, 0.95, 0.2);
    ASSERT_TRUE(Geometry::persistRegion(settings, region));
    EXPECT_EQ(region, QRectF(0.1, 0.75, 0.9, 0.2)) << "the controller keeps the sanitised form";
    expectStoredRegion(0.1, 0.75, 0.9, 0.2);

    SettingsStore nextLaunch(settings.filePath());
    EXPECT_EQ(Geometry::restoreRegion(nextLaunch), QRectF(0.1, 0.75, 0.9, 0.2));
}

TEST_F(RegionStorageTest, ClearingOrAnUnusableRegionRemovesTheKey) {
    store({{"x", 0.1}, {"y", 0.1}, {"width", 0.5}, {"height", 0.5}});
    std::optional<QRectF> none;
    ASSERT_TRUE(Geometry::persistRegion(settings, none));
    EXPECT_FALSE(stored());

    store({{"x", 0.1}, {"y", 0.1}, {"width", 0.5}, {"height", 0.5}});
    std::optional<QRectF> zeroWidth = QRectF(0.1, 0.1, 0, 0.5);
    ASSERT_TRUE(Geometry::persistRegion(settings, zeroWidth));
    EXPECT_FALSE(stored());
    EXPECT_EQ(zeroWidth, QRectF(0.1, 0.1, 0, 0.5)) << "an unusable region is not rewritten";
}

TEST_F(RegionStorageTest, ARestoredRegionOutsideTheWindowIsClampedAndWrittenBackOrRemoved) {
    store({{"x", -0.1}, {"y", 0.7}, {"width", 0.5}, {"height", 0.2}});
    const std::optional<QRectF> restored = Geometry::restoreRegion(settings);
    ASSERT_TRUE(restored);
    EXPECT_DOUBLE_EQ(restored->x(), 0);
    EXPECT_DOUBLE_EQ(restored->width(), 0.4);
    expectStoredRegion(0, 0.7, 0.4, 0.2);

    // Nothing of it inside the window: removed.
    store({{"x", 1.5}, {"y", 0.1}, {"width", 0.5}, {"height", 0.5}});
    EXPECT_EQ(Geometry::restoreRegion(settings), std::nullopt);
    EXPECT_FALSE(stored());
}

TEST_F(RegionStorageTest, AMalformedStoredRegionIsIgnoredAndKept) {
    const QJsonObject malformed[] = {
        {{"x", 0.1}, {"y", 0.1}, {"width", 0.5}, {"height", 0}},  // height 0
        {{"x", 0.1}, {"y", 0.1}, {"width", -0.5}, {"height", 0.5}},
        {{"x", 0.1}, {"y", 0.1}, {"width", 0.5}},                 // no height
        {{"x", "0.1"}, {"y", 0.1}, {"width", 0.5}, {"height", 0.5}},
        {{"y", 0.1}, {"width", 0.5}, {"height", 0.5}},
        {{"x", 0.1}, {"y", true}, {"width", 0.5}, {"height", 0.5}},
    };
    for (const QJsonObject& dictionary : malformed) {
        store(dictionary);
        EXPECT_EQ(Geometry::restoreRegion(settings), std::nullopt);
        EXPECT_EQ(stored(), dictionary) << "the key is kept unchanged";
    }

    ASSERT_TRUE(settings.setString(SettingsKeys::normalizedRegion, u"0.1,0.1,0.5,0.5"_qs));
    EXPECT_EQ(Geometry::restoreRegion(settings), std::nullopt);
    EXPECT_EQ(settings.stringValue(SettingsKeys::normalizedRegion), u"0.1,0.1,0.5,0.5"_qs);

    ASSERT_TRUE(settings.remove(SettingsKeys::normalizedRegion));
    EXPECT_EQ(Geometry::restoreRegion(settings), std::nullopt);
    EXPECT_FALSE(settings.contains(SettingsKeys::normalizedRegion)) << "restoring writes nothing new";
}

}  // namespace
}  // namespace ovisu
