// The saved translation profiles (a settings value, also the export file): a list that decodes
// must encode and decode to the same profiles in the same order.
#include "FuzzSupport.h"

#include "engine/TranslationProfile.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto profiles = TranslationProfileCodec::decode(fuzz::bytes(data, size));
    if (!profiles) {
        FUZZ_CHECK(!profiles.error().isEmpty(), "an undecodable profile list gives no reason");
        return 0;
    }
    const QByteArray encoded = TranslationProfileCodec::encodeBytes(*profiles);
    const auto again = TranslationProfileCodec::decode(encoded);
    FUZZ_CHECK(again.has_value(), "encoded profiles do not decode");
    FUZZ_CHECK(*again == *profiles, "profiles changed on their way through the settings");
    return 0;
}
