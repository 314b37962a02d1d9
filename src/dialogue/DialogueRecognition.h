#pragma once

#include "capture/TextRecognizer.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

namespace ovisu {

// One dialogue text and the mean confidence of the lines it was made from (0 when none survived
// the noise filter; the text is then empty).
struct DialogueRecognitionResult {
    QString text;
    double confidence = 0;
    friend bool operator==(const DialogueRecognitionResult&, const DialogueRecognitionResult&) = default;
};

// Turns one cropped subtitle image into one dialogue text. Everything here runs synchronously on
// the calling (background) thread; hopping back to the main thread and dropping stale results is
// the realtime loop's business.
class DialogueRecognition {
public:
    static constexpr int targetWidth = 960;
    static constexpr double maximumScale = 3.0;

    // Small crops are enlarged to 960 pixels wide, at most threefold, smoothly, into an RGB
    // image; 960 pixels or wider, or when the enlarged image cannot be made, the image as given.
    static QImage upscaledOCRImage(const QImage& image);

    // Verb endings the recogniser tends to split or miss, given to it as hints.
    static QStringList customWords();

    // Whether a fast result looks doubtful enough to read again at the accurate level: the gate
    // does not accept it, a bracket is left open, or it stops at a continuation ("それで、").
    static bool shouldRetryAccurately(const QString& text, double confidence);

    // One pass: recognise, drop lines whose middle lies outside the selected area (the region
    // inside the crop's margins: a game's quick menu just under the box, say), drop noise lines,
    // put the rest into reading order. The recogniser's error is passed on unchanged.
    static std::expected<DialogueRecognitionResult, QString> performDialogueRecognition(
        TextRecognizer& recognizer, const QImage& image, RecognitionLevel level,
        const std::optional<QRectF>& selectedArea = std::nullopt);

    // Enlarges the crop, then reads it fast and once more accurately when the fast result is
    // doubtful; a manual one-shot reads accurately at once and never twice.
    static std::expected<DialogueRecognitionResult, QString> recognizeFastThenAccurate(
        TextRecognizer& recognizer, const QImage& croppedImage, bool manual,
        const std::optional<QRectF>& selectedArea = std::nullopt);
};

}  // namespace ovisu
