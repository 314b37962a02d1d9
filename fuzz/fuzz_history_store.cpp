// The translation history file. What decodes must encode and decode to the same records, so a
// history read and written back (every append does that) loses nothing.
#include "FuzzSupport.h"

#include "history/TranslationHistoryStore.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto records = TranslationHistoryStore::decode(fuzz::bytes(data, size));
    if (!records) return 0;
    const QByteArray encoded = TranslationHistoryStore::encode(*records);
    const auto again = TranslationHistoryStore::decode(encoded);
    FUZZ_CHECK(again.has_value(), "an encoded history does not decode");
    FUZZ_CHECK(*again == *records, "a history changed on its way through the file");
    FUZZ_CHECK(TranslationHistoryStore::encode(*again) == encoded, "a history's file form is not stable");
    return 0;
}
