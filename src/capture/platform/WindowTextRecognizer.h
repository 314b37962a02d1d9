#pragma once

#include "capture/TextRecognizer.h"
#include "capture/platform/TextLineDetector.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ovisu {

struct WindowTextRecognizerSettings {
    // The rewritten detection model; empty: defaultModelPath().
    QString modelPath;
    // How the detector looks at the window. Each pass is one run of the network, the costly part.
    struct DetectorPass {
        double scale = 1;
        // The model was trained on dark text on light grounds and misses light words on a dark
        // translucent panel over a picture. `inverted` turns the whole window round;
        // `localPolarity` turns round only where the window is dark (a menu panel), so one pass
        // finds light text on dark panels and dark text on light ones.
        enum class Look { asIs, inverted, localPolarity } look = Look::localPolarity;
    };
    QList<DetectorPass> passes{DetectorPass{}};
    // Small text (a quick menu's 12-pixel words) the network sees only enlarged, and enlarging the
    // whole window costs twice the time. Lines lower than this (window pixels) are looked at again,
    // with the ground around them, at `refineScale`; 0 turns that off.
    double smallTextHeight = 21;
    double refineScale = 2;
    TextLineDetectorSettings detector;
    // Each line is scaled to about this text height before Tesseract reads it.
    int targetTextHeight = 40;
    // Ground added around a line's box before reading it, as a share of the box's height.
    double readingMargin = 0.15;
    // Folders of Debian's Japanese model and of the "best" one. Each line is read with the best
    // one first, and again with Debian's when that reading is doubtful; the more confident reading
    // is kept. Null: the defaults of TesseractTextRecognizer; empty: not used (one must be there).
    QString dataPath;
    QString bestDataPath;
    // A reading at least this confident is not read again with the other model.
    double confidentReading = 0.9;
    // Readings less confident than this are dropped: what Tesseract makes of a bit of picture the
    // detector took for text.
    double minimumConfidence = 0.3;
};

// Whole-window recognition for menus, buttons and status text: a text detector finds the lines
// anywhere in the window, and Tesseract reads each line by itself. One object serves one thread;
// the detector and the Tesseract engines start on the first request and are kept.
class WindowTextRecognizer final : public TextRecognizer {
public:
    explicit WindowTextRecognizer(WindowTextRecognizerSettings settings = {});
    ~WindowTextRecognizer() override;
    WindowTextRecognizer(const WindowTextRecognizer&) = delete;
    WindowTextRecognizer& operator=(const WindowTextRecognizer&) = delete;

    std::expected<QList<RecognizedLine>, QString> recognize(const QImage& image,
                                                            const TextRecognitionRequest& request) override;
    void setCancelCheck(std::function<bool()> check) override;

    // Starts the detector and the engines now; the error says why they cannot start.
    std::optional<QString> start();

    // Where the detection model is looked for: OVISU_TEXT_DETECTOR_MODEL when set; else
    // <executable dir>/../share/ovisu/models/text-detector.onnx (installed), the build tree's copy,
    // /usr/local/share/ovisu/models/text-detector.onnx, whichever is there first (the last when none is).
    static QString defaultModelPath();
    // The reason given when the model is missing, with what to do about it.
    static QString missingModelReason(const QString& path);

    // The lines the detector found in the window (window pixels, top-left origin), duplicates of
    // the passes merged; exposed for the benchmark and tests.
    std::expected<QList<DetectedTextLine>, QString> detectLines(const QImage& image);

    // The window turned round where it is dark, so that all its text is darker than its ground.
    static QImage localPolarityImage(const QImage& image);

private:
    struct Engine;
    struct Reading;
    std::expected<QList<DetectedTextLine>, QString> refineSmallLines(const QImage& seen, QList<DetectedTextLine> lines);
    std::optional<Reading> read(const QImage& grey, const QRectF& box, Engine& engine);
    bool cancelled() const { return cancelCheck_ && cancelCheck_(); }

    WindowTextRecognizerSettings settings_;
    std::unique_ptr<TextLineDetector> detector_;
    std::vector<std::unique_ptr<Engine>> engines_;
    std::function<bool()> cancelCheck_;
};

}  // namespace ovisu
