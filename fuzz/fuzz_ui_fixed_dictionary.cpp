// The file of the fixed interface dictionary: what decodes must come back unchanged from the file the store
// writes, or the next save would alter entries the user never touched.
#include "FuzzSupport.h"

#include "interface/UIFixedDictionaryStore.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto document = fuzz::jsonDocument(fuzz::bytes(data, size));
    if (!document) return 0;
    const auto decoded = UIFixedDictionaryStore::decode(*document);
    if (!decoded) {
        FUZZ_CHECK(!decoded.error().isEmpty(), "an undecodable file gives no reason");
        return 0;
    }
    const QByteArray encoded = UIFixedDictionaryStore::encode(*decoded);
    const auto reparsed = fuzz::jsonDocument(encoded);
    FUZZ_CHECK(reparsed.has_value(), "the encoded file is not JSON");
    const auto again = UIFixedDictionaryStore::decode(*reparsed);
    FUZZ_CHECK(again.has_value(), "the encoded file does not decode");
    FUZZ_CHECK(*again == *decoded, "entries changed on their way through the file");
    FUZZ_CHECK(UIFixedDictionaryStore::encode(*again) == encoded, "the file form is not stable");
    return 0;
}
