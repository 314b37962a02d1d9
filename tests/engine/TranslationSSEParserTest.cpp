#include "engine/TranslationSSEParser.h"
#include "support/Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <random>

using namespace ovisu;
using ovisu::test::apiFixture;
using Event = TranslationStreamEvent;
using Style = TranslationStreamStyle;

namespace ovisu {
void PrintTo(const TranslationStreamEvent& event, std::ostream* os) {
    const char* kind = event.kind == Event::Kind::text ? "text" : event.kind == Event::Kind::error ? "error" : "complete";
    *os << kind << "(" << event.payload.toStdString() << ")";
}
}  // namespace ovisu

namespace {

QList<Event> feedWhole(Style style, const QByteArray& bytes) {
    TranslationSSEParser parser(style);
    QList<Event> events = parser.ingest(bytes);
    events.append(parser.finish());
    return events;
}

// Pieces of 1 to `longest` bytes; a longest of 1 feeds byte by byte.
QList<Event> feedPieces(Style style, const QByteArray& bytes, int longest, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(1, longest);
    TranslationSSEParser parser(style);
    QList<Event> events;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype piece = length(random);
        events.append(parser.ingest(bytes.mid(at, piece)));
        at += piece;
    }
    events.append(parser.finish());
    return events;
}

// The events of a body however the network happens to cut it: whole, byte by byte and in
// random pieces all have to agree.
QList<Event> eventsOf(Style style, const QByteArray& bytes) {
    const QList<Event> whole = feedWhole(style, bytes);
    EXPECT_EQ(feedPieces(style, bytes, 1, 0), whole) << "byte by byte";
    for (unsigned seed : {1u, 7u, 42u, 2024u})
        EXPECT_EQ(feedPieces(style, bytes, 40, seed), whole) << "random pieces, seed " << seed;
    return whole;
}

QString joinedText(const QList<Event>& events) {
    QString text;
    for (const Event& e : events)
        if (e.kind == Event::Kind::text) text += e.payload;
    return text;
}

qsizetype countOf(const QList<Event>& events, Event::Kind kind) {
    return std::count_if(events.begin(), events.end(), [kind](const Event& e) { return e.kind == kind; });
}

// What the chat-completion deltas of an SSE body add up to, read straight from its JSON lines.
QString chatDeltasOf(const QByteArray& body, int* contentChunks) {
    QString text;
    *contentChunks = 0;
    for (const QByteArray& line : body.split('\n')) {
        if (!line.startsWith("data: ") || line.trimmed() == "data: [DONE]") continue;
        const QJsonObject chunk = QJsonDocument::fromJson(line.mid(6)).object();
        for (const QJsonValue& choice : chunk.value("choices").toArray()) {
            const QString content = choice.toObject().value("delta").toObject().value("content").toString();
            if (!content.isEmpty()) ++*contentChunks;
            text += content;
        }
    }
    return text;
}

QByteArray asEventBlock(const QString& fixture) {
    const QJsonObject object = QJsonDocument::fromJson(apiFixture(fixture)).object();
    return "event: " + object.value("type").toString().toUtf8() + "\ndata: " +
           QJsonDocument(object).toJson(QJsonDocument::Compact) + "\n\n";
}

}  // namespace

TEST(TranslationSSEParserFixtures, OpenAIRecordedStreamYieldsEveryDeltaThenFinishes) {
    const QByteArray body = apiFixture("openai_chat_completion_stream_recorded.sse");
    int contentChunks = 0;
    const QString expected = chatDeltasOf(body, &contentChunks);
    ASSERT_GT(contentChunks, 10);

    const QList<Event> events = eventsOf(Style::chatCompletions, body);
    EXPECT_EQ(joinedText(events), expected);
    EXPECT_EQ(countOf(events, Event::Kind::text), contentChunks);  // the role chunk's "" adds no piece
    // finish_reason "stop" and then [DONE]: two ends, both after the last piece.
    ASSERT_EQ(countOf(events, Event::Kind::complete), 2);
    EXPECT_EQ(events[contentChunks], Event::complete());
    EXPECT_EQ(countOf(events, Event::Kind::error), 0);
}

TEST(TranslationSSEParserFixtures, ChatCompletionStreamsCutByLengthAndFromDeepSeek) {
    EXPECT_EQ(eventsOf(Style::chatCompletions, apiFixture("openai_chat_completion_stream_recorded_length.sse")),
              (QList<Event>{Event::text("{\""), Event::complete(), Event::complete()}));

    const QByteArray deepSeek = apiFixture("deepseek_chat_completion_stream_doc.sse");
    int contentChunks = 0;
    const QString expected = chatDeltasOf(deepSeek, &contentChunks);
    EXPECT_EQ(expected, "Hello! How can I assist you today?");
    const QList<Event> events = eventsOf(Style::chatCompletions, deepSeek);
    EXPECT_EQ(joinedText(events), expected);
    EXPECT_EQ(events.size(), contentChunks + 2);
    EXPECT_EQ(events.last(), Event::complete());

    // The body ends in "data: [DONE]\n" with no blank line: only finish() sees that last block.
    TranslationSSEParser parser(Style::chatCompletions);
    EXPECT_EQ(countOf(parser.ingest(deepSeek), Event::Kind::complete), 1);
    EXPECT_EQ(parser.finish(), QList<Event>{Event::complete()});
    EXPECT_TRUE(parser.finish().isEmpty());
}

TEST(TranslationSSEParserFixtures, ResponsesStreamAndEventPayloads) {
    // Lifecycle events and the documentation's elided line are skipped.
    EXPECT_EQ(eventsOf(Style::responses, apiFixture("openai_responses_stream_doc_abbreviated.sse")),
              (QList<Event>{Event::text("Hi"), Event::complete()}));
    EXPECT_EQ(eventsOf(Style::responses, asEventBlock("openai_responses_event_output_text_delta.json")),
              QList<Event>{Event::text("In")});
    EXPECT_EQ(eventsOf(Style::responses, asEventBlock("openai_responses_event_completed.json")),
              QList<Event>{Event::complete()});
    EXPECT_EQ(eventsOf(Style::responses, asEventBlock("openai_responses_event_error.json")),
              QList<Event>{Event::error("Something went wrong")});
    // The failure's reason sits inside "response", not at the top: the generic text stands in.
    EXPECT_EQ(eventsOf(Style::responses, asEventBlock("openai_responses_event_failed.json")),
              QList<Event>{Event::error("Responses 流式请求失败")});
    // Not an end: the stream's close decides what happens with the text so far.
    EXPECT_TRUE(eventsOf(Style::responses, asEventBlock("openai_responses_event_incomplete.json")).isEmpty());

    // A payload spread over several data lines is joined with line breaks before parsing.
    QByteArray multiLine = "event: response.output_text.delta\n";
    for (const QByteArray& line : apiFixture("openai_responses_event_output_text_delta.json").trimmed().split('\n'))
        multiLine += "data: " + line + "\n";
    multiLine += "\n";
    EXPECT_EQ(eventsOf(Style::responses, multiLine), QList<Event>{Event::text("In")});
}

TEST(TranslationSSEParserFixtures, AnthropicStreams) {
    const QByteArray basic = apiFixture("anthropic_messages_stream_basic.sse");
    EXPECT_EQ(eventsOf(Style::claude, basic),
              (QList<Event>{Event::text("Hello"), Event::text(" there"), Event::text("!"), Event::complete()}));
    // No newline after the final message_stop: without finish() the stream never ends.
    TranslationSSEParser parser(Style::claude);
    EXPECT_EQ(countOf(parser.ingest(basic), Event::Kind::complete), 0);
    EXPECT_EQ(parser.finish(), QList<Event>{Event::complete()});

    // The recorded body pads its JSON with spaces before the closing brace.
    const QList<Event> recorded = eventsOf(Style::claude, apiFixture("anthropic_messages_stream_recorded.sse"));
    EXPECT_EQ(joinedText(recorded), "[12345,67890]");
    EXPECT_EQ(countOf(recorded, Event::Kind::text), 4);
    EXPECT_EQ(recorded.last(), Event::complete());

    // An error object wins in every grammar.
    const QByteArray overloaded = apiFixture("anthropic_stream_error_overloaded.sse");
    for (Style style : {Style::claude, Style::chatCompletions, Style::responses})
        EXPECT_EQ(eventsOf(style, overloaded), QList<Event>{Event::error("Overloaded")});
}

TEST(TranslationSSEParserBlocks, SeparatorsAndPackets) {
    const QByteArray one = "data: {\"choices\":[{\"delta\":{\"content\":\"一\"}}]}\n\n";
    const QByteArray two = "data: {\"choices\":[{\"delta\":{\"content\":\"二\"}}]}\n\n";

    TranslationSSEParser parser(Style::chatCompletions);
    EXPECT_EQ(parser.ingest(one + two), (QList<Event>{Event::text("一"), Event::text("二")}));

    // Half an event yields nothing until its separator arrives.
    EXPECT_TRUE(parser.ingest(one.left(20)).isEmpty());
    EXPECT_TRUE(parser.ingest(one.mid(20, one.size() - 21)).isEmpty());
    EXPECT_EQ(parser.ingest("\n"), QList<Event>{Event::text("一")});

    // CR LF framing, with CR LF line ends inside the block.
    const QByteArray crlf = "event: content_block_delta\r\ndata: {\"type\":\"content_block_delta\",\"delta\":"
                            "{\"type\":\"text_delta\",\"text\":\"甲\"}}\r\n\r\nevent: message_stop\r\n"
                            "data: {\"type\":\"message_stop\"}\r\n\r\n";
    EXPECT_EQ(eventsOf(Style::claude, crlf), (QList<Event>{Event::text("甲"), Event::complete()}));

    // Both framings in one body: each block ends at whichever separator comes first.
    const QByteArray mixed = "data: {\"delta\":\"a\"}\r\n\r\ndata: {\"delta\":\"b\"}\n\ndata: {\"delta\":\"c\"}\r\n\r\n";
    EXPECT_EQ(eventsOf(Style::responses, mixed), (QList<Event>{Event::text("a"), Event::text("b"), Event::text("c")}));

    // A separator straddling two pieces is still found.
    TranslationSSEParser straddle(Style::responses);
    EXPECT_TRUE(straddle.ingest("data: {\"delta\":\"x\"}\r\n\r").isEmpty());
    EXPECT_EQ(straddle.ingest("\ndata: {\"delta\":\"y\"}\r"), QList<Event>{Event::text("x")});
    EXPECT_EQ(straddle.ingest("\n\r\n"), QList<Event>{Event::text("y")});
}

TEST(TranslationSSEParserBlocks, MultiByteCharacterSplitAcrossPackets) {
    const QByteArray body = QStringLiteral("data: {\"delta\":\"你好，世界\"}\n\n").toUtf8();
    const qsizetype inside = body.indexOf("\xe5\xa5\xbd") + 1;  // in the middle of 好
    TranslationSSEParser parser(Style::responses);
    EXPECT_TRUE(parser.ingest(body.left(inside)).isEmpty());
    EXPECT_EQ(parser.ingest(body.mid(inside)), QList<Event>{Event::text("你好，世界")});

    // A literal line separator inside a JSON string belongs to the text, not to the framing.
    const QString withSeparator = QStringLiteral("上\u2028下");
    EXPECT_EQ(feedWhole(Style::responses, ("data: {\"delta\":\"" + withSeparator + "\"}\n\n").toUtf8()),
              QList<Event>{Event::text(withSeparator)});
}

TEST(TranslationSSEParserBlocks, ChatCompletionChoices) {
    // Content and finish reason in one chunk, then [DONE] in the same packet: text, end, end.
    EXPECT_EQ(feedWhole(Style::chatCompletions,
                        "data: {\"choices\":[{\"delta\":{\"content\":\"好\"},\"finish_reason\":\"stop\"}]}\n\n"
                        "data: [DONE]\n\n"),
              (QList<Event>{Event::text("好"), Event::complete(), Event::complete()}));
    // Several choices: their pieces form one text; every string finish reason is an end.
    EXPECT_EQ(feedWhole(Style::chatCompletions,
                        "data: {\"choices\":[{\"delta\":{\"content\":\"a\"},\"finish_reason\":null},"
                        "{\"delta\":{\"content\":\"\"}},{\"delta\":{\"content\":\"b\"},\"finish_reason\":\"length\"},"
                        "{\"delta\":{\"content\":7}}]}\n\n"),
              (QList<Event>{Event::text("ab"), Event::complete()}));
    EXPECT_TRUE(feedWhole(Style::chatCompletions, "data: {\"choices\":[]}\n\ndata: {\"id\":\"x\"}\n\n").isEmpty());
}

TEST(TranslationSSEParserBlocks, GrammarRules) {
    // A Claude delta that is not text adds nothing.
    EXPECT_TRUE(feedWhole(Style::claude,
                          "event: content_block_delta\ndata: {\"type\":\"content_block_delta\",\"delta\":"
                          "{\"type\":\"input_json_delta\",\"partial_json\":\"{\\\"a\\\"\"}}\n\n"
                          "data: {\"type\":\"content_block_delta\",\"delta\":{\"type\":\"thinking_delta\",\"thinking\":\"hm\"}}\n\n"
                          "data: {\"type\":\"content_block_delta\",\"delta\":{\"type\":\"text_delta\",\"text\":3}}\n\n"
                          "data: {\"type\":\"content_block_delta\",\"delta\":\"text\"}\n\n")
                    .isEmpty());
    EXPECT_EQ(feedWhole(Style::claude, "data: {\"type\":\"error\",\"message\":\"busy\"}\n\n"),
              QList<Event>{Event::error("busy")});
    EXPECT_EQ(feedWhole(Style::claude, "event: error\ndata: {}\n\n"), QList<Event>{Event::error("Claude 流式请求失败")});

    // Without its own type the event name decides (lines may also end in a lone CR).
    EXPECT_EQ(feedWhole(Style::responses, "event: response.done\ndata: {}\n\n"), QList<Event>{Event::complete()});
    EXPECT_EQ(feedWhole(Style::responses, "event: response.done\rdata: {}\r\n\r\n"), QList<Event>{Event::complete()});
    EXPECT_EQ(feedWhole(Style::responses, "event: response.failed\ndata: {\"message\":\"quota\"}\n\n"),
              QList<Event>{Event::error("quota")});
    EXPECT_EQ(feedWhole(Style::responses, "event: response.completed\ndata: {\"type\":\"response.output_text.delta\",\"delta\":\"z\"}\n\n"),
              QList<Event>{Event::text("z")});
    EXPECT_TRUE(feedWhole(Style::responses, "data: {\"type\":\"response.output_text.delta\",\"delta\":5}\n\n").isEmpty());

    // Error objects, with and without a message, in any grammar.
    EXPECT_EQ(feedWhole(Style::chatCompletions, "data: {\"error\":{\"message\":\"Rate limit\",\"type\":\"x\"}}\n\n"),
              QList<Event>{Event::error("Rate limit")});
    EXPECT_EQ(feedWhole(Style::chatCompletions, "data: {\"error\":{\"code\":500}}\n\n"), QList<Event>{Event::error("流式请求失败")});
    EXPECT_EQ(feedWhole(Style::responses, "data: {\"error\":{\"message\":\"  \"}}\n\n"), QList<Event>{Event::error("流式请求失败")});
    // An error that is not an object is not an error report.
    EXPECT_TRUE(feedWhole(Style::chatCompletions, "data: {\"error\":\"text\",\"choices\":[]}\n\n").isEmpty());
}

TEST(TranslationSSEParserBlocks, NoiseIsSkipped) {
    const QByteArray noise = ": keep-alive comment\n\n"
                             "id: 17\nretry: 100\n\n"
                             "data:\n\n"
                             "event: ping\n\n"
                             "data: not json at all\n\n"
                             "data: [1,2,3]\n\n"
                             "data: {\"choices\":[{\"delta\":{\"content\":\"半\"}\n\n"
                             "\n\n\n";
    for (Style style : {Style::chatCompletions, Style::responses, Style::claude})
        EXPECT_TRUE(eventsOf(style, noise).isEmpty());

    // "data:" needs no space; [DONE] is recognised after trimming.
    EXPECT_EQ(feedWhole(Style::chatCompletions, "data:[DONE]  \n\n"), QList<Event>{Event::complete()});
    EXPECT_EQ(feedWhole(Style::chatCompletions, "data:{\"choices\":[{\"delta\":{\"content\":\"x\"}}]}\n\n"),
              QList<Event>{Event::text("x")});

    TranslationSSEParser parser(Style::responses);
    EXPECT_TRUE(parser.finish().isEmpty());
    EXPECT_TRUE(parser.ingest(" \r\n \t").isEmpty());
    EXPECT_TRUE(parser.finish().isEmpty());
    EXPECT_TRUE(parser.ingest("data: {\"delta\":\"late\"}").isEmpty());
    EXPECT_EQ(parser.finish(), QList<Event>{Event::text("late")});
    EXPECT_TRUE(parser.finish().isEmpty());
}
