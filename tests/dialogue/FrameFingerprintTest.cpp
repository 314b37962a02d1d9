#include "base/SettingsKeys.h"
#include "dialogue/FrameFingerprint.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// A game's dialogue box as the subtitle crop shows it: a translucent panel over a scene (a
// gradient with a bright shape standing in for a sprite), light text in up to three lines.
QImage dialogueBox(const QStringList& lines, int spriteX = 300, QColor ink = Qt::white, int boxAlpha = 170) {
    QImage image(840, 150, QImage::Format_RGB32);
    QLinearGradient scene(0, 0, 840, 150);
    scene.setColorAt(0, QColor(70, 110, 160));
    scene.setColorAt(1, QColor(200, 170, 120));
    QPainter painter(&image);
    painter.fillRect(image.rect(), scene);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(235, 220, 210));
    painter.drawEllipse(QRectF(spriteX, 10, 160, 220));
    painter.setBrush(QColor(10, 10, 20, boxAlpha));
    painter.drawRect(image.rect());
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(26);
    painter.setFont(font);
    painter.setPen(ink);
    for (int i = 0; i < lines.size(); ++i) painter.drawText(QPointF(20, 40 + 42 * i), lines[i]);
    return image;
}

bool changedAfter(const QImage& before, const QImage& after, double threshold = SettingsDefaults::ocrFrameChangeThreshold) {
    std::optional<QByteArray> previous = FrameFingerprint::of(before);
    return FrameFingerprint::frameChanged(previous, FrameFingerprint::of(after), threshold);
}

TEST(FrameFingerprintTest, CellsHoldTheirLocalContrastRowByRow) {
    // A 256 x 64 image: each cell is 2 x 2 pixels.
    QImage image(256, 64, QImage::Format_RGB32);
    image.fill(QColor(100, 100, 100));
    image.setPixelColor(0, 0, QColor(250, 250, 250));        // first cell: 150 of contrast
    image.setPixelColor(255, 63, QColor(40, 40, 40));        // last cell: 60
    QPainter(&image).fillRect(QRect(10, 10, 2, 2), Qt::white);  // a whole cell of one grey: none

    const QByteArray bytes = FrameFingerprint::of(image);
    ASSERT_EQ(bytes.size(), FrameFingerprint::columns * FrameFingerprint::rows);
    EXPECT_EQ(uchar(bytes[0]), 150);
    EXPECT_EQ(uchar(bytes[FrameFingerprint::byteCount - 1]), 60);
    EXPECT_EQ(uchar(bytes[5 * FrameFingerprint::columns + 5]), 0);
    EXPECT_EQ(uchar(bytes[1]), 0);

    // Transparent parts read as black, no image as all zeros, a tiny crop still fills the grid.
    QImage transparent(100, 40, QImage::Format_ARGB32);
    transparent.fill(QColor(255, 255, 255, 0));
    EXPECT_EQ(FrameFingerprint::of(transparent), QByteArray(FrameFingerprint::byteCount, '\0'));
    EXPECT_EQ(FrameFingerprint::of(QImage()), QByteArray(FrameFingerprint::byteCount, '\0'));
    EXPECT_EQ(FrameFingerprint::of(dialogueBox({u"あ"_qs}).scaled(20, 4)).size(), FrameFingerprint::byteCount);
}

TEST(FrameFingerprintTest, FirstFrameAndALengthMismatchAlwaysCountAsChangedIdenticalFramesNever) {
    std::optional<QByteArray> previous;
    const QByteArray frame = FrameFingerprint::of(dialogueBox({u"こんにちは"_qs}));
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, frame, 1.0));
    EXPECT_EQ(previous, frame) << "the new fingerprint is kept";
    EXPECT_FALSE(FrameFingerprint::frameChanged(previous, frame, 0));

    // An interface-mode fingerprint of another length after a dialogue one.
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, QByteArray(100, '\0'), 1.0));
    EXPECT_EQ(previous->size(), 100);

    const QImage box = dialogueBox({u"今日はいい天気ですね。"_qs});
    for (const double threshold : {-1.0, 0.0, SettingsDefaults::ocrFrameChangeThreshold, 1.0})
        EXPECT_FALSE(changedAfter(box, box, threshold)) << "identical frames changed at " << threshold;
}

TEST(FrameFingerprintTest, TheDifferenceIsTheShareOfInkCellsThatGainedOrLostAStroke) {
    QByteArray before(FrameFingerprint::byteCount, char(10));
    for (int i = 0; i < 200; ++i) before[i] = char(200);  // 200 cells of ink
    QByteArray after = before;
    after[0] = char(10);     // a stroke gone
    after[300] = char(150);  // a stroke come
    after[301] = char(90);   // a faint change: not a stroke
    EXPECT_DOUBLE_EQ(FrameFingerprint::difference(before, after), 2.0 / 200);

    // Exactly at the threshold is no change; the comparison is strict.
    std::optional<QByteArray> previous = before;
    EXPECT_FALSE(FrameFingerprint::frameChanged(previous, after, 2.0 / 200));
    previous = before;
    EXPECT_TRUE(FrameFingerprint::frameChanged(previous, after, 2.0 / 200 - 1e-9));

    // On a nearly empty box the share is of 2 % of the grid, so one speck is not all the text.
    const QByteArray empty(FrameFingerprint::byteCount, char(0));
    QByteArray speck = empty;
    speck[7] = char(255);
    EXPECT_DOUBLE_EQ(FrameFingerprint::difference(empty, speck), 1.0 / (FrameFingerprint::byteCount / 50));
    EXPECT_DOUBLE_EQ(FrameFingerprint::difference(empty, QByteArray(3, '\0')), 1.0);
}

TEST(FrameFingerprintTest, SeesEveryChangeOfTextButNotThePictureBehindTheBox) {
    const QString first = u"今日はいい天気ですね。散歩に行こうか"_qs;
    const QImage line = dialogueBox({first});

    // A new page, a short reply after a long line, text on the empty box and its end.
    EXPECT_TRUE(changedAfter(line, dialogueBox({u"はい。"_qs})));
    EXPECT_TRUE(changedAfter(dialogueBox({}), dialogueBox({u"うん"_qs})));
    EXPECT_TRUE(changedAfter(line, dialogueBox({})));
    // The last character of a typewriter reveal, on one line and at the end of a full box.
    EXPECT_TRUE(changedAfter(line, dialogueBox({first + u"？"_qs})));
    const QStringList full{u"このチュートリアルでRen'Pyの基本的な部分について教えて、"_qs,
                           u"あなたが自身のゲームを作れるようにします。私たちはたくさんの"_qs,
                           u"デモを見せるので、Ren'Pyでできることを見ていって下"_qs};
    QStringList complete = full;
    complete[2] += u"さい。"_qs;
    EXPECT_TRUE(changedAfter(dialogueBox(full), dialogueBox(complete)));
    // Dark text on a light box as well.
    EXPECT_TRUE(changedAfter(dialogueBox({first}, 300, Qt::black, 0), dialogueBox({first + u"か"_qs}, 300, Qt::black, 0)));

    // A sprite moving behind the translucent box changes no stroke.
    EXPECT_FALSE(changedAfter(line, dialogueBox({first}, 340)));
    EXPECT_FALSE(changedAfter(dialogueBox(full), dialogueBox(full, 260)));
}

}  // namespace
}  // namespace ovisu
