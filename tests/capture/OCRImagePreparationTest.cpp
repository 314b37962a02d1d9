#include "capture/platform/OCRImagePreparation.h"
#include "support/DialogueImageRenderer.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace ovisu {
namespace {

using test::DialogueBackground;
using test::DialogueImageOptions;
using test::DialogueTextStyle;

qint64 inkIn(const QImage& binary, const QRect& area) {
    qint64 ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ink += binary.pixelColor(x, y).value() < 128;
    return ink;
}

// For a prepared image: the share of ink inside the rendered text lines and outside them.
struct InkSpread {
    double insideText = 0;
    double outsideText = 0;
};

InkSpread spread(const PreparedOCRImage& prepared, const QList<QRect>& lineRects) {
    qint64 inside = 0, insideArea = 0;
    for (const QRect& line : lineRects) {
        const QRect scaled(int(line.left() * prepared.scale), int(line.top() * prepared.scale),
                           int(line.width() * prepared.scale), int(line.height() * prepared.scale));
        inside += inkIn(prepared.image, scaled);
        insideArea += qint64(scaled.width()) * scaled.height();
    }
    const qint64 all = inkIn(prepared.image, prepared.image.rect());
    const qint64 allArea = qint64(prepared.image.width()) * prepared.image.height();
    return {double(inside) / insideArea, double(all - inside) / double(allArea - insideArea)};
}

// A light ground with a dark band across its middle half: neither tone is the smaller class.
QImage halfDarkHalfLight() {
    QImage even(100, 100, QImage::Format_Grayscale8);
    even.fill(200);
    for (int y = 25; y < 75; ++y) std::fill_n(even.scanLine(y), 100, uchar(10));
    return even;
}

TEST(OCRImagePreparation, turnsGameSubtitlesIntoDarkTextOnALightGroundAtTheTargetHeight) {
    struct Case {
        DialogueTextStyle style;
        DialogueBackground background;
        int pictureMargin;
        InkPolarity polarity;
    };
    const QList<Case> cases{
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::gradient, 0, InkPolarity::lightOnDark},
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::busy, 0, InkPolarity::lightOnDark},
        // A loosely drawn region: bright picture all round the dark box.
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::gradient, 16, InkPolarity::lightOnDark},
        {DialogueTextStyle::darkOnLightBox, DialogueBackground::gradient, 0, InkPolarity::darkOnLight},
        {DialogueTextStyle::darkOnLightBox, DialogueBackground::busy, 16, InkPolarity::darkOnLight},
    };
    for (int pixelSize : {18, 40}) {
        for (const Case& c : cases) {
            DialogueImageOptions options;
            options.lines = {QStringLiteral("この扉の向こうに何があるのだろう。"), QStringLiteral("また会えるといいな。")};
            options.pixelSize = pixelSize;
            options.style = c.style;
            options.background = c.background;
            options.pictureMargin = c.pictureMargin;
            options.seed = unsigned(pixelSize);
            const test::RenderedDialogue rendered = test::renderDialogueImage(options);
            OCRImagePreparation::Options preparation;
            preparation.targetTextHeight = 40;
            const PreparedOCRImage prepared = OCRImagePreparation::prepare(rendered.image, preparation);
            SCOPED_TRACE(QStringLiteral("%1 px, style %2, margin %3")
                             .arg(pixelSize)
                             .arg(int(c.style))
                             .arg(c.pictureMargin)
                             .toStdString());

            EXPECT_EQ(prepared.polarity, c.polarity);
            EXPECT_EQ(prepared.image.format(), QImage::Format_Grayscale8);
            // The measured text height is the rendered line's, and the text is scaled to the target.
            EXPECT_NEAR(prepared.textHeight, rendered.lineRects.first().height(), pixelSize * 0.25);
            EXPECT_NEAR(prepared.textHeight * prepared.scale, 40, 8);
            EXPECT_EQ(prepared.image.size(),
                      QSize(qRound(rendered.image.width() * prepared.scale), qRound(rendered.image.height() * prepared.scale)));
            EXPECT_FALSE(prepared.blank);
            // Ink where the glyphs are, ground almost everywhere else.
            const InkSpread ink = spread(prepared, rendered.lineRects);
            EXPECT_GT(ink.insideText, 0.12);
            EXPECT_LT(ink.outsideText, 0.01);
        }
    }
}

TEST(OCRImagePreparation, forcedPolarityAndGreyOutputKeepTheImage) {
    DialogueImageOptions options;
    options.lines = {QStringLiteral("それは秘密です。")};
    const QImage image = test::renderDialogueImage(options).image;
    OCRImagePreparation::Options preparation;
    preparation.polarity = InkPolarity::darkOnLight;  // wrong on purpose: white text on a dark box
    preparation.binarise = false;
    preparation.targetTextHeight = 0;
    const PreparedOCRImage prepared = OCRImagePreparation::prepare(image, preparation);
    EXPECT_EQ(prepared.polarity, InkPolarity::darkOnLight);
    EXPECT_TRUE(prepared.polarityCertain);
    EXPECT_EQ(prepared.scale, 1.0);
    EXPECT_EQ(prepared.image.size(), image.size());
    EXPECT_EQ(prepared.image, OCRImagePreparation::grey(image));

    EXPECT_TRUE(OCRImagePreparation::prepare(QImage(), {}).image.isNull());

    // A plain box holds nothing to read, whichever way round it is taken.
    QImage plain(300, 60, QImage::Format_RGB32);
    plain.fill(QColor(30, 30, 40));
    for (const InkPolarity polarity : {InkPolarity::darkOnLight, InkPolarity::lightOnDark}) {
        OCRImagePreparation::Options forced;
        forced.polarity = polarity;
        EXPECT_TRUE(OCRImagePreparation::prepare(plain, forced).blank);
    }
    EXPECT_FALSE(prepared.blank);
}

TEST(OCRImagePreparation, otsuSeparatesTwoTonesAndPolarityFollowsTheSmallerClass) {
    QImage grey(100, 50, QImage::Format_Grayscale8);
    grey.fill(30);
    for (int y = 20; y < 30; ++y)
        for (int x = 10; x < 90; ++x) grey.scanLine(y)[x] = 220;
    const int threshold = OCRImagePreparation::otsuThreshold(grey);
    EXPECT_GE(threshold, 30);
    EXPECT_LT(threshold, 220);
    bool certain = false;
    EXPECT_EQ(OCRImagePreparation::detectPolarity(grey, threshold, &certain), InkPolarity::lightOnDark);
    EXPECT_TRUE(certain);
    grey.invertPixels();
    EXPECT_EQ(OCRImagePreparation::detectPolarity(grey, OCRImagePreparation::otsuThreshold(grey), &certain),
              InkPolarity::darkOnLight);

    // Half and half: the border ring decides, and says it is unsure.
    EXPECT_EQ(OCRImagePreparation::detectPolarity(halfDarkHalfLight(), 100, &certain), InkPolarity::darkOnLight);
    EXPECT_FALSE(certain);
}

TEST(OCRImagePreparation, clearsInkTouchingTheBorderButNeverAllOfIt) {
    QImage binary(60, 40, QImage::Format_Grayscale8);
    binary.fill(255);
    QPainter painter(&binary);
    painter.fillRect(0, 0, 60, 3, Qt::black);     // a rim along the top, cut by the crop
    painter.fillRect(57, 0, 3, 40, Qt::black);    // and down the right side
    painter.fillRect(20, 15, 10, 10, Qt::black);  // a glyph clear of the border
    painter.end();
    ASSERT_TRUE(OCRImagePreparation::clearBorderInk(binary));
    EXPECT_EQ(inkIn(binary, binary.rect()), 100);
    EXPECT_EQ(inkIn(binary, QRect(20, 15, 10, 10)), 100);
    EXPECT_FALSE(OCRImagePreparation::clearBorderInk(binary));  // nothing left to clear

    // Text that runs off the crop is all there is: it stays.
    QImage cut(60, 40, QImage::Format_Grayscale8);
    cut.fill(255);
    QPainter cutPainter(&cut);
    cutPainter.fillRect(0, 10, 30, 5, Qt::black);
    cutPainter.end();
    EXPECT_FALSE(OCRImagePreparation::clearBorderInk(cut));
    EXPECT_EQ(inkIn(cut, cut.rect()), 150);
}

// White text with no outline, partly over a flat grey shape that runs off the crop (a game's
// picture behind a borderless box): the letters over the shape are text, not picture.
TEST(OCRImagePreparation, lettersOverAFlatShapeAtTheEdgeAreKeptButATexturedShapesSpecksAreNot) {
    const auto crop = [](bool textured) {
        QImage grey(400, 100, QImage::Format_Grayscale8);
        grey.fill(0);
        for (int y = 0; y < 100; ++y)
            for (int x = 280; x < 400; ++x)
                grey.scanLine(y)[x] = uchar(textured ? 60 + (x * 7 + y * 13) % 60 : 90);
        // "Glyphs": vertical strokes along one line, the last ones over the shape.
        for (int x = 20; x < 380; x += 14)
            for (int y = 35; y < 65; ++y)
                for (int dx = 0; dx < 4; ++dx) grey.scanLine(y)[x + dx] = 220;
        return grey;
    };
    OCRImagePreparation::Options options;
    options.targetTextHeight = 0;
    const PreparedOCRImage flat = OCRImagePreparation::prepare(crop(false), options);
    EXPECT_GT(inkIn(flat.image, QRect(285, 35, 100, 30)), 600) << "the letters over the shape went with it";
    EXPECT_EQ(inkIn(flat.image, QRect(280, 0, 120, 30)), 0) << "the shape itself came back";

    options.restoreJoinedText = false;
    EXPECT_EQ(inkIn(OCRImagePreparation::prepare(crop(false), options).image, QRect(285, 35, 100, 30)), 0)
        << "the case no longer shows what it tests";

    options.restoreJoinedText = true;
    // Over a textured shape the inkier half is the texture's own: between the letters nothing comes back.
    const PreparedOCRImage textured = OCRImagePreparation::prepare(crop(true), options);
    qint64 betweenLetters = 0;
    for (int x = 280; x < 400; ++x)
        if ((x - 20) % 14 >= 4) betweenLetters += inkIn(textured.image, QRect(x, 35, 1, 30));
    EXPECT_EQ(betweenLetters, 0) << "a textured shape's bright bits came back";
}

// A busy dark picture splits the grey levels between its own shades; the small bright third
// class is the text, and it is read light on dark.
TEST(OCRImagePreparation, onABusyGroundTheTextIsTheSmallClassAtOneEnd) {
    QImage grey(400, 100, QImage::Format_Grayscale8);
    grey.fill(10);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x)
            if ((x / 40 + y / 25) % 2) grey.scanLine(y)[x] = 70;  // the picture's shading, half of it
    for (int x = 20; x < 380; x += 14)
        for (int y = 45; y < 55; ++y)
            for (int dx = 0; dx < 3; ++dx) grey.scanLine(y)[x + dx] = 210;
    const int threshold = OCRImagePreparation::otsuThreshold(grey);
    bool certain = true;
    OCRImagePreparation::detectPolarity(grey, threshold, &certain);
    ASSERT_FALSE(certain) << "the case no longer shows a busy ground";
    const auto split = OCRImagePreparation::splitOutMinorityInk(grey, threshold);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->polarity, InkPolarity::lightOnDark);
    EXPECT_GE(split->threshold, 70);
    EXPECT_LT(split->threshold, 210);

    // An even split with no small class at either end: nothing to set apart.
    EXPECT_FALSE(OCRImagePreparation::splitOutMinorityInk(halfDarkHalfLight(), 100));
}

TEST(OCRImagePreparation, textHeightComesFromTextRowsNotFromStrayPixelsOrSolidBars) {
    QImage binary(400, 200, QImage::Format_Grayscale8);
    binary.fill(255);
    QPainter painter(&binary);
    // Two rows of "glyphs" 24 px tall: vertical strokes across the width.
    for (int row : {40, 110})
        for (int x = 20; x < 380; x += 12) painter.fillRect(x, row, 4, 24, Qt::black);
    painter.fillRect(0, 170, 400, 12, Qt::black);  // a solid bar: not text
    painter.fillRect(200, 5, 1, 1, Qt::black);      // a speck
    painter.end();
    EXPECT_EQ(OCRImagePreparation::estimatedTextHeight(binary), 24);

    QImage empty(50, 50, QImage::Format_Grayscale8);
    empty.fill(255);
    EXPECT_EQ(OCRImagePreparation::estimatedTextHeight(empty), 0);
}

}  // namespace
}  // namespace ovisu
