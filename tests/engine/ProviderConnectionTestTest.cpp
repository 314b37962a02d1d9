#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/LocalCredentialStore.h"
#include "engine/LocalServerStartup.h"
#include "engine/OllamaVersionProbe.h"
#include "engine/ProviderConnectionTest.h"
#include "engine/ProviderSettings.h"
#include "engine/SystemTranslator.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace ovisu;
using fake::FakeService;
using fake::Route;
using fake::ScriptedReply;
using test::spin;
using test::waitUntil;

namespace {

// Every status text of one test, in order.
struct StatusLog {
    QStringList texts;
    QList<ConnectionTestState> states;

    ProviderConnectionTest::StatusHandler handler() {
        return [this](const QString& text, ConnectionTestState state) {
            texts << text;
            states << state;
        };
    }
    bool finished() const { return !states.isEmpty() && states.last() != ConnectionTestState::running; }
    QString last() const { return texts.isEmpty() ? QString() : texts.last(); }
};

// Holds its completions until the test releases them.
struct HeldSystemTranslator final : SystemTranslator {
    QStringList texts;
    QList<Completion> completions;
    void translate(const QString& text, Completion completion) override {
        texts << text;
        completions << std::move(completion);
    }
};

struct ManualOllamaStartup final : LocalServerStartup {
    bool ready = false;
    QList<Callback> callbacks;
    QList<QUrl> serversAsked;
    bool isReady(const QUrl&) const override { return ready; }
    void whenReady(const QUrl& server, Callback callback) override {
        serversAsked << server;
        callbacks << std::move(callback);
    }
    void finish(std::optional<QString> error) {
        ready = !error;
        for (const Callback& callback : std::exchange(callbacks, {})) callback(error);
    }
};

ScriptedReply reply(int status, QByteArray body) {
    ScriptedReply scripted;
    scripted.status = status;
    scripted.body = std::move(body);
    return scripted;
}

class ProviderConnectionTestTest : public ::testing::Test {
protected:
    FakeService service;
    SettingsStore settings;
    ProviderSettings providerSettings{settings};
    HttpTransport transport;
    HeldSystemTranslator systemTranslator;
    ManualOllamaStartup ollama;
    ProviderConnectionTest connectionTest{providerSettings, {transport, nullptr, nullptr}};

    void SetUp() override { ASSERT_TRUE(service.isListening()); }

    void configure(Provider provider, const QString& path, const QString& key, const QString& model = {}) {
        ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(provider)),
                                       service.baseUrl() + path));
        ASSERT_TRUE(LocalCredentialStore::save(key, ProviderCatalogue::credentialAccount(provider)));
        if (!model.isEmpty()) {
            ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::modelPrefix, rawValue(provider)), model));
        }
    }

    StatusLog runToEnd(Provider provider, ProviderConnectionTest& tester) {
        StatusLog log;
        tester.testProviderConnection(provider, log.handler());
        EXPECT_TRUE(waitUntil([&] { return log.finished(); })) << "no final status for " << caseName(provider).toStdString();
        return log;
    }
    StatusLog runToEnd(Provider provider) { return runToEnd(provider, connectionTest); }
};

}  // namespace

TEST_F(ProviderConnectionTestTest, TranslatesTheSampleThroughEachKindOfService) {
    configure(Provider::groq, "/openai/v1/chat/completions", "gsk-test");
    configure(Provider::claude, "/v1/messages", "sk-ant-test");
    configure(Provider::deepL, "/v2/translate", "deepl-key:fx");
    configure(Provider::baidu, "/api/trans/vip/translate", "baidu-secret", "20150630000001");
    service.setDefaultTranslation("你好");

    for (Provider provider : {Provider::groq, Provider::claude, Provider::deepL, Provider::baidu}) {
        SCOPED_TRACE(caseName(provider).toStdString());
        service.clearRequests();
        const StatusLog log = runToEnd(provider);
        EXPECT_EQ(log.texts, QStringList({"正在测试连接…", "连接成功：你好"}));
        EXPECT_EQ(log.states.last(), ConnectionTestState::succeeded);
        EXPECT_FALSE(connectionTest.isRunning());
        ASSERT_EQ(service.requestCount(), 1);
        const fake::RecordedRequest request = service.requests().first();
        EXPECT_TRUE(QString::fromUtf8(request.body).contains("こんにちは") ||
                    QUrl::fromPercentEncoding(request.body).contains("こんにちは"))
            << request.body.toStdString();
        // A chat source is asked for a whole reply, not a stream.
        if (provider == Provider::groq) {
            EXPECT_FALSE(QJsonDocument::fromJson(request.body).object().value("stream").toBool());
        }
    }
}

TEST_F(ProviderConnectionTestTest, AWrongKeyGivesTheAuthenticationGuideAndNothingIsRetried) {
    service.requireKey("gsk-right");
    configure(Provider::groq, "/openai/v1/chat/completions", "gsk-wrong");
    EXPECT_EQ(runToEnd(Provider::groq).last(),
              "Groq（API）：鉴权失败（HTTP 401）。API Key/密钥可能错误、过期或粘贴了多余空格，请重新复制并测试连接。"
              " 服务返回：Incorrect API key provided.");

    ASSERT_TRUE(LocalCredentialStore::save("gsk-right", ProviderCatalogue::credentialAccount(Provider::groq)));
    EXPECT_EQ(runToEnd(Provider::groq).last(), "连接成功：你好，世界");

    // A transient status is reported at once: a test is one request.
    service.clearRequests();
    service.enqueue(Route::chatCompletions, reply(503, {}));
    EXPECT_EQ(runToEnd(Provider::groq).last(),
              "Groq（API）：服务端暂时异常（HTTP 503）。配置通常没有问题，请稍后重试并查看服务状态。");
    spin(100);
    EXPECT_EQ(service.requestCount(), 1);
}

TEST_F(ProviderConnectionTestTest, ASuccessBodyWithoutATranslationIsReportedAsUnrecognised) {
    configure(Provider::groq, "/openai/v1/chat/completions", "gsk-test");
    service.enqueue(Route::chatCompletions, reply(200, R"({"object":"list","data":[]})"));
    const StatusLog log = runToEnd(Provider::groq);
    EXPECT_EQ(log.last(), "Groq（API）：已连接，但响应格式无法识别。请核对接口协议和完整路径。");
    EXPECT_EQ(log.states.last(), ConnectionTestState::failed);

    // Baidu answers a wrong key with 200 and its own error: that is the service's word, shown through the guide.
    configure(Provider::baidu, "/api/trans/vip/translate", "baidu-secret", "20150630000001");
    service.enqueue(Route::baidu, reply(200, R"({"error_code":"52003","error_msg":"UNAUTHORIZED USER"})"));
    EXPECT_EQ(runToEnd(Provider::baidu).last(),
              "百度翻译（API）：凭证或签名无效。请核对 Key、应用 ID/APPID、Region，并避免复制前后空格。"
              " 服务返回：52003：UNAUTHORIZED USER");
}

TEST_F(ProviderConnectionTestTest, AValidationIssueEndsTheTestBeforeAnythingIsSent) {
    ASSERT_TRUE(settings.setString("endpoint.22", service.baseUrl() + "/openai/v1/chat/completions"));
    StatusLog log = runToEnd(Provider::groq);
    EXPECT_EQ(log.texts, QStringList{"缺少API Key。请打开配置粘贴凭证，再点击“测试连接”。"});
    EXPECT_EQ(log.states, QList<ConnectionTestState>{ConnectionTestState::failed});
    spin(50);
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(ProviderConnectionTestTest, TransportFailuresGoThroughTheGuideWithTheLocalPort) {
    // Nothing listens on the fake's port once it is gone.
    QString deadEndpoint;
    {
        FakeService gone;
        deadEndpoint = gone.baseUrl() + "/v1/chat/completions";
    }
    ASSERT_TRUE(settings.setString("endpoint.9", deadEndpoint));
    EXPECT_TRUE(runToEnd(Provider::sakura)
                    .last()
                    .startsWith("Sakura（本地）：无法连接本地服务。原因通常是模型未启动、外接磁盘未连接或端口被占用。"
                                "请在翻译服务配置中启动本地模型，并检查 127.0.0.1:8080。"));
}

TEST_F(ProviderConnectionTestTest, AnEchoedKeyNeverReachesTheStatusText) {
    const QString key = "sk-live-0123456789abcdefXYZ";
    configure(Provider::groq, "/openai/v1/chat/completions", key);
    const auto containsKey = [&](const QString& text) { return text.contains(key) || text.contains("0123456789abcdef"); };

    service.enqueue(Route::chatCompletions,
                    reply(401, QJsonDocument(QJsonObject{{"error", QJsonObject{{"message", "Bad key " + key}}}}).toJson()));
    const QString unauthorised = runToEnd(Provider::groq).last();
    EXPECT_FALSE(containsKey(unauthorised)) << unauthorised.toStdString();
    EXPECT_TRUE(unauthorised.contains("鉴权失败（HTTP 401）"));
    EXPECT_TRUE(unauthorised.contains("Bad key sk-"));

    // Cut at 1200 characters by the guide: a key across the cut must not leave its first half standing.
    const QString padding(1190, QLatin1Char('x'));
    service.enqueue(Route::chatCompletions,
                    reply(500, QJsonDocument(QJsonObject{{"error", QJsonObject{{"message", padding + key}}}}).toJson()));
    const QString cut = runToEnd(Provider::groq).last();
    EXPECT_TRUE(cut.contains("…（内容过长已截断）"));
    EXPECT_FALSE(cut.contains("sk-live-01")) << cut.right(80).toStdString();

    // A plain-text body and a "translation" that repeat the key.
    service.enqueue(Route::chatCompletions, reply(403, ("forbidden for " + key).toUtf8()));
    EXPECT_FALSE(containsKey(runToEnd(Provider::groq).last()));
    service.setDefaultTranslation("your key is " + key);
    const QString echoed = runToEnd(Provider::groq).last();
    EXPECT_TRUE(echoed.startsWith("连接成功：your key is ")) << echoed.toStdString();
    EXPECT_FALSE(containsKey(echoed));

    // A key stored with a stray line break (written before keys were trimmed) is masked too.
    ASSERT_TRUE(LocalCredentialStore::save(key + "\n", ProviderCatalogue::credentialAccount(Provider::groq)));
    service.enqueue(Route::chatCompletions, reply(403, ("forbidden for " + key).toUtf8()));
    EXPECT_FALSE(containsKey(runToEnd(Provider::groq).last()));
}

TEST_F(ProviderConnectionTestTest, ANewerTestOrCancelDropsTheLateResultsOfTheOlderOne) {
    ProviderConnectionTest tester{providerSettings, {transport, &systemTranslator, &ollama}};
    configure(Provider::groq, "/openai/v1/chat/completions", "gsk-test");

    // The system translator answers after a newer test has started.
    StatusLog first;
    tester.testProviderConnection(Provider::systemTranslation, first.handler());
    ASSERT_EQ(systemTranslator.completions.size(), 1);
    const StatusLog second = runToEnd(Provider::groq, tester);
    systemTranslator.completions.takeFirst()("早上好。");
    EXPECT_EQ(first.texts, QStringList{"正在实际翻译测试…首次使用可能会弹出语言模型下载提示。"});
    EXPECT_EQ(second.last(), "连接成功：你好，世界");

    // A slow reply after cancel.
    ScriptedReply slow = reply(200, {});
    slow.delayMs = 300;
    service.enqueue(Route::chatCompletions, slow);
    StatusLog cancelled;
    tester.testProviderConnection(Provider::groq, cancelled.handler());
    tester.cancel();
    spin(600);
    EXPECT_EQ(cancelled.texts, QStringList{"正在测试连接…"});
    EXPECT_FALSE(tester.isRunning());

    // Ollama becomes ready after the user moved on: the test is not run again.
    ASSERT_TRUE(settings.setString("endpoint.15", service.baseUrl() + "/api/chat"));
    StatusLog waiting;
    tester.testProviderConnection(Provider::ollamaLocal, waiting.handler());
    EXPECT_EQ(waiting.texts, QStringList{"正在启动 Ollama 本地服务…"});
    runToEnd(Provider::groq, tester);
    service.clearRequests();
    ollama.finish(std::nullopt);
    spin(200);
    EXPECT_EQ(waiting.texts.size(), 1);
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(ProviderConnectionTestTest, OllamaSourcesWaitForTheServiceThenTest) {
    ProviderConnectionTest tester{providerSettings, {transport, nullptr, &ollama}};
    ASSERT_TRUE(settings.setString("endpoint.15", service.baseUrl() + "/api/chat"));
    StatusLog log;
    tester.testProviderConnection(Provider::ollamaLocal, log.handler());
    EXPECT_EQ(log.texts, QStringList{"正在启动 Ollama 本地服务…"});
    EXPECT_EQ(ollama.callbacks.size(), 1);
    EXPECT_EQ(ollama.serversAsked, QList<QUrl>{QUrl(service.baseUrl() + "/api/chat")});
    ollama.finish(std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return log.finished(); }));
    EXPECT_EQ(log.texts, QStringList({"正在启动 Ollama 本地服务…", "正在测试连接…", "连接成功：你好，世界"}));

    // A failed start ends the test with the reason instead of starting the probe again and again.
    ollama.ready = false;
    StatusLog failed;
    tester.testProviderConnection(Provider::ollamaLocal, failed.handler());
    ollama.finish(QString("未找到 Ollama"));
    EXPECT_EQ(failed.last(), "Ollama（本地）：未找到 Ollama");
    EXPECT_EQ(failed.states.last(), ConnectionTestState::failed);
    EXPECT_TRUE(ollama.callbacks.isEmpty());
}

TEST_F(ProviderConnectionTestTest, AnOllamaSourceIsProbedAtItsOwnServerAndOnlyTrustedForAWhile) {
    // Another Ollama source talks to the fixture's server; the one under test to a second one.
    auto testedServer = std::make_unique<FakeService>();
    ASSERT_TRUE(settings.setString("endpoint.15", service.baseUrl() + "/api/chat"));
    ASSERT_TRUE(settings.setString("endpoint.16", testedServer->baseUrl() + "/api/chat"));
    const QUrl tested(testedServer->baseUrl());
    OllamaVersionProbe probe(transport, std::chrono::milliseconds(300));
    ProviderConnectionTest tester{providerSettings, {transport, nullptr, &probe}};

    StatusLog works;
    tester.testProviderConnection(Provider::translateGemmaLocal, works.handler());
    ASSERT_TRUE(waitUntil([&] { return works.finished(); }));
    EXPECT_EQ(works.last(), "连接成功：你好，世界");
    ASSERT_EQ(testedServer->requestCount(), 2);
    EXPECT_EQ(testedServer->requests().first().path, "/api/version");
    EXPECT_EQ(service.requestCount(), 0);
    EXPECT_TRUE(probe.isReady(tested));
    EXPECT_FALSE(probe.isReady(QUrl(service.baseUrl())));

    // The server stops. Its answer does not stand for good: the next test asks again and says so.
    testedServer.reset();
    ASSERT_TRUE(waitUntil([&] { return !probe.isReady(tested); }, 5000));
    const StatusLog stopped = runToEnd(Provider::translateGemmaLocal, tester);
    EXPECT_EQ(stopped.last(), ProviderCatalogue::title(Provider::translateGemmaLocal) + "：" +
                                  OllamaVersionProbe::notRunningMessage());
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(ProviderConnectionTestTest, SystemTranslationReportsAvailabilityThroughTheBridge) {
    EXPECT_EQ(runToEnd(Provider::systemTranslation).last(), "不可用：" + SystemTranslator::unavailableDescription());

    ProviderConnectionTest tester{providerSettings, {transport, &systemTranslator, nullptr}};
    StatusLog works;
    tester.testProviderConnection(Provider::systemTranslation, works.handler());
    EXPECT_EQ(systemTranslator.texts, QStringList{"おはようございます。"});
    systemTranslator.completions.takeFirst()("早上好。");
    EXPECT_EQ(works.texts, QStringList({"正在实际翻译测试…首次使用可能会弹出语言模型下载提示。",
                                        "可用：日语 → 简体中文测译成功（早上好。）"}));
    EXPECT_EQ(works.states.last(), ConnectionTestState::succeeded);

    StatusLog fails;
    tester.testProviderConnection(Provider::systemTranslation, fails.handler());
    systemTranslator.completions.takeFirst()(std::unexpected(QString("语言包未安装")));
    EXPECT_EQ(fails.last(), "不可用：语言包未安装");
    EXPECT_EQ(service.requestCount(), 0);
}
