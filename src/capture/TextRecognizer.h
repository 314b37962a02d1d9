#pragma once

#include "capture/RecognizedLine.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <memory>

namespace ovisu {

enum class RecognitionLevel { fast, accurate };

struct TextRecognitionRequest {
    RecognitionLevel level = RecognitionLevel::fast;
    QStringList languages{QStringLiteral("ja-JP"), QStringLiteral("en-US")};
    bool languageCorrection = true;
    QStringList customWords;  // hints; a back end uses them where its engine can
};

// Turns an image into lines. One object serves one thread: it keeps its engine between passes,
// so create one per worker thread and reuse it. Errors are values with a readable description.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    virtual std::expected<QList<RecognizedLine>, QString> recognize(const QImage& image,
                                                                    const TextRecognitionRequest& request) = 0;
    // Asked while a pass runs; true abandons it and recognize() answers with an error. Set it
    // from the thread that recognises, between passes. A back end that cannot stop a pass half
    // way ignores it (the default).
    virtual void setCancelCheck(std::function<bool()> check) { (void)check; }
};

// The recogniser of this platform (Tesseract), or one that fails every request with the reason
// it is unavailable (a missing language model, say). OVISU_TEXT_RECOGNIZER=null forces the latter.
std::unique_ptr<TextRecognizer> makeTextRecognizer();

// Whole-window recognition for interface mode: a text detector finds every line of the window
// (menus, buttons, status text) and Tesseract reads each. Without the detection model, or with
// OVISU_TEXT_RECOGNIZER=null, one that fails every request with the reason.
std::unique_ptr<TextRecognizer> makeWindowTextRecognizer();

}  // namespace ovisu
