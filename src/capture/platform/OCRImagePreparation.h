#pragma once

#include <QImage>

#include <array>
#include <optional>
#include <vector>

namespace ovisu {

enum class InkPolarity { darkOnLight, lightOnDark };

// A grey image ready for the recogniser: dark text on a light ground, at a scale where the text
// is as tall as the recognition model likes it.
struct PreparedOCRImage {
    QImage image;  // Format_Grayscale8
    InkPolarity polarity = InkPolarity::darkOnLight;  // of the input
    bool polarityCertain = true;  // false when the ground was too mixed to judge with confidence
    double scale = 1;             // prepared size / input size
    int textHeight = 0;           // estimated, in input pixels; 0 when no text band was found
    bool blank = false;           // nothing to read: no ink once binarised, or ink all over
};

// Image steps before recognition. Game subtitles are mostly light text with a dark outline on a
// translucent box over a picture; the recognition models read dark text on a light ground best.
class OCRImagePreparation {
public:
    struct Options {
        std::optional<InkPolarity> polarity;  // forced instead of detected
        bool binarise = true;                 // Otsu; else the grey image as it is
        bool clearBorder = true;              // binarised only: drop ink that touches the border
        bool restoreJoinedText = true;        // ... but put back letters that joined a flat shape
        int targetTextHeight = 40;            // 0 leaves the size alone
    };

    static PreparedOCRImage prepare(const QImage& image, const Options& options);

    static QImage grey(const QImage& image);  // Format_Grayscale8, luminance
    static int otsuThreshold(const QImage& grey);  // pixels above it are the light class
    static int otsuThresholdOf(const std::array<qint64, 256>& histogram);
    // Which Otsu class is the ink: the smaller one, as text covers well under half of a crop; where
    // the classes are nearly even (a busy picture) the border ring's majority is taken as the ground
    // and the judgement is marked uncertain.
    static InkPolarity detectPolarity(const QImage& grey, int threshold, bool* certain = nullptr);
    // Where the two classes are nearly even (a busy picture), text is often a small third class
    // at one end of the grey levels: the threshold that sets it apart from the rest of its class,
    // and which way round it is. Nothing when neither end holds a text-sized share.
    struct InkSplit {
        int threshold;
        InkPolarity polarity;
    };
    static std::optional<InkSplit> splitOutMinorityInk(const QImage& grey, int threshold);
    // Dark-on-light black and white: ink 0, ground 255.
    static QImage binarised(const QImage& grey, int threshold, InkPolarity polarity);
    // Turns the ink connected to the image's border into ground: bits of the picture cut by the crop,
    // the rim of a box. Leaves the image alone when all its ink touches the border. True if it
    // changed anything.
    // Given the grey image it was binarised from, letters that joined a flat shape of the picture
    // and went with it are put back.
    static bool clearBorderInk(QImage& binary, const QImage& grey = QImage(),
                               InkPolarity polarity = InkPolarity::lightOnDark);
    // Height in pixels of the typical text row of a dark-on-light image, from its horizontal ink
    // profile; 0 when it holds no text-like row.
    static int estimatedTextHeight(const QImage& binary);

private:
    static void restoreTextJoinedToPicture(QImage& binary, const QImage& grey, InkPolarity polarity,
                                           const std::vector<uchar>& cleared);
};

}  // namespace ovisu
