#include "support/fake/FloodingServer.h"
#include "base/AppLogger.h"
#include "base/SecretMasking.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "dialogue/DialogueCacheAccess.h"
#include "engine/HttpTransport.h"
#include "engine/LocalCredentialStore.h"
#include "engine/OllamaVersionProbe.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace ovisu;
using fake::FakeService;
using fake::Route;
using fake::ScriptedReply;

namespace {

using test::spin;
using test::waitUntil;

// Records everything the pipeline tells the outside world.
class RecordingClient : public TranslationPipelineClient {
public:
    QList<TranslationOutcome> outcomes;
    QList<std::pair<TranslationActivity, QString>> activities;
    QList<QList<TranslationHistoryRecord>> historySnapshots;
    QStringList translatedSignatures;
    std::optional<QString> candidate;
    const TranslationPipeline* pipeline = nullptr;

    void translationActivityChanged(TranslationActivity activity, const QString& message) override {
        activities.append({activity, message});
    }
    void panelLinesChanged() override {
        if (pipeline) historySnapshots.append(pipeline->panelLines());
    }
    void translationEnded(const TranslationOutcome& outcome) override { outcomes.append(outcome); }
    std::optional<QString> currentCandidateSignature() const override { return candidate; }
    void signatureTranslated(const QString& signature) override { translatedSignatures.append(signature); }
};

class MemoryCache : public DialogueCacheAccess {
public:
    QHash<QString, QString> entries;
    std::optional<QString> resolve(const QString& key) override {
        if (!entries.contains(key)) return std::nullopt;
        return entries.value(key);
    }
    void save(const QString& key, const QString&, const QString& translation) override { entries.insert(key, translation); }
};

ScriptedReply status(int code, QByteArray body = {}) {
    ScriptedReply reply;
    reply.status = code;
    reply.body = std::move(body);
    return reply;
}

ScriptedReply eventStream(QList<QByteArray> chunks, int chunkDelayMs = 0) {
    ScriptedReply reply;
    reply.contentType = "text/event-stream";
    reply.chunks = std::move(chunks);
    reply.chunkDelayMs = chunkDelayMs;
    return reply;
}

class TranslationPipelineTest : public ::testing::Test {
protected:
    FakeService service;
    SettingsStore settings;
    ProviderSelection selection{settings};
    HttpTransport transport;
    MemoryCache cache;
    RecordingClient client;
    std::unique_ptr<TranslationPipeline> pipeline;

    void SetUp() override {
        ASSERT_TRUE(service.isListening());
        pointAtFake(Provider::sakura, "/v1/chat/completions");
        pointAtFake(Provider::groq, "/openai/v1/chat/completions");
        pointAtFake(Provider::claude, "/v1/messages");
        pointAtFake(Provider::openAI, "/v1/responses");
        ASSERT_TRUE(LocalCredentialStore::save("gsk-test", ProviderCatalogue::credentialAccount(Provider::groq)));
        ASSERT_TRUE(LocalCredentialStore::save("sk-ant", ProviderCatalogue::credentialAccount(Provider::claude)));
        ASSERT_TRUE(LocalCredentialStore::save("sk-oai", ProviderCatalogue::credentialAccount(Provider::openAI)));
        ASSERT_TRUE(selection.providerChanged(Provider::sakura));
        makePipeline();
    }

    void makePipeline(LocalServerStartup* ollama = nullptr) {
        pipeline = std::make_unique<TranslationPipeline>(
            TranslationPipeline::Services{settings, selection, transport, &cache, nullptr, ollama}, client);
        pipeline->setRetryDelayScale(0.02);
        client.pipeline = pipeline.get();
    }

    void pointAtFake(Provider provider, const QString& path) {
        ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(provider)),
                                       service.baseUrl() + path));
    }

    const TranslationOutcome& translateAndWait(const QString& text, const QString& signature = "sig") {
        const qsizetype before = client.outcomes.size();
        pipeline->translate(text, signature);
        EXPECT_TRUE(waitUntil([&] { return client.outcomes.size() > before; }, 10000)) << "no outcome for " << text.toStdString();
        static TranslationOutcome none;
        return client.outcomes.size() > before ? client.outcomes.last() : none;
    }

    QJsonObject lastRequestBody() const {
        return QJsonDocument::fromJson(service.requests().last().body).object();
    }
};

}  // namespace

TEST_F(TranslationPipelineTest, TranslatesThroughTheSourceAndRecordsTheResult) {
    const TranslationOutcome& outcome = translateAndWait("今日は\nいい天気");
    ASSERT_TRUE(outcome.succeeded()) << outcome.errorMessage.value_or("").toStdString();
    EXPECT_EQ(outcome.record->translation, service.defaultTranslation());
    EXPECT_EQ(outcome.record->original, "今日は\nいい天気");
    EXPECT_EQ(outcome.providerLabel, "Sakura（本地）");
    EXPECT_FALSE(outcome.cacheHit);
    EXPECT_EQ(outcome.retries, 0);
    EXPECT_TRUE(outcome.duration.has_value());

    // The lines are joined for meaning before they are sent.
    const QString user = lastRequestBody().value("messages").toArray().last().toObject().value("content").toString();
    EXPECT_TRUE(user.endsWith("今日はいい天気")) << user.toStdString();

    ASSERT_EQ(pipeline->panelLines().size(), 1);
    EXPECT_EQ(pipeline->statistics().translationCount, 1);
    EXPECT_EQ(client.translatedSignatures, QStringList{"sig"});
    ASSERT_GE(client.activities.size(), 2);
    EXPECT_EQ(client.activities.first().first, TranslationActivity::translating);
    EXPECT_EQ(client.activities.last().first, TranslationActivity::showingResult);

    // The second request carries the first as context.
    translateAndWait("次の台詞", "sig2");
    const QString second = lastRequestBody().value("messages").toArray().last().toObject().value("content").toString();
    EXPECT_TRUE(second.contains("原文：今日は\nいい天気\n译文：" + service.defaultTranslation())) << second.toStdString();

    // The overlay keeps the newest lines, as many as stored.
    ASSERT_TRUE(settings.setInt(SettingsKeys::overlayHistoryLimit, 2));
    translateAndWait("三行目", "sig3");
    ASSERT_EQ(pipeline->panelLines().size(), 2);
    EXPECT_EQ(pipeline->panelLines().first().original, "次の台詞");
    EXPECT_EQ(pipeline->panelLines().last().original, "三行目");
}

TEST_F(TranslationPipelineTest, RetriesTwiceOnTransientStatusThenSucceeds) {
    service.enqueue(Route::chatCompletions, status(503, R"({"error":{"message":"overloaded"}})"));
    service.enqueue(Route::chatCompletions, status(503));
    const TranslationOutcome& outcome = translateAndWait("もう一度");
    ASSERT_TRUE(outcome.succeeded());
    EXPECT_EQ(outcome.retries, 2);
    EXPECT_EQ(service.requestCount(), 3);
    const QString log = AppLogger::shared().combinedText();
    EXPECT_TRUE(log.contains("[WARN] [translation] 临时错误，0.8 秒后第 1 次重试：overloaded")) << log.right(600).toStdString();
    EXPECT_TRUE(log.contains("[WARN] [translation] 临时错误，2.0 秒后第 2 次重试：HTTP 503"));
}

// The guide's wording is its own suite's; here, that the outcome, the activity and the last error
// carry it after the retries, and that a refused key is not retried.
TEST_F(TranslationPipelineTest, FailuresReportTheGuideMessageAndOnlyTransientOnesAreRetried) {
    // A body that is no error object adds nothing: the detail is just "HTTP 503".
    for (int i = 0; i < 3; ++i) service.enqueue(Route::chatCompletions, status(503, "<html>busy</html>"));
    const TranslationOutcome& outcome = translateAndWait("だめ", "a");
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_EQ(service.requestCount(), 3);
    EXPECT_EQ(outcome.errorMessage,
              "Sakura（本地）：服务端暂时异常（HTTP 503）。配置通常没有问题，请稍后重试并查看服务状态。");
    EXPECT_EQ(client.activities.last().first, TranslationActivity::error);
    EXPECT_EQ(pipeline->lastErrorMessage(), outcome.errorMessage);

    service.enqueue(Route::chatCompletions, status(401));
    const TranslationOutcome& unauthorised = translateAndWait("b", "b");
    EXPECT_EQ(unauthorised.errorMessage,  // an empty body adds no tail
              "Sakura（本地）：鉴权失败（HTTP 401）。API Key/密钥可能错误、过期或粘贴了多余空格，请重新复制并测试连接。");
    EXPECT_EQ(unauthorised.httpStatus, 401);
    EXPECT_EQ(unauthorised.retries, 0);
    EXPECT_EQ(service.requestCount(), 4);
}

TEST_F(TranslationPipelineTest, TransportErrorsReachTheGuideForLocalAndCloudSources) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    const QString deadEndpoint = QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(port);
    ASSERT_TRUE(settings.setString("endpoint.9", deadEndpoint));
    ASSERT_TRUE(settings.setString("endpoint.22", deadEndpoint));

    const TranslationOutcome& local = translateAndWait("ローカル", "l");
    EXPECT_EQ(local.errorMessage,
              "Sakura（本地）：无法连接本地服务。原因通常是模型未启动、外接磁盘未连接或端口被占用。请在翻译服务配置中启动本地模型，并检查 127.0.0.1:8080。");
    EXPECT_EQ(local.retries, 2);  // cannot connect is worth two more tries

    ASSERT_TRUE(selection.providerVisibilityChanged(Provider::groq, true) == ProviderSelection::VisibilityChange::applied);
    ASSERT_TRUE(selection.providerChanged(Provider::groq));
    const TranslationOutcome& cloud = translateAndWait("クラウド", "c");
    EXPECT_EQ(cloud.errorMessage, "Groq（API）：翻译失败。原因：Could not connect to the server. (-1004)");
}

TEST_F(TranslationPipelineTest, FallsBackOncePerTextAndNeverToItself) {
    ASSERT_TRUE(settings.setBool("automaticFallbackEnabled", true));
    ASSERT_TRUE(settings.setInt("fallbackProvider", rawValue(Provider::groq)));  // not enabled yet
    for (int i = 0; i < 3; ++i) service.enqueue(Route::chatCompletions, status(503));
    const TranslationOutcome& rescued = translateAndWait("助けて", "f1");
    ASSERT_TRUE(rescued.succeeded()) << rescued.errorMessage.value_or("").toStdString();
    EXPECT_EQ(rescued.providerLabel, "Groq（API）");
    EXPECT_EQ(selection.currentProvider(), Provider::groq);
    EXPECT_TRUE(selection.enabledProviders().contains(Provider::groq));
    EXPECT_EQ(client.outcomes.size(), 1);  // the failed first attempt is not reported
    EXPECT_EQ(lastRequestBody().value("model").toString(), "llama-3.3-70b-versatile");
    EXPECT_TRUE(AppLogger::shared().combinedText().contains("Sakura（本地） 失败，切换备用翻译源 Groq（API）：HTTP 503"));

    // Now Groq is current and is its own fallback: a failure is reported, not looped.
    for (int i = 0; i < 3; ++i) service.enqueue(Route::chatCompletions, status(502));
    const TranslationOutcome& failed = translateAndWait("次", "f2");
    EXPECT_FALSE(failed.succeeded());
    EXPECT_EQ(service.requestCount(), 3 + 1 + 3);
}

TEST_F(TranslationPipelineTest, ASecondFailureOfTheSameTextAfterFallbackIsReported) {
    ASSERT_TRUE(settings.setBool("automaticFallbackEnabled", true));
    ASSERT_TRUE(settings.setInt("fallbackProvider", rawValue(Provider::groq)));
    for (int i = 0; i < 6; ++i) service.enqueue(Route::chatCompletions, status(503));
    const TranslationOutcome& outcome = translateAndWait("二度目", "same");
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_TRUE(outcome.errorMessage->startsWith("Groq（API）：服务端暂时异常（HTTP 503）"));
    EXPECT_EQ(service.requestCount(), 6);
    EXPECT_EQ(client.outcomes.size(), 1);
}

TEST_F(TranslationPipelineTest, LateResultsAfterAContextResetChangeNothing) {
    ScriptedReply slow;
    slow.delayMs = 300;
    service.enqueue(Route::chatCompletions, slow);
    pipeline->translate("遅い返事", "slow");
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() == 1; }));
    pipeline->resetTranslationContext();
    spin(700);
    EXPECT_TRUE(client.outcomes.isEmpty());
    EXPECT_TRUE(pipeline->panelLines().isEmpty());
    EXPECT_FALSE(pipeline->isRequestInFlight());
}

TEST_F(TranslationPipelineTest, ResultsForTextNoLongerOnScreenAreDropped) {
    client.candidate = QStringLiteral("something else now");
    pipeline->translate("消えた台詞", "gone");
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() == 1; }));
    spin(300);
    EXPECT_TRUE(client.outcomes.isEmpty());
    // Clipboard requests are not tied to the screen.
    pipeline->translate("コピー", "コピー", TranslationPipeline::ScreenCheck::none);
    ASSERT_TRUE(waitUntil([&] { return !client.outcomes.isEmpty(); }));
    EXPECT_TRUE(client.outcomes.last().succeeded());
}

TEST_F(TranslationPipelineTest, ANearlyIdenticalTextWhileInFlightSendsNothing) {
    ScriptedReply slow;
    slow.delayMs = 300;
    service.enqueue(Route::chatCompletions, slow);
    pipeline->translate("今日はとてもいい天気ですね", "今日はとてもいい天気ですね");
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() == 1; }));
    pipeline->translate("今日はとてもいい天気ですね。", "今日はとてもいい天気ですね。");  // 12/13 alike
    ASSERT_TRUE(waitUntil([&] { return !client.outcomes.isEmpty(); }));
    spin(200);
    EXPECT_EQ(service.requestCount(), 1);
    EXPECT_EQ(client.outcomes.size(), 1);
    EXPECT_EQ(client.outcomes.first().original, "今日はとてもいい天気ですね");
}

TEST_F(TranslationPipelineTest, RepeatedLinesAreAnsweredFromTheCache) {
    translateAndWait("おはよう", "o1");
    const TranslationOutcome& again = translateAndWait("おはよう！", "o2");  // same comparison form
    EXPECT_TRUE(again.cacheHit);
    EXPECT_EQ(again.providerLabel, "Sakura（本地） · 本地缓存");
    EXPECT_EQ(again.record->translation, service.defaultTranslation());
    EXPECT_EQ(service.requestCount(), 1);
    // A different model is a different key.
    ASSERT_TRUE(settings.setString("model.9", "another-model"));
    EXPECT_FALSE(translateAndWait("おはよう", "o3").cacheHit);
    EXPECT_EQ(service.requestCount(), 2);
}

TEST_F(TranslationPipelineTest, StreamingPreviewGrowsAndIsReplacedInPlace) {
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    service.enqueue(Route::chatCompletions, eventStream(FakeService::chatCompletionsStream({"早上", "好，", "世界"}), 60));

    const TranslationOutcome& outcome = translateAndWait("おはよう世界");
    ASSERT_TRUE(outcome.succeeded()) << outcome.errorMessage.value_or("").toStdString();
    EXPECT_EQ(outcome.record->translation, "早上好，世界");
    EXPECT_TRUE(lastRequestBody().value("stream").toBool());

    QList<QString> previews;
    for (const auto& snapshot : client.historySnapshots)
        if (snapshot.size() == 1 && snapshot.first().provider == "Sakura（本地） · 流式生成中")
            previews.append(snapshot.first().translation);
    ASSERT_GE(previews.size(), 2);
    EXPECT_EQ(previews.first(), "早上");
    ASSERT_EQ(pipeline->panelLines().size(), 1);
    EXPECT_EQ(pipeline->panelLines().first().id, client.historySnapshots.first().first().id);
    EXPECT_EQ(pipeline->panelLines().first().provider, "Sakura（本地）");
}

TEST_F(TranslationPipelineTest, AStreamedLineThatRestatesThePreviousOneReplacesIt) {
    translateAndWait("今日はとてもいい天気ですね。", "first");
    ASSERT_EQ(pipeline->panelLines().size(), 1);
    // Another model, so the line is not answered from the cache; the reply is the same text.
    ASSERT_TRUE(settings.setString("model.9", "another-model"));
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    service.enqueue(Route::chatCompletions, eventStream(FakeService::chatCompletionsStream({"你好，", "世界"}), 40));

    const TranslationOutcome& outcome = translateAndWait("今日はとてもいい天気ですね", "second");
    ASSERT_TRUE(outcome.succeeded()) << outcome.errorMessage.value_or("").toStdString();
    EXPECT_FALSE(outcome.cacheHit);
    ASSERT_EQ(pipeline->panelLines().size(), 1);
    EXPECT_EQ(pipeline->panelLines().first().original, "今日はとてもいい天気ですね");
    EXPECT_EQ(pipeline->panelLines().first().provider, "Sakura（本地）");
}

TEST_F(TranslationPipelineTest, AFailedStreamRemovesItsPreview) {
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    service.enqueue(Route::chatCompletions, eventStream({"data: {\"choices\":[{\"delta\":{\"content\":\"半分\"}}]}\n\n",
                                                         "data: {\"error\":{\"message\":\"model crashed\"}}\n\n"},
                                                        80));
    const TranslationOutcome& outcome = translateAndWait("途中で");
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_TRUE(outcome.errorMessage->contains("model crashed"));
    EXPECT_TRUE(std::any_of(client.historySnapshots.begin(), client.historySnapshots.end(),
                            [](const auto& s) { return !s.isEmpty(); }));
    EXPECT_TRUE(pipeline->panelLines().isEmpty());
    EXPECT_EQ(service.requestCount(), 1);  // streams are not retried
}

TEST_F(TranslationPipelineTest, AStreamedResultDroppedForAnOutdatedScreenLeavesNothingInFlight) {
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    service.enqueue(Route::chatCompletions, eventStream(FakeService::chatCompletionsStream({"今天", "天气很好"}), 30));

    // The detector already holds another candidate when the stream ends: the result is dropped.
    client.candidate = QStringLiteral("a line read while the stream was running");
    pipeline->translate("今日はとてもいい天気ですね", "今日はとてもいい天気ですね");
    ASSERT_TRUE(waitUntil([&] { return !pipeline->isRequestInFlight(); }));
    EXPECT_TRUE(client.outcomes.isEmpty());
    EXPECT_TRUE(pipeline->panelLines().isEmpty());  // the preview went with it
    EXPECT_NE(client.activities.last().first, TranslationActivity::translating);

    // The next, nearly identical line is sent and shown, not taken for the dropped one.
    const QString next = "今日はとてもいい天気ですね。";
    client.candidate = next;
    const TranslationOutcome& outcome = translateAndWait(next, next);
    ASSERT_TRUE(outcome.succeeded()) << outcome.errorMessage.value_or("").toStdString();
    EXPECT_EQ(service.requestCount(), 2);
    EXPECT_EQ(client.activities.last().first, TranslationActivity::showingResult);
}

TEST_F(TranslationPipelineTest, AKeyEchoedByTheServiceIsMaskedInEveryErrorText) {
    const QString key = "gsk-live-0123456789abcdefXYZ";
    ASSERT_TRUE(LocalCredentialStore::save(key, ProviderCatalogue::credentialAccount(Provider::groq)));
    ASSERT_EQ(selection.providerVisibilityChanged(Provider::groq, true), ProviderSelection::VisibilityChange::applied);
    ASSERT_TRUE(selection.providerChanged(Provider::groq));
    const QString masked = maskedSecret(key);
    const auto echoing = [&](int code) {
        return status(code, QJsonDocument(QJsonObject{{"error", QJsonObject{{"message", "rejected key " + key}}}}).toJson());
    };
    const auto expectMasked = [&](const QString& text) {
        EXPECT_FALSE(text.contains(key)) << text.toStdString();
        EXPECT_TRUE(text.contains("rejected key " + masked)) << text.toStdString();
    };

    // Whole replies: the retries' log lines, the outcome, the status line and the last error.
    AppLogger::shared().clear();
    for (int i = 0; i < 3; ++i) service.enqueue(Route::chatCompletions, echoing(503));
    const TranslationOutcome& retried = translateAndWait("鍵", "k1");
    ASSERT_FALSE(retried.succeeded());
    expectMasked(retried.errorDetail.value_or(""));
    expectMasked(retried.errorMessage.value_or(""));
    expectMasked(client.activities.last().second);
    expectMasked(pipeline->lastErrorMessage().value_or(""));
    const QString log = AppLogger::shared().combinedText();
    EXPECT_TRUE(log.contains("次重试：rejected key " + masked)) << log.right(400).toStdString();
    EXPECT_FALSE(log.contains(key));

    service.enqueue(Route::chatCompletions, echoing(401));
    const TranslationOutcome& refused = translateAndWait("鍵を", "k2");
    EXPECT_EQ(refused.httpStatus, 401);
    expectMasked(refused.errorMessage.value_or(""));

    // A streamed request's error body.
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    service.enqueue(Route::chatCompletions, echoing(401));
    const TranslationOutcome& streamed = translateAndWait("鍵をください", "k3");
    EXPECT_TRUE(lastRequestBody().value("stream").toBool());
    expectMasked(streamed.errorDetail.value_or(""));
    expectMasked(streamed.errorMessage.value_or(""));
}

TEST_F(TranslationPipelineTest, AStreamThatNeverEndsAnEventIsStoppedWithAClearError) {
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    test::FloodingServer endless("text/event-stream", 8 * kMaximumReplyBytes);
    ASSERT_TRUE(settings.setString("endpoint.9", endless.url("/v1/chat/completions").toString()));
    const TranslationOutcome& outcome = translateAndWait("終わらない");
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_TRUE(outcome.errorMessage->contains("服务返回的数据过大（超过 8 MiB），已中止")) << outcome.errorMessage->toStdString();
    EXPECT_FALSE(pipeline->isRequestInFlight());
}

TEST_F(TranslationPipelineTest, ClaudeAndResponsesStreamsEndWithoutTheirTerminator) {
    ASSERT_TRUE(settings.setBool("translationStreamingEnabled", true));
    ASSERT_TRUE(selection.providerChanged(Provider::claude));
    service.enqueue(Route::anthropicMessages, eventStream(FakeService::anthropicStream({"你", "好"}, true, false)));
    EXPECT_EQ(translateAndWait("こんにちは", "c").record->translation, "你好");

    ASSERT_TRUE(selection.providerChanged(Provider::openAI));
    service.enqueue(Route::responses, eventStream(FakeService::responsesStream({"再", "见"}, false, false), 30));
    EXPECT_EQ(translateAndWait("さようなら", "r").record->translation, "再见");
}

TEST_F(TranslationPipelineTest, OllamaSourcesWaitForTheServer) {
    pointAtFake(Provider::ollamaLocal, "/api/chat");
    ASSERT_EQ(selection.providerVisibilityChanged(Provider::ollamaLocal, true), ProviderSelection::VisibilityChange::applied);
    ASSERT_TRUE(selection.providerChanged(Provider::ollamaLocal));
    OllamaVersionProbe probe(transport);
    makePipeline(&probe);
    const TranslationOutcome& outcome = translateAndWait("やあ");
    ASSERT_TRUE(outcome.succeeded());
    ASSERT_EQ(service.requestCount(), 2);
    EXPECT_EQ(service.requests().first().path, "/api/version");
    EXPECT_TRUE(probe.isReady(QUrl(service.baseUrl())));

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl dead(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();
    ASSERT_TRUE(settings.setString("endpoint.15", dead.toString() + "/api/chat"));
    pipeline->translate("やあ", "down");
    ASSERT_TRUE(waitUntil([&] { return client.activities.last().first == TranslationActivity::error; }));
    EXPECT_EQ(client.activities.last().second, "Ollama（本地）：" + OllamaVersionProbe::notRunningMessage());
    EXPECT_EQ(service.requestCount(), 2);
}

TEST_F(TranslationPipelineTest, SystemTranslatorAbsentOnLinuxFailsWithItsMessage) {
    ASSERT_EQ(selection.providerVisibilityChanged(Provider::systemTranslation, true), ProviderSelection::VisibilityChange::applied);
    ASSERT_TRUE(selection.providerChanged(Provider::systemTranslation));
    const TranslationOutcome& outcome = translateAndWait("こんにちは");
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_TRUE(outcome.errorMessage->contains("系统翻译失败：当前 Linux 系统没有可用的系统翻译框架")) << outcome.errorMessage->toStdString();
    EXPECT_EQ(service.requestCount(), 0);
}
