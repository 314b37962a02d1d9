// The event-stream parser on arbitrary bodies in the three grammars. A body cut into pieces, as
// the network cuts it, must give exactly the events the whole body gives; and a streamed request
// fed that body ends exactly once, whatever the body holds.
#include "FuzzSupport.h"

#include "engine/OpenAICompatibleTranslationProvider.h"
#include "engine/TranslationSSEParser.h"
#include "engine/TranslationStreamDelegate.h"

using namespace ovisu;

namespace {

QList<TranslationStreamEvent> eventsOfWholeBody(TranslationStreamStyle style, const QByteArray& body) {
    TranslationSSEParser parser(style);
    QList<TranslationStreamEvent> events = parser.ingest(body);
    events += parser.finish();
    return events;
}

// Pieces of 1 to 16 bytes whose lengths follow from the seed, so the same input cuts the same way.
QList<TranslationStreamEvent> eventsOfPieces(TranslationStreamStyle style, const QByteArray& body, quint32 seed) {
    TranslationSSEParser parser(style);
    QList<TranslationStreamEvent> events;
    for (qsizetype at = 0; at < body.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype length = 1 + (seed >> 16) % 16;
        events += parser.ingest(body.mid(at, length));
        at += length;
    }
    events += parser.finish();
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const TranslationStreamStyle styles[] = {TranslationStreamStyle::chatCompletions,
                                                    TranslationStreamStyle::responses, TranslationStreamStyle::claude};
    const TranslationStreamStyle style = styles[data[0] % 3];
    const bool failedStatus = data[0] & 0x80;
    const quint32 seed = data[1];
    const QByteArray body = fuzz::bytes(data + 2, size - 2);

    const QList<TranslationStreamEvent> whole = eventsOfWholeBody(style, body);
    FUZZ_CHECK(eventsOfPieces(style, body, seed) == whole, "a body cut into pieces gives other events than whole");

    const OpenAICompatibleTranslationProvider adapter(
        QStringLiteral("fuzz"), QStringLiteral("fuzz"), OpenAICompatibleTranslationProvider::ProtocolStyle::chatCompletions,
        TranslationCapabilities::chat(true));
    int ends = 0;
    TranslationStreamDelegate delegate(
        style, [&adapter](const QByteArray& errorBody) { return adapter.parseError(errorBody); },
        [](const QString&) {},
        [&ends](std::optional<QString>, std::optional<QString>, std::optional<int>) { ++ends; });
    delegate.didReceiveResponse(failedStatus ? 500 : 200);
    delegate.didReceiveData(body.left(body.size() / 2));
    delegate.didReceiveData(body.mid(body.size() / 2));
    delegate.didComplete(std::nullopt);
    delegate.didComplete(QStringLiteral("late transport error"));
    FUZZ_CHECK(ends == 1 && delegate.finished(), "a streamed request did not end exactly once");
    return 0;
}
