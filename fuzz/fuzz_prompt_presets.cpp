// Prompt presets: one preset as an imported file, and the stored list of the user's presets.
// Both must come back unchanged from their encoded form.
#include "FuzzSupport.h"

#include "engine/TranslationPromptPreset.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    if (const auto preset = TranslationPromptPresetCodec::decode(bytes)) {
        const auto again = TranslationPromptPresetCodec::decode(TranslationPromptPresetCodec::encode(*preset));
        FUZZ_CHECK(again && *again == *preset, "an imported preset changed once exported");
    }

    const auto document = fuzz::jsonDocument(bytes);
    if (!document) return 0;
    const QJsonValue stored = document->isArray() ? QJsonValue(document->array()) : QJsonValue(document->object());
    const auto presets = TranslationPromptPresetCodec::decodeList(stored);
    if (!presets) return 0;
    const auto again = TranslationPromptPresetCodec::decodeList(TranslationPromptPresetCodec::encodeList(*presets));
    FUZZ_CHECK(again && *again == *presets, "the stored presets changed on their way through the settings");
    return 0;
}
