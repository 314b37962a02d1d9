#include "engine/TranslationErrorGuide.h"
#include "engine/TranslationRecoveryPolicy.h"

#include <gtest/gtest.h>

using namespace ovisu;

namespace {

QString guide(std::optional<QString> detail, std::optional<int> status, bool local = false, int port = 0) {
    return TranslationErrorGuide::message(detail, status, QStringLiteral("源"), local,
                                          local ? std::optional(port) : std::nullopt);
}

}  // namespace

TEST(TranslationErrorGuide, StatusMessagesCarryTheServiceWordsOnlyWhenTheyAddSomething) {
    EXPECT_EQ(guide("HTTP 401", 401),
              "源：鉴权失败（HTTP 401）。API Key/密钥可能错误、过期或粘贴了多余空格，请重新复制并测试连接。");
    EXPECT_EQ(guide(std::nullopt, 401),
              "源：鉴权失败（HTTP 401）。API Key/密钥可能错误、过期或粘贴了多余空格，请重新复制并测试连接。");
    EXPECT_EQ(guide("upstream busy", 503),
              "源：服务端暂时异常（HTTP 503）。配置通常没有问题，请稍后重试并查看服务状态。 服务返回：upstream busy");
    EXPECT_EQ(guide("bad path", 404),
              "源：请求参数或接口地址不兼容（HTTP 404）。请核对完整接口路径、模型/接入点名称和服务协议。 服务返回：bad path");
    EXPECT_TRUE(guide("x", 456).startsWith("源：本期翻译配额已用完（HTTP 456）"));
    EXPECT_TRUE(guide("x", 413).contains("请减少上下文条数"));
    // A status the table does not know falls through to the generic wording.
    EXPECT_EQ(guide("teapot", 418), "源：翻译失败。原因：teapot");
}

TEST(TranslationErrorGuide, StatusIsInferredFromTheDetailWhenNotGiven) {
    EXPECT_TRUE(guide("server said HTTP 429 slow down", std::nullopt).startsWith("源：请求频率、并发或额度已超限（HTTP 429）"));
    EXPECT_TRUE(guide("Status 502 from gateway", std::nullopt).startsWith("源：服务端暂时异常（HTTP 502）"));
}

TEST(TranslationErrorGuide, TransportWordsPickTheirRuleAndLocalSourcesNameTheirPort) {
    EXPECT_EQ(guide("Could not connect to the server. (-1004)", std::nullopt, true, 8080),
              "源：无法连接本地服务。原因通常是模型未启动、外接磁盘未连接或端口被占用。请在翻译服务配置中启动本地模型，并检查 127.0.0.1:8080。");
    // The same words from a cloud source are not about a local model.
    EXPECT_FALSE(guide("Could not connect to the server. (-1004)", std::nullopt).contains("本地服务"));
    EXPECT_TRUE(guide("The request timed out. (-1001)", std::nullopt).startsWith("源：请求超时。"));
    EXPECT_TRUE(guide("The request timed out. (-1001)", std::nullopt, true, 8081).startsWith("源：请求超时。"));
    EXPECT_TRUE(guide("The Internet connection appears to be offline. (-1009)", std::nullopt).startsWith("源：当前没有可用网络。"));
    EXPECT_TRUE(guide("A server with the specified hostname could not be found. (-1003)", std::nullopt)
                    .startsWith("源：找不到服务器地址。"));
    EXPECT_TRUE(guide("SSL handshake failed (-1200)", std::nullopt).startsWith("源：HTTPS 证书校验失败。"));
}

TEST(TranslationErrorGuide, ModelQuotaCredentialAndEmptyDetails) {
    EXPECT_EQ(guide("model 'llama3.2' not found", 404),
              "源：模型或接入点不可用。请复制控制台中的准确模型 ID/ep- 接入点，并确认该 Key 有权调用。 服务返回：model 'llama3.2' not found");
    EXPECT_TRUE(guide("insufficient_quota: You exceeded your current quota", 429).startsWith("源：账号余额或调用额度不足。"));
    EXPECT_TRUE(guide("有道错误 202：签名校验失败，请检查应用 ID 和应用密钥", std::nullopt).startsWith("源：凭证或签名无效。"));
    EXPECT_EQ(guide(std::nullopt, std::nullopt), "源：翻译失败。原因：服务没有返回可识别的译文");
    EXPECT_EQ(guide("   ", std::nullopt), "源：翻译失败。原因：服务没有返回可识别的译文");
}

TEST(TranslationErrorGuide, LongDetailsAreCut) {
    const QString message = guide(QString(5000, QLatin1Char('x')), std::nullopt);
    EXPECT_EQ(message, "源：翻译失败。原因：" + QString(1200, QLatin1Char('x')) + "…（内容过长已截断）");
}

TEST(TranslationRecoveryPolicy, RetriesOnlyTransientFailuresAndAtMostTwice) {
    const TransportError timeout{TransportError::timedOut, "The request timed out. (-1001)"};
    const TransportError tls{TransportError::secureConnectionFailed, "ssl (-1200)"};
    for (int status : {429, 502, 503, 504}) {
        EXPECT_TRUE(TranslationRecoveryPolicy::shouldRetry(std::nullopt, status, 0)) << status;
        EXPECT_TRUE(TranslationRecoveryPolicy::shouldRetry(std::nullopt, status, 1)) << status;
        EXPECT_FALSE(TranslationRecoveryPolicy::shouldRetry(std::nullopt, status, 2)) << status;
    }
    for (int status : {400, 401, 403, 404, 500, 501, 200})
        EXPECT_FALSE(TranslationRecoveryPolicy::shouldRetry(std::nullopt, status, 0)) << status;
    EXPECT_TRUE(TranslationRecoveryPolicy::shouldRetry(timeout, std::nullopt, 0));
    EXPECT_FALSE(TranslationRecoveryPolicy::shouldRetry(tls, std::nullopt, 0));
    EXPECT_FALSE(TranslationRecoveryPolicy::shouldRetry(std::nullopt, std::nullopt, 0));
    // A status decides even when the transport also complained.
    EXPECT_FALSE(TranslationRecoveryPolicy::shouldRetry(timeout, 401, 0));
    EXPECT_DOUBLE_EQ(TranslationRecoveryPolicy::retryDelaySeconds(0), 0.8);
    EXPECT_DOUBLE_EQ(TranslationRecoveryPolicy::retryDelaySeconds(1), 2.0);
}

TEST(TranslationRecoveryPolicy, FallbackOnlyForOverloadAndConnectionTrouble) {
    EXPECT_TRUE(TranslationRecoveryPolicy::isRecoverableFallback(std::nullopt, 429));
    EXPECT_TRUE(TranslationRecoveryPolicy::isRecoverableFallback(std::nullopt, 503));
    EXPECT_FALSE(TranslationRecoveryPolicy::isRecoverableFallback(QString("timed out"), 500));
    EXPECT_FALSE(TranslationRecoveryPolicy::isRecoverableFallback(std::nullopt, 401));
    EXPECT_TRUE(TranslationRecoveryPolicy::isRecoverableFallback(QString("The request timed out. (-1001)"), std::nullopt));
    EXPECT_TRUE(TranslationRecoveryPolicy::isRecoverableFallback(QString("网络中断"), std::nullopt));
    EXPECT_FALSE(TranslationRecoveryPolicy::isRecoverableFallback(QString("invalid_api_key"), std::nullopt));
    EXPECT_FALSE(TranslationRecoveryPolicy::isRecoverableFallback(std::nullopt, std::nullopt));
}
