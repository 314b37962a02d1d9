#include "engine/OpenAICompatibleTranslationProvider.h"
#include "engine/TranslationStreamDelegate.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ovisu;
using ovisu::test::apiFixture;

namespace {

struct Finish {
    std::optional<QString> text;
    std::optional<QString> error;
    std::optional<int> status;
    bool operator==(const Finish&) const = default;
};

void PrintTo(const Finish& f, std::ostream* os) {
    *os << "text " << f.text.value_or("(none)").toStdString() << ", error " << f.error.value_or("(none)").toStdString()
        << ", status " << (f.status ? std::to_string(*f.status) : "(none)");
}

using Finishes = QList<Finish>;

// Records what a delegate reports; the parsed error comes from the real OpenAI adapter.
struct Recorder {
    QStringList deltas;
    QList<Finish> finishes;
    std::unique_ptr<TranslationStreamDelegate> delegate;

    explicit Recorder(TranslationStreamStyle style) {
        auto adapter = std::make_shared<OpenAICompatibleTranslationProvider>(
            "openAI", "OpenAI", OpenAICompatibleTranslationProvider::ProtocolStyle::chatCompletions,
            TranslationCapabilities{});
        delegate = std::make_unique<TranslationStreamDelegate>(
            style, [adapter](const QByteArray& body) { return adapter->parseError(body); },
            [this](const QString& accumulated) { deltas.append(accumulated); },
            [this](std::optional<QString> text, std::optional<QString> error, std::optional<int> status) {
                finishes.append({std::move(text), std::move(error), status});
            });
    }
};

QByteArray chatChunk(const QString& content, const char* finishReason = nullptr) {
    QByteArray reason = finishReason ? QByteArray("\"") + finishReason + "\"" : QByteArray("null");
    return "data: {\"choices\":[{\"delta\":{\"content\":\"" + content.toUtf8() + "\"},\"finish_reason\":" + reason +
           "}]}\n\n";
}

}  // namespace

TEST(TranslationStreamDelegate, ErrorStatusKeepsTheBodyAsideAndFinishesWithTheParsedError) {
    const QByteArray body = apiFixture("openai_error_invalid_api_key_401.json");
    Recorder r(TranslationStreamStyle::chatCompletions);
    r.delegate->didReceiveResponse(401);
    r.delegate->didReceiveData(body.left(20));
    r.delegate->didReceiveData(body.mid(20));
    EXPECT_FALSE(r.delegate->finished());
    r.delegate->didComplete(std::nullopt);
    EXPECT_TRUE(r.deltas.isEmpty());
    ASSERT_EQ(r.finishes.size(), 1);
    EXPECT_EQ(r.finishes[0].text, std::nullopt);
    EXPECT_EQ(r.finishes[0].status, 401);
    ASSERT_TRUE(r.finishes[0].error.has_value());
    EXPECT_TRUE(r.finishes[0].error->contains("Incorrect API key provided")) << r.finishes[0].error->toStdString();

    // Nothing the adapter can read: the status speaks for itself. Even a body that looks like
    // events is the service's explanation, not output.
    Recorder bare(TranslationStreamStyle::chatCompletions);
    bare.delegate->didReceiveResponse(503);
    bare.delegate->didReceiveData(chatChunk("不是译文", "stop"));
    bare.delegate->didReceiveData("data: [DONE]\n\n");
    EXPECT_FALSE(bare.delegate->finished());
    bare.delegate->didComplete(std::nullopt);
    EXPECT_TRUE(bare.deltas.isEmpty());
    EXPECT_EQ(bare.finishes, (Finishes{{std::nullopt, "HTTP 503", 503}}));

    // A delegate without an error parser still ends cleanly.
    std::optional<QString> error;
    TranslationStreamDelegate noParser(TranslationStreamStyle::claude, nullptr, nullptr,
                                       [&](auto, std::optional<QString> e, auto) { error = e; });
    noParser.didReceiveResponse(401);
    noParser.didReceiveData("{}");
    noParser.didComplete(std::nullopt);
    EXPECT_EQ(error, QString("HTTP 401"));
}

TEST(TranslationStreamDelegate, DeltasCarryTheWholeTextAndOnlyTheFirstEndCounts) {
    Recorder r(TranslationStreamStyle::chatCompletions);
    r.delegate->didReceiveResponse(200);
    r.delegate->didReceiveData(chatChunk("你") + chatChunk("好").left(10));
    r.delegate->didReceiveData(chatChunk("好").mid(10));
    EXPECT_EQ(r.deltas, (QStringList{"你", "你好"}));

    // Content with a finish reason, then [DONE] in the same packet: one end, with the text.
    r.delegate->didReceiveData(chatChunk("。", "stop") + "data: [DONE]\n\n");
    EXPECT_EQ(r.finishes, (Finishes{{"你好。", std::nullopt, 200}}));

    // Anything after the end is ignored: more text, errors, the transfer's own end.
    r.delegate->didReceiveData(chatChunk("多余"));
    r.delegate->didReceiveData("data: {\"error\":{\"message\":\"late\"}}\n\n");
    r.delegate->didComplete(QString("The network connection was lost. (-1005)"));
    EXPECT_EQ(r.finishes, (Finishes{{"你好。", std::nullopt, 200}}));
    EXPECT_EQ(r.deltas.size(), 3);
    EXPECT_EQ(r.delegate->accumulated(), "你好。");
}

TEST(TranslationStreamDelegate, StreamErrorsAndTransportErrorsEndWithoutText) {
    Recorder r(TranslationStreamStyle::claude);
    r.delegate->didReceiveResponse(200);
    const QByteArray basic = apiFixture("anthropic_messages_stream_basic.sse");
    r.delegate->didReceiveData(basic.left(basic.indexOf("event: content_block_stop")));
    EXPECT_EQ(r.deltas, (QStringList{"Hello", "Hello there", "Hello there!"}));
    r.delegate->didReceiveData(apiFixture("anthropic_stream_error_overloaded.sse"));
    EXPECT_EQ(r.finishes, (Finishes{{std::nullopt, "Overloaded", 200}}));

    // A transport failure after some text: the text does not pass for a translation.
    Recorder cut(TranslationStreamStyle::responses);
    cut.delegate->didReceiveResponse(200);
    cut.delegate->didReceiveData("data: {\"type\":\"response.output_text.delta\",\"delta\":\"半句\"}\n\n");
    cut.delegate->didComplete(QString("The network connection was lost. (-1005)"));
    EXPECT_EQ(cut.deltas, QStringList{"半句"});
    EXPECT_EQ(cut.finishes, (Finishes{{std::nullopt, "The network connection was lost. (-1005)", 200}}));

    // No head at all (connection refused): no status.
    Recorder refused(TranslationStreamStyle::responses);
    refused.delegate->didComplete(QString("Could not connect to the server. (-1004)"));
    EXPECT_EQ(refused.finishes, (Finishes{{std::nullopt, "Could not connect to the server. (-1004)", std::nullopt}}));
}

TEST(TranslationStreamDelegate, StreamClosedWithoutTerminatorStillFinishes) {
    // Deltas, no response.completed, and the last block left without its blank line.
    Recorder r(TranslationStreamStyle::responses);
    r.delegate->didReceiveResponse(200);
    r.delegate->didReceiveData("data: {\"type\":\"response.output_text.delta\",\"delta\":\"早上\"}\n\n"
                               "data: {\"type\":\"response.output_text.delta\",\"delta\":\"好\"}");
    EXPECT_EQ(r.deltas, QStringList{"早上"});
    r.delegate->didComplete(std::nullopt);
    EXPECT_EQ(r.deltas, (QStringList{"早上", "早上好"}));
    EXPECT_EQ(r.finishes, (Finishes{{"早上好", std::nullopt, 200}}));

    // The last block is the end itself (Claude's fixture has no trailing newline).
    Recorder claude(TranslationStreamStyle::claude);
    claude.delegate->didReceiveResponse(200);
    claude.delegate->didReceiveData(apiFixture("anthropic_messages_stream_basic.sse"));
    EXPECT_TRUE(claude.finishes.isEmpty());
    claude.delegate->didComplete(std::nullopt);
    EXPECT_EQ(claude.finishes, (Finishes{{"Hello there!", std::nullopt, 200}}));

    // Nothing at all: an end without text, and without an error.
    Recorder empty(TranslationStreamStyle::chatCompletions);
    empty.delegate->didReceiveResponse(200);
    empty.delegate->didReceiveData(": keep-alive\n\n");
    empty.delegate->didComplete(std::nullopt);
    EXPECT_EQ(empty.finishes, (Finishes{{std::nullopt, std::nullopt, 200}}));
}

TEST(TranslationStreamDelegate, TheReceiverMayReleaseTheDelegateWhenItFinishes) {
    // The controller drops the delegate from inside onFinish; the rest of the batch must not
    // touch it. (Run under the address sanitizer this catches a use after free.)
    for (const QByteArray& tail : {QByteArray("data: [DONE]\n\ndata: [DONE]\n\n"), QByteArray("data: [DONE]")}) {
        std::unique_ptr<TranslationStreamDelegate> delegate;
        int finishes = 0;
        delegate = std::make_unique<TranslationStreamDelegate>(
            TranslationStreamStyle::chatCompletions, nullptr, nullptr, [&](auto, auto, auto) {
                ++finishes;
                delegate.reset();
            });
        delegate->didReceiveResponse(200);
        delegate->didReceiveData(chatChunk("x"));
        delegate->didReceiveData(tail);
        if (delegate) delegate->didComplete(std::nullopt);
        EXPECT_EQ(finishes, 1);
        EXPECT_EQ(delegate, nullptr);
    }
}
