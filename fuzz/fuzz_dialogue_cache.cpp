// The dialogue translation cache file: what decodes must survive the rewrite after every change.
#include "FuzzSupport.h"

#include "dialogue/DialogueTranslationCache.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto entries = DialogueTranslationCache::decode(fuzz::bytes(data, size));
    if (!entries) return 0;
    const QByteArray encoded = DialogueTranslationCache::encode(*entries);
    const auto again = DialogueTranslationCache::decode(encoded);
    FUZZ_CHECK(again.has_value(), "an encoded dialogue cache does not decode");
    FUZZ_CHECK(*again == *entries, "a dialogue cache changed on its way through the file");
    FUZZ_CHECK(DialogueTranslationCache::encode(*again) == encoded, "a dialogue cache's file form is not stable");
    return 0;
}
