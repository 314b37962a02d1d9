#include "capture/TextRecognizer.h"

#include "capture/platform/NullTextRecognizer.h"
#include "capture/platform/TesseractTextRecognizer.h"

namespace ovisu {

std::unique_ptr<TextRecognizer> makeTextRecognizer() {
    if (qEnvironmentVariable("OVISU_TEXT_RECOGNIZER") == QLatin1String("null"))
        return std::make_unique<NullTextRecognizer>(QStringLiteral("文字识别已停用（OVISU_TEXT_RECOGNIZER=null）"));
    // The engine starts on the first request, on the thread that will use it; a missing model is
    // reported then, with every request, as the reason.
    return std::make_unique<TesseractTextRecognizer>();
}

}  // namespace ovisu
