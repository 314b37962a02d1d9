#include "base/SettingsKeys.h"
#include "capture/FrameFingerprint.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// A game's dialogue box as the subtitle crop shows it: a dark translucent panel over a scene,
// white text in two lines.
QImage dialogueBox(const QString& firstLine, const QString& secondLine = {}) {
    QImage image(960, 180, QImage::Format_RGB32);
    image.fill(QColor(70, 110, 160));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 40, 200));
    painter.drawRoundedRect(QRectF(10, 10, 940, 160), 12, 12);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(34);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(40, 70), firstLine);
    painter.drawText(QPointF(40, 130), secondLine);
    return image;
}

bool changedAfter(const QImage& before, const QImage& after, double threshold) {
    std::optional<QByteArray> previous = FrameFingerprint::of(before);
    return FrameFingerprint::frameChanged(previous, FrameFingerprint::of(after), threshold);
}

TEST(FrameFingerprintTest, ThumbnailIsTwentyFourByFourteenGreyBytesRowByRow) {
    QImage image(48, 28, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter(&image).fillRect(QRect(0, 0, 48, 2), Qt::white);   // top thumbnail row
    QPainter(&image).fillRect(QRect(46, 0, 2, 28), Qt::white);  // right thumbnail column

    const QByteArray bytes = FrameFingerprint::of(image);
    ASSERT_EQ(bytes.size(), 336);
    EXPECT_EQ(static_cast<uchar>(bytes[0]), 255);         // first row, first pixel
    EXPECT_EQ(static_cast<uchar>(bytes[23]), 255);        // first row, last pixel
    EXPECT_EQ(static_cast<uchar>(bytes[24]), 0);          // second row starts dark
    EXPECT_EQ(static_cast<uchar>(bytes[24 + 23]), 255);   // ... and ends in the bright column
    EXPECT_EQ(static_cast<uchar>(bytes[13 * 24]), 0);     // bottom-left
    EXPECT_EQ(static_cast<uchar>(bytes[13 * 24 + 23]), 255);
}

TEST(FrameFingerprintTest, TransparencyReadsAsBlackAndNoImageAsZeros) {
    QImage transparent(100, 40, QImage::Format_ARGB32);
    transparent.fill(QColor(255, 255, 255, 0));
    EXPECT_EQ(FrameFingerprint::of(transparent), QByteArray(336, '\0'));
    EXPECT_EQ(FrameFingerprint::of(QImage()), QByteArray(336, '\0'));

    QImage grey(100, 40, QImage::Format_Grayscale8);
    grey.fill(QColor(128, 128, 128));
    EXPECT_EQ(FrameFingerprint::of(grey), QByteArray(336, char(128)));
}

TEST(FrameFingerprintTest, FirstFrameAndALengthMismatchAlwaysCountAsChanged) {
    std::optional<QByteArray> previous;
    const QByteArray frame = FrameFingerprint::of(dialogueBox(u"こんにちは"_qs));
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, frame, 1.0));
    EXPECT_EQ(previous, frame) << "the new fingerprint is kept";
    EXPECT_FALSE(FrameFingerprint::frameChanged(previous, frame, 0));

    // An interface-mode fingerprint of another length after a dialogue one.
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, QByteArray(100, '\0'), 1.0));
    EXPECT_EQ(previous->size(), 100);
}

TEST(FrameFingerprintTest, IdenticalFramesNeverChangeWhateverTheThreshold) {
    const QImage box = dialogueBox(u"今日はいい天気ですね。"_qs);
    for (const double threshold : {-1.0, 0.0, SettingsDefaults::ocrFrameChangeThreshold, 1.0})
        EXPECT_FALSE(changedAfter(box, box, threshold)) << threshold;
}

TEST(FrameFingerprintTest, TheDifferenceIsTheMeanAbsoluteChangeOfFullScale) {
    QByteArray before(336, char(100));
    QByteArray after = before;
    after[0] = char(255);  // +155
    after[335] = char(0);  // -100
    EXPECT_DOUBLE_EQ(FrameFingerprint::difference(before, after), 255.0 / (336 * 255));

    // Exactly at the threshold is no change; the comparison is strict.
    std::optional<QByteArray> previous = before;
    EXPECT_FALSE(FrameFingerprint::frameChanged(previous, after, 1.0 / 336));
    previous = before;
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, after, 1.0 / 336 - 1e-9));
}

TEST(FrameFingerprintTest, RenderedDialogueBoxChanges) {
    const QImage line = dialogueBox(u"今日はいい天気ですね。散歩に行こうか"_qs);
    const QImage typedOn = dialogueBox(u"今日はいい天気ですね。散歩に行こうか？"_qs);
    const QImage oneOther = dialogueBox(u"今日はいい天気ですね。散歩に行こうよ"_qs);
    const QImage nextLine = dialogueBox(u"そうだね。でも雨が降りそうだよ"_qs, u"傘を持っていこう"_qs);
    const QImage emptyBox = dialogueBox({});
    const double threshold = SettingsDefaults::ocrFrameChangeThreshold;

    // A new line of dialogue, or text appearing in the empty box, is well above the threshold.
    EXPECT_TRUE(changedAfter(line, nextLine, threshold));
    EXPECT_TRUE(changedAfter(emptyBox, line, threshold));
    EXPECT_TRUE(changedAfter(nextLine, emptyBox, threshold));

    // One character more or one other character moves the thumbnail far less, and may miss the
    // sample points altogether: such a change is picked up by the forced verification that
    // follows every new reading, not by the thumbnail.
    for (const QImage* changed : {&typedOn, &oneOther})
        EXPECT_FALSE(changedAfter(line, *changed, threshold));
}

}  // namespace
}  // namespace ovisu
