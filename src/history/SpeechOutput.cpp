#include "history/SpeechOutput.h"

#include "history/platform/NullSpeechOutput.h"
#include "history/platform/QtSpeechOutput.h"

namespace ovisu {

std::unique_ptr<SpeechOutput> makeSpeechOutput() {
    if (qEnvironmentVariable("OVISU_SPEECH") == QLatin1String("null"))
        return std::make_unique<NullSpeechOutput>(QStringLiteral("语音朗读已停用（OVISU_SPEECH=null）"));
    return std::make_unique<QtSpeechOutput>();
}

}  // namespace ovisu
