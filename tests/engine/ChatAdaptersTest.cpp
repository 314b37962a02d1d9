#include "engine/ClaudeTranslationProvider.h"
#include "engine/DefaultPrompts.h"
#include "engine/OllamaTranslationProvider.h"
#include "engine/OpenAICompatibleTranslationProvider.h"
#include "engine/ProviderAdapterFactory.h"
#include "engine/TranslationPromptRenderer.h"
#include "support/Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <tuple>

using namespace ovisu;
using ovisu::test::apiFixture;

namespace {

TranslationProviderConfiguration sampleConfiguration() {
    TranslationProviderConfiguration c;
    c.endpoint = QUrl("https://api.example.test/v1/chat/completions");
    c.apiKey = "sk-test-123456";
    c.model = "model-x";
    c.prompt = "SYSTEM";
    c.temperature = 0.7;
    c.maxTokens = 512;
    c.topP = 0.8;
    c.context = "原文：前\n译文：前";
    c.userPromptTemplate = DefaultPrompts::shortTemplate();
    c.glossary = "アリス=爱丽丝";
    c.workContext = "学園もの";
    c.bilingualProperNouns = false;
    c.streaming = true;
    c.disableThinking = true;
    return c;
}

QJsonObject bodyOf(const RequestResult& request) {
    EXPECT_TRUE(request.has_value());
    if (!request) return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request->body, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << request->body.toStdString();
    return document.object();
}

QString expectedUserMessage(const TranslationProviderConfiguration& c, const QString& text) {
    return TranslationPromptRenderer::render(c.userPromptTemplate, text, c.context, c.glossary, c.workContext,
                                             "日语", "简体中文", c.bilingualProperNouns);
}

std::shared_ptr<const TranslationProviderAdapter> adapterFor(Provider p, const QString& endpoint = {}) {
    auto adapter = providerAdapter(p, endpoint);
    EXPECT_NE(adapter, nullptr);
    return adapter;
}

}  // namespace

TEST(OpenAICompatibleAdapter, ChatCompletionsBodyCarriesEveryFieldAndNoThinkingOutsideDeepSeek) {
    const auto c = sampleConfiguration();
    const auto adapter = adapterFor(Provider::groq);
    const RequestResult request = adapter->makeRequest("こんにちは", c);
    const QJsonObject body = bodyOf(request);

    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->url, c.endpoint);
    EXPECT_DOUBLE_EQ(request->timeoutSeconds, 45);
    EXPECT_EQ(request->header("content-type"), QByteArray("application/json"));
    EXPECT_EQ(request->header("Authorization"), QByteArray("Bearer sk-test-123456"));
    EXPECT_EQ(request->headers.size(), 2);

    EXPECT_EQ(body.value("model").toString(), "model-x");
    EXPECT_DOUBLE_EQ(body.value("temperature").toDouble(), 0.7);
    EXPECT_DOUBLE_EQ(body.value("top_p").toDouble(), 0.8);
    EXPECT_EQ(body.value("max_tokens").toInt(), 512);
    EXPECT_TRUE(body.value("stream").toBool());
    EXPECT_FALSE(body.contains("thinking"));
    EXPECT_FALSE(body.contains("max_output_tokens"));
    EXPECT_FALSE(body.contains("instructions"));

    const QString user = expectedUserMessage(c, "こんにちは");
    EXPECT_EQ(body.value("messages").toArray(), (QJsonArray{QJsonObject{{"role", "system"}, {"content", "SYSTEM"}},
                                                             QJsonObject{{"role", "user"}, {"content", user}}}));
    EXPECT_TRUE(user.contains("アリス → 爱丽丝"));
    EXPECT_TRUE(user.endsWith("こんにちは"));
}

TEST(OpenAICompatibleAdapter, DeepSeekCarriesThinkingSwitchInBothStates) {
    auto c = sampleConfiguration();
    const auto adapter = adapterFor(Provider::deepSeek);
    EXPECT_EQ(bodyOf(adapter->makeRequest("a", c)).value("thinking").toObject().value("type").toString(), "disabled");
    c.disableThinking = false;
    EXPECT_EQ(bodyOf(adapter->makeRequest("a", c)).value("thinking").toObject().value("type").toString(), "enabled");
}

TEST(OpenAICompatibleAdapter, ResponsesBodyUsesInstructionsInputAndOutputTokenLimit) {
    auto c = sampleConfiguration();
    c.disableThinking = false;
    c.streaming = false;
    const auto adapter = adapterFor(Provider::openAI);
    const QJsonObject body = bodyOf(adapter->makeRequest("テスト", c));

    EXPECT_EQ(body.value("model").toString(), "model-x");
    EXPECT_EQ(body.value("instructions").toString(), "SYSTEM");
    EXPECT_TRUE(body.value("input").isString());
    EXPECT_EQ(body.value("input").toString(), expectedUserMessage(c, "テスト"));
    EXPECT_EQ(body.value("max_output_tokens").toInt(), 512);
    EXPECT_EQ(body.value("stream"), QJsonValue(false));
    for (const char* absent : {"thinking", "messages", "max_tokens"}) EXPECT_FALSE(body.contains(absent)) << absent;
}

TEST(OpenAICompatibleAdapter, EmptyKeySendsNoAuthorizationAndEmptyPromptUsesFallback) {
    auto c = sampleConfiguration();
    c.apiKey.clear();
    c.prompt.clear();
    const RequestResult request = adapterFor(Provider::sakura)->makeRequest("x", c);
    EXPECT_FALSE(request->header("Authorization").has_value());
    const QJsonArray messages = bodyOf(request).value("messages").toArray();
    EXPECT_EQ(messages[0].toObject().value("content").toString(), OpenAICompatibleTranslationProvider::fallbackPrompt());
}

TEST(ClaudeAdapter, RequestCarriesVersionKeyAndSystemAsString) {
    auto c = sampleConfiguration();
    c.endpoint = QUrl("https://api.anthropic.com/v1/messages");
    const ClaudeTranslationProvider adapter;
    const RequestResult request = adapter.makeRequest("猫", c);
    const QJsonObject body = bodyOf(request);

    EXPECT_EQ(request->header("x-api-key"), QByteArray("sk-test-123456"));
    EXPECT_EQ(request->header("anthropic-version"), QByteArray("2023-06-01"));
    EXPECT_FALSE(request->header("Authorization").has_value());
    EXPECT_EQ(body.value("system").toString(), "SYSTEM");
    EXPECT_EQ(body.value("max_tokens").toInt(), 512);
    EXPECT_DOUBLE_EQ(body.value("top_p").toDouble(), 0.8);
    EXPECT_TRUE(body.value("stream").toBool());
    EXPECT_EQ(body.value("messages").toArray(),
              (QJsonArray{QJsonObject{{"role", "user"}, {"content", expectedUserMessage(c, "猫")}}}));
    EXPECT_FALSE(body.contains("thinking"));

    // The key header is sent even when empty; the fallback prompt replaces an empty one.
    c.apiKey.clear();
    c.prompt.clear();
    const RequestResult bare = adapter.makeRequest("猫", c);
    EXPECT_EQ(bare->header("x-api-key"), QByteArray(""));
    EXPECT_EQ(bodyOf(bare).value("system").toString(), ClaudeTranslationProvider::fallbackPrompt());
}

TEST(OllamaAdapter, NeverStreamsAndSendsOptionsKeepAliveAndThinkOnlyWhenDisabled) {
    auto c = sampleConfiguration();
    c.endpoint = QUrl("http://127.0.0.1:11434/api/chat");
    const OllamaTranslationProvider adapter;
    const RequestResult request = adapter.makeRequest("やあ", c);
    const QJsonObject body = bodyOf(request);

    EXPECT_EQ(request->header("Content-Type"), QByteArray("application/json; charset=UTF-8"));
    EXPECT_FALSE(request->header("Authorization").has_value());
    EXPECT_EQ(request->headers.size(), 1);
    EXPECT_EQ(body.value("stream"), QJsonValue(false));
    EXPECT_EQ(body.value("keep_alive").toString(), "10m");
    EXPECT_EQ(body.value("options").toObject(), (QJsonObject{{"temperature", 0.7}, {"top_p", 0.8}, {"num_predict", 512}}));
    EXPECT_EQ(body.value("think"), QJsonValue(false));
    EXPECT_EQ(body.value("messages").toArray().size(), 2);

    c.disableThinking = false;
    EXPECT_FALSE(bodyOf(adapter.makeRequest("やあ", c)).contains("think"));
    EXPECT_FALSE(adapter.capabilities().supportsStreaming);
}

// What each chat adapter reads from replies and errors: entries of the wrong type are skipped, not
// fatal; a body of the wrong shape is nothing. The Responses reply falls back to its output list
// only when output_text is empty; Ollama to "response" only when the message is.
TEST(ChatAdapters, ReadTheirRepliesAndErrors) {
    const auto chat = adapterFor(Provider::groq);
    const auto responses = adapterFor(Provider::openAI);
    const ClaudeTranslationProvider claudeAdapter;
    const OllamaTranslationProvider ollamaAdapter;
    const auto* claude = &claudeAdapter;
    const auto* ollama = &ollamaAdapter;
    using Reading = std::tuple<const TranslationProviderAdapter*, QByteArray, std::optional<QString>>;
    const Reading replies[] = {
        {chat.get(), apiFixture("openai_chat_completion_response.json"), "Hello! How can I assist you today?"},
        {chat.get(), R"({"choices":[{"message":{"content":"你"}},{"message":{"content":"好"}}]})", "你好"},
        {chat.get(), R"({"choices":[{"message":{"content":5}},"x",{"message":{"content":"好"}}]})", "好"},
        {chat.get(), R"({"choices":[]})", ""},
        {chat.get(), R"({"choices":{}})", std::nullopt},
        {chat.get(), R"({"id":"x"})", std::nullopt},
        {chat.get(), "<html>502 Bad Gateway</html>", std::nullopt},
        {chat.get(), "[1,2]", std::nullopt},
        {chat.get(), "", std::nullopt},
        {responses.get(), R"({"output_text":"直接","output":[{"content":[{"text":"不用"}]}]})", "直接"},
        {responses.get(), R"({"output_text":"","output":[{"content":[{"text":"甲"},{"text":"乙"}]},{"content":[{"text":"丙"}]}]})",
         "甲乙丙"},
        {responses.get(), R"({"output_text":""})", std::nullopt},
        {responses.get(), R"({"output":"text"})", std::nullopt},
        {claude, apiFixture("anthropic_messages_response.json"), "The weather in SF is currently **20°C** (68°F) and **Sunny**!"},
        {claude, R"({"content":[{"type":"thinking","text":"a"},{"type":"text","text":"b"},{"type":"tool_use"}]})", "ab"},
        {claude, R"({"content":["x"]})", std::nullopt},
        {claude, R"({"content":"x"})", std::nullopt},
        {claude, "not json", std::nullopt},
        {ollama, apiFixture("ollama_chat_response.json"), "Hello! How are you today?"},
        {ollama, R"({"message":{"content":""},"response":"备用"})", "备用"},
        {ollama, R"({"message":{"content":""}})", std::nullopt},
        {ollama, R"({"message":"x"})", std::nullopt},
    };
    for (const auto& [adapter, body, expected] : replies)
        EXPECT_EQ(adapter->parseResponse(body), expected) << adapter->id().toStdString() << " " << body.constData();
    const auto recorded = responses->parseResponse(apiFixture("openai_responses_response.json"));
    ASSERT_TRUE(recorded.has_value());
    EXPECT_TRUE(recorded->startsWith("In a peaceful grove"));
    EXPECT_TRUE(recorded->endsWith("sparkled like stardust."));

    const Reading errors[] = {
        {responses.get(), apiFixture("openai_error_invalid_api_key_401.json"), "invalid_api_key：Incorrect API key provided"},
        {responses.get(), R"({"error":{"type":"server_error","message":"boom"}})", "server_error：boom"},
        {responses.get(), R"({"error":{"message":"only message"}})", "only message"},
        {responses.get(), R"({"error":{"code":42,"type":"t"}})", "t"},
        {responses.get(), R"({"error":"flat","message":"top"})", "top"},
        {responses.get(), R"({"error":{}})", std::nullopt},
        {responses.get(), "Service Unavailable", std::nullopt},
        {claude, R"({"message":"plain"})", "plain"},
        {claude, R"({"error":{"code":1}})", std::nullopt},
        {ollama, apiFixture("ollama_error_model_not_found_404.json"), "model 'llama3.2' not found"},
        {ollama, apiFixture("ollama_error.json"), "the model failed to generate a response"},
        {ollama, R"({"message":"m"})", "m"},
        {ollama, R"({"error":{"message":"nested"}})", std::nullopt},
    };
    for (const auto& [adapter, body, expected] : errors)
        EXPECT_EQ(adapter->parseError(body), expected) << adapter->id().toStdString() << " " << body.constData();
    EXPECT_TRUE(claude->parseError(apiFixture("anthropic_error_rate_limit_429.json"))
                    .value_or("")
                    .startsWith("rate_limit_error：This request would exceed"));
    EXPECT_TRUE(claude->parseError(apiFixture("anthropic_error_invalid_request_400.json"))
                    .value_or("")
                    .startsWith("invalid_request_error：messages.0"));
}

// What an adapter says it can do must agree with the catalogue the settings and the pipeline read:
// a mismatch would stream from a whole-reply service or send a prompt nobody reads.
TEST(ProviderAdapterFactory, CapabilitiesAgreeWithTheCatalogue) {
    for (Provider p : allProviders()) {
        SCOPED_TRACE(caseName(p).toStdString());
        const auto adapter = providerAdapter(p, ProviderCatalogue::defaultEndpoint(p));
        if (p == Provider::systemTranslation) {
            EXPECT_EQ(adapter, nullptr);
            continue;
        }
        ASSERT_NE(adapter, nullptr);
        EXPECT_EQ(adapter->capabilities().supportsStreaming, ProviderCatalogue::streamStyle(p).has_value());
        EXPECT_EQ(adapter->capabilities().supportsPrompt, ProviderCatalogue::isPromptCapable(p));
        EXPECT_FALSE(adapter->capabilities().supportsReasoning);
        EXPECT_FALSE(adapter->capabilities().supportsPrefill);
    }
}

TEST(ProviderAdapterFactory, CustomSourceFollowsItsEndpoint) {
    auto c = sampleConfiguration();
    const auto chat = adapterFor(Provider::custom, "https://x.test/V1/Chat/Completions");
    EXPECT_EQ(chat->id(), "custom");
    EXPECT_TRUE(bodyOf(chat->makeRequest("a", c)).contains("messages"));
    const auto responses = adapterFor(Provider::custom, "https://x.test/v1/responses");
    EXPECT_TRUE(bodyOf(responses->makeRequest("a", c)).contains("instructions"));
}
