// Every source's adapter reading arbitrary success and error bodies; the first byte picks the
// source and which of the two readers. A body that is not JSON never yields anything, and what an
// adapter reads depends on the JSON value alone, not on how the service laid it out.
#include "FuzzSupport.h"

#include "engine/ProviderAdapterFactory.h"
#include "engine/ServiceReplyJson.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool asError = data[0] & 1;
    const auto provider = providerFromRawValue((data[0] >> 1) % providerCount);
    // The custom source speaks either protocol depending on its endpoint.
    const QString endpoint = (data[0] & 0x80) ? QStringLiteral("https://example.com/v1/chat/completions")
                                              : QStringLiteral("https://example.com/v1/responses");
    const auto adapter = provider ? providerAdapter(*provider, endpoint) : nullptr;
    if (!adapter) return 0;  // the system translator has no HTTP adapter

    const QByteArray body = fuzz::bytes(data + 1, size - 1);
    const auto read = [&](const QByteArray& bytes) {
        return asError ? adapter->parseError(bytes) : adapter->parseResponse(bytes);
    };
    const std::optional<QString> result = read(body);

    const auto document = reply::json(body);
    if (!document) {
        FUZZ_CHECK(!result, "an adapter read something out of a body that is not JSON");
        return 0;
    }
    const QByteArray compact = document->toJson(QJsonDocument::Compact);
    FUZZ_CHECK(read(compact) == result, "an adapter reads the same JSON differently once it is laid out compactly");
    return 0;
}
