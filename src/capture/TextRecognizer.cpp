#include "capture/TextRecognizer.h"

#include "capture/platform/NullTextRecognizer.h"
#include "capture/platform/TesseractTextRecognizer.h"
#include "capture/platform/WindowTextRecognizer.h"

#include <QFileInfo>

namespace ovisu {

std::unique_ptr<TextRecognizer> makeTextRecognizer() {
    if (qEnvironmentVariable("OVISU_TEXT_RECOGNIZER") == QLatin1String("null"))
        return std::make_unique<NullTextRecognizer>(QStringLiteral("文字识别已停用（OVISU_TEXT_RECOGNIZER=null）"));
    // The engine starts on the first request, on the thread that will use it; a missing model is
    // reported then, with every request, as the reason.
    return std::make_unique<TesseractTextRecognizer>();
}

std::unique_ptr<TextRecognizer> makeWindowTextRecognizer() {
    if (qEnvironmentVariable("OVISU_TEXT_RECOGNIZER") == QLatin1String("null"))
        return std::make_unique<NullTextRecognizer>(QStringLiteral("文字识别已停用（OVISU_TEXT_RECOGNIZER=null）"));
    // The model is looked for now, so that a missing one is reported before any request; the
    // detector and the engines start on the first request, on the thread that will use them.
    const QString model = WindowTextRecognizer::defaultModelPath();
    if (!QFileInfo(model).isReadable())
        return std::make_unique<NullTextRecognizer>(WindowTextRecognizer::missingModelReason(model));
    WindowTextRecognizerSettings settings;
    settings.modelPath = model;
    return std::make_unique<WindowTextRecognizer>(std::move(settings));
}

}  // namespace ovisu
