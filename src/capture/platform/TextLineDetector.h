#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <expected>
#include <memory>

namespace ovisu {

// A line of text the detector found: its box in the pixels of the image it was given (top-left
// origin) and how sure the detector is that it holds text (0..1).
struct DetectedTextLine {
    QRectF box;
    double score = 0;
};

struct TextLineDetectorSettings {
    // Pixels of the probability map above this belong to text.
    double pixelThreshold = 0.3;
    // A region is kept when its mean probability reaches this; below it, it is texture of the picture.
    double boxThreshold = 0.5;
    // The model marks a shrunk core of each line; its box grows by area * ratio / perimeter on every side.
    double unclipRatio = 1.6;
    // Regions whose shorter side is under this (in the model's pixels) are specks.
    double minimumSide = 3;
};

// PaddleOCR's PP-OCRv4 text detection network (differentiable binarisation) run by OpenCV's dnn
// module, with its post-processing: it finds lines of text in an image whatever their language.
// It was trained on dark text on lighter grounds and misses light text on busy or translucent
// dark ones; the caller turns such parts of the image round. One object serves one thread.
class TextLineDetector {
public:
    // Loads the rewritten model (scripts/rewrite-text-detector.py); the error says why it cannot.
    static std::expected<std::unique_ptr<TextLineDetector>, QString> load(const QString& modelPath,
                                                                           TextLineDetectorSettings settings = {});
    ~TextLineDetector();
    TextLineDetector(const TextLineDetector&) = delete;
    TextLineDetector& operator=(const TextLineDetector&) = delete;

    // The lines of `image` seen at `scale` (the network sees the image resized by it, to sides that
    // are multiples of 32); boxes are in the image's own pixels.
    std::expected<QList<DetectedTextLine>, QString> detect(const QImage& image, double scale);

private:
    struct Network;
    TextLineDetector(std::unique_ptr<Network> network, TextLineDetectorSettings settings);

    std::unique_ptr<Network> network_;
    TextLineDetectorSettings settings_;
};

}  // namespace ovisu
