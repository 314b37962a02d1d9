// The {"error": {"message": ...}} reader and the error guide that turns what it finds into the
// sentence the user sees. The adapters that read the same shape must agree with the reader, and
// the guide's sentence always names the source it is about.
#include "FuzzSupport.h"

#include "engine/ProviderAdapterFactory.h"
#include "engine/ServiceReplyJson.h"
#include "engine/TranslationErrorGuide.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const auto provider = providerFromRawValue(data[0] % providerCount);
    // No status, or one from 100 to 610 so the guide's rules for 4xx and 5xx are all reached.
    const std::optional<int> status = data[1] == 0 ? std::nullopt : std::optional<int>(100 + 2 * data[1]);
    const QByteArray body = fuzz::bytes(data + 2, size - 2);

    const std::optional<QString> message = reply::errorObjectMessage(body);
    FUZZ_CHECK(providerAdapter(Provider::microsoft, {})->parseError(body) == message,
               "Microsoft's error reader disagrees with the error-object reader");
    if (message) {
        const auto openAI = providerAdapter(Provider::openAI, {})->parseError(body);
        // An empty message may come back as a null string, which QString::endsWith() tells apart.
        FUZZ_CHECK(openAI && (message->isEmpty() || openAI->endsWith(*message)),
                   "the OpenAI error reader lost the error object's message");
    }

    if (!provider) return 0;
    const QString sentence = TranslationErrorGuide::messageFor(message ? message : std::optional<QString>(QString::fromUtf8(body)),
                                                               status, *provider);
    FUZZ_CHECK(sentence.startsWith(ProviderCatalogue::title(*provider) + QStringLiteral("：")),
               "the error guide's sentence does not start with the source's title");
    return 0;
}
