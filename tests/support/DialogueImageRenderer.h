#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace ovisu::test {

// How a game draws its subtitle.
enum class DialogueTextStyle {
    outlinedOnDarkBox,  // white text with a dark outline on a translucent dark box over the picture
    outlinedOnPicture,  // the same text straight on the picture, no box
    darkOnLightBox,     // dark text on a nearly opaque light box (a paper-like message window)
};

// What lies behind the box.
enum class DialogueBackground {
    gradient,  // a smooth two-colour sky
    busy,      // a gradient crowded with coloured shapes and pixel noise
};

struct DialogueImageOptions {
    QStringList lines;  // one or two lines, drawn top to bottom
    QString fontFamily = QStringLiteral("Noto Sans CJK JP");
    int pixelSize = 30;
    DialogueTextStyle style = DialogueTextStyle::outlinedOnDarkBox;
    DialogueBackground background = DialogueBackground::gradient;
    unsigned seed = 1;   // varies the picture, never the text
    int pictureMargin = 0;  // picture kept around the box in a crop, in pixels
};

struct RenderedDialogue {
    QImage image;
    QList<QRect> lineRects;  // where each line's ink is, in image pixels, top line first
};

// A subtitle crop as the realtime loop sees it: the box with its text (plus `pictureMargin` of the
// picture around it), sized to the text.
RenderedDialogue renderDialogueImage(const DialogueImageOptions& options);

// A whole game frame with the subtitle box centred near its bottom edge. `lineRects` are in frame
// pixels; `subtitleRect` is the box (plus `pictureMargin`), the region a player would select.
struct RenderedGameFrame {
    QImage frame;
    QRect subtitleRect;
    QList<QRect> lineRects;
};
RenderedGameFrame renderGameFrame(const DialogueImageOptions& options, QSize frameSize = QSize(1280, 720));

// Japanese dialogue of the kind games show: kanji, both kana, long vowels, 「」, …, ！？, a few
// Latin letters and digits. Each entry is one line.
QStringList sampleDialogueLines();

}  // namespace ovisu::test
