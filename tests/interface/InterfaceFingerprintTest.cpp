#include "interface/InterfaceFingerprint.h"
#include "interface/InterfaceRecognition.h"
#include "support/QtPrinters.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ovisu {
namespace {

QImage window(QColor ground = QColor(20, 20, 30)) {
    QImage image(1280, 720, QImage::Format_RGB32);
    image.fill(ground);
    return image;
}

TEST(InterfaceFingerprintTest, EnabledRegionsAreFingerprintedInOrderAndUnusableOnesFallBackToTheWindow) {
    QImage image = window();
    // A bright menu column on the left half only.
    for (int y = 100; y < 600; ++y)
        for (int x = 80; x < 400; ++x) image.setPixelColor(x, y, Qt::white);

    // A quarter of the window; regions a quarter of their crop, never below 48 × 24.
    const QByteArray whole = InterfaceFingerprint::of(image, {});
    EXPECT_EQ(whole.size(), 320 * 180);
    EXPECT_EQ(InterfaceFingerprint::of(image, {QRectF(0.5, 0.5, 40.0 / 1280, 30.0 / 720)}).size(), 48 * 24);
    const QRectF menu(0.05, 0.1, 0.3, 0.8), empty(0.6, 0.1, 0.3, 0.8);
    const QByteArray two = InterfaceFingerprint::of(image, {menu, empty});
    const qsizetype one = 96 * 144;
    ASSERT_EQ(two.size(), 2 * one);
    // The order of the regions is the order of their thumbnails.
    EXPECT_EQ(InterfaceFingerprint::of(image, {empty, menu}), two.mid(one) + two.left(one));

    // Regions too small (4 pixels or less), outside the window or not finite give nothing; with
    // nothing left the whole window is fingerprinted.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QList<QRectF> unusable{QRectF(0.5, 0.5, 4.0 / 1280, 0.2), QRectF(1.2, 0.1, 0.3, 0.3), QRectF(nan, 0, 0.2, 0.2),
                                 QRectF(0.2, 0.2, -0.1, 0.1)};
    EXPECT_EQ(InterfaceFingerprint::of(image, unusable), whole);
    // A region reaching past the window is cut to it.
    EXPECT_EQ(InterfaceFingerprint::of(image, {QRectF(0.6, 0.1, 0.6, 0.8)}).size(), 128 * 144);
}

QImage statusScreen(const QString& date, int noise = 0) {
    QImage image = window(QColor(60 + noise, 70 + noise, 90 + noise));
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPoint(1000, 40), QStringLiteral("好感度 35"));
    painter.drawText(QPoint(1120, 40), date);
    return image;
}

// A whole window is a thousand times larger than the text that changes on it: a status value or
// a date moves the window's mean by far less than any threshold, yet it is a new text to read.
TEST(InterfaceFingerprintTest, AChangedWordIsSeenAndAnUnchangedScreenIsNot) {
    std::optional<QByteArray> previous;
    const QByteArray first = InterfaceFingerprint::of(statusScreen(QStringLiteral("4月12日")), {});
    EXPECT_TRUE(InterfaceFingerprint::frameChanged(previous, first, 0.009)) << "no previous fingerprint";
    EXPECT_FALSE(InterfaceFingerprint::frameChanged(previous, first, 0.009));

    EXPECT_TRUE(InterfaceFingerprint::frameChanged(
        previous, InterfaceFingerprint::of(statusScreen(QStringLiteral("4月13日")), {}), 0.009));
    // A picture that brightens a little everywhere is no new text.
    EXPECT_FALSE(InterfaceFingerprint::frameChanged(
        previous, InterfaceFingerprint::of(statusScreen(QStringLiteral("4月13日"), 1), {}), 0.009));
    // Much brighter, it is a change by the mean.
    EXPECT_TRUE(InterfaceFingerprint::frameChanged(
        previous, InterfaceFingerprint::of(statusScreen(QStringLiteral("4月13日"), 12), {}), 0.009));
    // Another length (a region switched on) is a change whatever the threshold.
    EXPECT_TRUE(InterfaceFingerprint::frameChanged(previous, InterfaceFingerprint::of(window(), {QRectF(0, 0, 0.5, 0.5)}), 1.0));
}

TEST(InterfaceRecognitionTest, BlocksAreCleanedFilteredByConfidenceAndJudgedInOrder) {
    const QList<RecognizedLine> lines{{QStringLiteral("  設定  "), 0.9, QRectF(0.1, 0.8, 0.2, 0.05)},
                                      {QStringLiteral("ロード"), 0.19, QRectF(0.1, 0.7, 0.2, 0.05)},
                                      {QStringLiteral("   "), 0.9, QRectF(0.1, 0.6, 0.2, 0.05)}};
    const QList<UIOCRTextBlock> blocks = InterfaceRecognition::blocksFrom(lines);
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks.first().text, QStringLiteral("設定"));

    using InterfaceRecognition::Rejection;
    const UIElementKindSet all{UIElementKind::menu, UIElementKind::button, UIElementKind::date, UIElementKind::attribute,
                               UIElementKind::text};
    const auto judge = [&](const QString& text, QRectF bottomLeftBox, const QList<QRectF>& regions,
                           const UIElementKindSet& kinds) {
        return InterfaceRecognition::rejectionOf({text, bottomLeftBox, 0.9f}, regions, kinds);
    };
    const QRectF box(0.125, 0.5, 0.25, 0.25);  // centre (0.25, 0.375) from the top-left
    EXPECT_EQ(judge(QStringLiteral("100/200"), box, {}, all), Rejection::noWords);
    EXPECT_EQ(judge(QStringLiteral("Lv"), box, {}, all), std::nullopt);
    EXPECT_EQ(judge(QStringLiteral("設定"), box, {}, {UIElementKind::text}), Rejection::kindDisabled);
    // A centre on a region's edge is inside it, on every side.
    EXPECT_EQ(judge(QStringLiteral("設定"), box, {QRectF(0.25, 0.375, 0.3, 0.3)}, all), std::nullopt);
    EXPECT_EQ(judge(QStringLiteral("設定"), box, {QRectF(0.0, 0.0, 0.25, 0.375)}, all), std::nullopt);
    EXPECT_EQ(judge(QStringLiteral("設定"), box, {QRectF(0.26, 0.375, 0.3, 0.3)}, all), Rejection::outsideRegions);
    // The region test comes first.
    EXPECT_EQ(judge(QStringLiteral("100/200"), box, {QRectF(0.5, 0.5, 0.1, 0.1)}, all), Rejection::outsideRegions);
}

}  // namespace
}  // namespace ovisu
