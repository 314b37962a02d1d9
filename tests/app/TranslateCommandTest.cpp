#include "base/SettingsStore.h"
#include "history/TranslationHistoryStore.h"
#include "engine/LocalCredentialStore.h"
#include "support/OvisuProcess.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace ovisu;
using fake::FakeService;
using fake::Route;
using fake::ScriptedReply;
using test::ProgramRun;
using test::runOvisu;

namespace {

class TranslateCommandTest : public ::testing::Test {
protected:
    FakeService service;

    void SetUp() override {
        ASSERT_TRUE(service.isListening());
        SettingsStore settings;
        ASSERT_TRUE(settings.setString("endpoint.1", service.baseUrl() + "/v1/responses"));
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(LocalCredentialStore::save("sk-e2e-0123456789", "ChatGPT / OpenAI"));
    }

    static QJsonObject json(const ProgramRun& run) { return QJsonDocument::fromJson(run.out.toUtf8()).object(); }
    static ScriptedReply unavailable() {
        ScriptedReply reply;
        reply.status = 503;
        reply.body = R"({"error":{"message":"The server is overloaded"}})";
        return reply;
    }
};

}  // namespace

TEST_F(TranslateCommandTest, TranslatesThroughTheFakeServiceAndKeepsHistoryAndCache) {
    ProgramRun run = runOvisu({"translate", "--provider", "1", "こんにちは"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "你好，世界\n");
    ASSERT_EQ(service.requestCount(), 1);
    EXPECT_EQ(service.requests().first().path, "/v1/responses");
    const QJsonObject body = QJsonDocument::fromJson(service.requests().first().body).object();
    EXPECT_TRUE(body.value("input").toString().endsWith("こんにちは"));

    const QList<TranslationHistoryRecord> history = TranslationHistoryStore().load();
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history.first().original, "こんにちは");
    EXPECT_EQ(history.first().provider, "OpenAI（API）");

    // The same line again comes from the cache, without a request.
    run = runOvisu({"translate", "--provider", "openAI", "--json", "こんにちは。"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(json(run).value("cacheHit").toBool());
    EXPECT_EQ(json(run).value("provider").toString(), "OpenAI（API） · 本地缓存");
    EXPECT_EQ(service.requestCount(), 1);

    // --provider applies to this run only; the stored current source stays as it was.
    EXPECT_FALSE(SettingsStore().contains("provider"));
}

TEST_F(TranslateCommandTest, RetriesTwiceAfter503AndReportsItInJson) {
    service.enqueue(Route::responses, unavailable());
    service.enqueue(Route::responses, unavailable());
    const ProgramRun run = runOvisu({"translate", "--provider", "1", "--json", "リトライ"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject result = json(run);
    EXPECT_EQ(result.value("translation").toString(), "你好，世界");
    EXPECT_EQ(result.value("retries").toInt(), 2);
    EXPECT_EQ(result.value("httpStatus").toInt(), 200);
    EXPECT_TRUE(result.value("error").isNull());
    EXPECT_EQ(service.requestCount(), 3);
}

TEST_F(TranslateCommandTest, FailureShowsTheGuideMessageWithNonZeroStatus) {
    for (int i = 0; i < 3; ++i) service.enqueue(Route::responses, unavailable());
    ProgramRun run = runOvisu({"translate", "--provider", "1", "失敗"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err.trimmed(),
              "OpenAI（API）：服务端暂时异常（HTTP 503）。配置通常没有问题，请稍后重试并查看服务状态。 服务返回：The server is overloaded");

    // A source that cannot start says why and sends nothing.
    run = runOvisu({"translate", "--provider", "claude", "--json", "鍵なし"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(json(run).value("error").toString().contains("缺少API Key"));
    EXPECT_EQ(service.requestCount(), 3);
    EXPECT_EQ(runOvisu({"translate", "--provider", "1"}).exitCode, 2);  // no text
}

TEST_F(TranslateCommandTest, StreamsFromStandardInputAndPrintsTheFinalText) {
    ScriptedReply stream;
    stream.chunks = FakeService::chatCompletionsStream({"早上", "好"});
    stream.chunkDelayMs = 50;
    service.enqueue(Route::chatCompletions, stream);
    const ProgramRun run = runOvisu({"translate", "--provider", "sakura", "--stream", "-"}, "おはよう\n");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "早上好\n");
    EXPECT_TRUE(run.err.startsWith("早上")) << run.err.toStdString();  // the growing text, on standard error
    EXPECT_TRUE(QJsonDocument::fromJson(service.requests().first().body).object().value("stream").toBool());
}
