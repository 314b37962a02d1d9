// The credential file: every secret that decodes must be written back exactly, since a save
// rewrites the other sources' secrets along with the one it changes.
#include "FuzzSupport.h"

#include "engine/LocalCredentialStore.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto document = fuzz::jsonDocument(fuzz::bytes(data, size));
    if (!document) return 0;
    const auto credentials = LocalCredentialStore::decode(*document);
    if (!credentials) return 0;
    const QByteArray encoded = LocalCredentialStore::encode(*credentials);
    const auto reparsed = fuzz::jsonDocument(encoded);
    FUZZ_CHECK(reparsed.has_value(), "an encoded credential file is not JSON");
    const auto again = LocalCredentialStore::decode(*reparsed);
    FUZZ_CHECK(again.has_value() && *again == *credentials, "secrets changed on their way through the file");
    return 0;
}
