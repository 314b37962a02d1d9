#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationParameters.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ovisu;

namespace {

class ProviderSettingsTest : public ::testing::Test {
protected:
    SettingsStore settings;
    QList<TranslationHistoryRecord> recent;
    ProviderSettings providers{settings, [this] { return recent; }};

    void setKey(Provider p, const QString& secret) {
        ASSERT_TRUE(LocalCredentialStore::save(secret, ProviderCatalogue::credentialAccount(p)).has_value());
    }
    void set(const QString& key, const QJsonValue& value) { ASSERT_TRUE(settings.setValue(key, value).has_value()); }
};

}  // namespace

TEST_F(ProviderSettingsTest, DefaultsResolveForEveryHttpSource) {
    for (Provider p : allProviders()) {
        const auto configuration = providers.providerConfiguration(p, false);
        if (p == Provider::systemTranslation || p == Provider::custom) {
            EXPECT_FALSE(configuration.has_value()) << caseName(p).toStdString();
            continue;
        }
        ASSERT_TRUE(configuration.has_value()) << caseName(p).toStdString();
        EXPECT_EQ(configuration->endpoint.toString(), ProviderCatalogue::defaultEndpoint(p));
        EXPECT_EQ(configuration->model, ProviderCatalogue::defaultModel(p));
        EXPECT_DOUBLE_EQ(configuration->timeout, 45);
        EXPECT_DOUBLE_EQ(configuration->temperature, TranslationParameters::defaults().temperature);
        EXPECT_EQ(configuration->maxTokens, TranslationParameters::defaults().maxTokens);
        EXPECT_DOUBLE_EQ(configuration->topP, TranslationParameters::defaults().topP);
        EXPECT_TRUE(configuration->disableThinking);
        EXPECT_TRUE(configuration->bilingualProperNouns);
        EXPECT_TRUE(configuration->apiKey.isEmpty());
    }
}

// The ranges themselves are TranslationParametersTest's; here only that a request reads through them.
TEST_F(ProviderSettingsTest, ParametersAreClampedFromStoredValues) {
    set("translationTemperature", 3);
    set("translationMaxTokens", 9000);
    set("translationTopP", 0);
    const auto configuration = providers.providerConfiguration(Provider::sakura, true);
    ASSERT_TRUE(configuration.has_value());
    EXPECT_DOUBLE_EQ(configuration->temperature, 2);
    EXPECT_EQ(configuration->maxTokens, 8192);
    EXPECT_DOUBLE_EQ(configuration->topP, 0.05);
    EXPECT_TRUE(configuration->streaming);
}

TEST_F(ProviderSettingsTest, ConfigurationCarriesSecretGlossaryWorkContextAndRecentContext) {
    setKey(Provider::deepSeek, "sk-deep");
    set("translationGlossary", "A → B");
    set("translationWorkContext", "舞台は学園");
    set("bilingualProperNouns", false);
    set("deepSeekThinkingDisabled", false);
    set("translationContextCount", 1);
    recent = {{QUuid::createUuid(), QDateTime::currentDateTime(), "古い", "旧", "p", std::nullopt},
              {QUuid::createUuid(), QDateTime::currentDateTime(), "新しい", "新", "p", std::nullopt}};

    const auto configuration = providers.providerConfiguration(Provider::deepSeek, false);
    ASSERT_TRUE(configuration.has_value());
    EXPECT_EQ(configuration->apiKey, "sk-deep");
    EXPECT_EQ(configuration->glossary, "A → B");
    EXPECT_EQ(configuration->workContext, "舞台は学園");
    EXPECT_FALSE(configuration->bilingualProperNouns);
    EXPECT_FALSE(configuration->disableThinking);
    EXPECT_EQ(configuration->context, "原文：新しい\n译文：新");
}

TEST_F(ProviderSettingsTest, SystemEndpointLeftoverIsRemovedAndDefaultUsed) {
    set("endpoint.4", "  SYSTEM://translation ");
    EXPECT_EQ(providers.endpoint(Provider::deepSeek), ProviderCatalogue::defaultEndpoint(Provider::deepSeek));
    EXPECT_FALSE(settings.contains("endpoint.4"));

    set("endpoint.4", "  https://proxy.example/chat/completions\n");
    EXPECT_EQ(providers.endpoint(Provider::deepSeek), "https://proxy.example/chat/completions");
    set("endpoint.25", "https://elsewhere");
    EXPECT_EQ(providers.endpoint(Provider::systemTranslation), "system://translation");
}

TEST_F(ProviderSettingsTest, InvalidEndpointsGiveNoConfigurationAndTheEndpointMessage) {
    const QString message =
        "接口地址无效。必须填写以 http:// 或 https:// 开头、包含域名/主机的完整 API URL。";
    for (const char* endpoint : {"ftp://example.com/v1/chat/completions", "https:///v1/chat/completions",
                                 "example.com/v1/chat/completions", "http://exa mple.com/x"}) {
        set("endpoint.9", endpoint);
        EXPECT_FALSE(providers.providerConfiguration(Provider::sakura, false).has_value()) << endpoint;
        EXPECT_EQ(providers.providerConfigurationIssue(Provider::sakura), message) << endpoint;
    }
    set("endpoint.9", "HTTP://127.0.0.1:9999/v1/chat/completions");
    EXPECT_TRUE(providers.providerConfiguration(Provider::sakura, false).has_value());
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::sakura), std::nullopt);
}

// A source names its missing key first, under the key's own label (white space is no key), then
// its missing model or ID; sources whose model field is no model are never asked for one.
TEST_F(ProviderSettingsTest, EachSourceNamesItsMissingKeyThenItsMissingModel) {
    const QString keyTail = "。请打开配置粘贴凭证，再点击“测试连接”。";
    const QString modelID = "缺少模型/接入点 ID。请从对应控制台复制准确名称。";
    const QString cloudModel = "缺少模型 ID。请从对应平台的模型列表复制准确名称。";
    const struct {
        Provider provider;
        QString keyLabel;  // empty: keyless
        QString modelIssue;  // empty: none
    } cases[] = {
        {Provider::microsoft, "订阅密钥", {}},
        {Provider::deepL, "API Key", {}},
        {Provider::youdao, "应用密钥", "缺少应用 ID / App Key。请从开放平台控制台复制。"},
        {Provider::baidu, "密钥", "缺少APPID。请从开放平台控制台复制。"},
        {Provider::papago, "Client Secret", "缺少Client ID。请从开放平台控制台复制。"},
        {Provider::openAI, "API Key", modelID},
        {Provider::claude, "API Key", modelID},
        {Provider::doubao, "API Key", modelID},
        {Provider::deepSeek, "API Key", modelID},
        {Provider::siliconFlow, "API Key", cloudModel},
        {Provider::geminiOpenAI, "API Key", cloudModel},
        {Provider::groq, "API Key", cloudModel},
        {Provider::qwenLocal, {}, modelID},
        {Provider::ollamaLocal, {}, "缺少 Ollama 模型名。请先执行 ollama list，或在配置中填写已安装模型。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(caseName(c.provider).toStdString());
        if (!c.keyLabel.isEmpty()) {
            EXPECT_EQ(providers.providerConfigurationIssue(c.provider), "缺少" + c.keyLabel + keyTail);
            setKey(c.provider, "   ");
            EXPECT_EQ(providers.providerConfigurationIssue(c.provider), "缺少" + c.keyLabel + keyTail);
            setKey(c.provider, "k");
        }
        // An empty model field falls back to the catalogue's default, so blank it with a space.
        set(SettingsKeys::perSource(SettingsKeys::modelPrefix, rawValue(c.provider)), " ");
        EXPECT_EQ(providers.providerConfigurationIssue(c.provider),
                  c.modelIssue.isEmpty() ? std::nullopt : std::optional(c.modelIssue));
    }
}

TEST_F(ProviderSettingsTest, KeylessSourcesValidateWithoutAnySecret) {
    for (Provider p : {Provider::google, Provider::sakura, Provider::qwenLocal, Provider::hyMTLocal,
                       Provider::ollamaLocal, Provider::translateGemmaLocal, Provider::libreTranslate,
                       Provider::systemTranslation})
        EXPECT_EQ(providers.providerConfigurationIssue(p), std::nullopt) << caseName(p).toStdString();
    set("endpoint.5", "https://gateway.example/v1/chat/completions");
    set("model.5", "m");
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), std::nullopt);
}

TEST_F(ProviderSettingsTest, CustomSourceNeedsModelAndAnApiPath) {
    set("endpoint.5", "https://gateway.example/v1/chat/completions/");
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), "缺少模型 ID。匿名接口也必须填写服务实际支持的模型名。");
    set("model.5", "m");
    const QString pathMessage = "自定义接口必须以 /responses 或 /chat/completions 结尾，普通网页或控制台地址不能使用。";
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), pathMessage);
    set("endpoint.5", "https://gateway.example/console");
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), pathMessage);
    set("endpoint.5", "https://gateway.example/v1/Responses");
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), std::nullopt);
    EXPECT_EQ(providers.streamStyle(Provider::custom), TranslationStreamStyle::responses);
    set("endpoint.5", "https://gateway.example/v1/chat/completions?x=1");
    EXPECT_EQ(providers.providerConfigurationIssue(Provider::custom), std::nullopt);
    EXPECT_EQ(providers.streamStyle(Provider::custom), TranslationStreamStyle::chatCompletions);
}

TEST_F(ProviderSettingsTest, PromptsAndTemplatesFollowCapabilityAndDefaults) {
    EXPECT_EQ(providers.prompt(Provider::deepL), "此翻译源不使用 Prompt。");
    EXPECT_EQ(providers.userPromptTemplate(Provider::deepL), "{text}");
    set("prompt.6", "ignored");
    EXPECT_EQ(providers.prompt(Provider::deepL), "此翻译源不使用 Prompt。");

    EXPECT_EQ(providers.prompt(Provider::openAI), DefaultPrompts::otome());
    EXPECT_EQ(providers.prompt(Provider::hyMTLocal), DefaultPrompts::hymt());
    set("prompt.10", "   \n ");
    EXPECT_EQ(providers.prompt(Provider::qwenLocal), DefaultPrompts::otome() + "\n/no_think");
    set("prompt.10", "  mine  ");
    EXPECT_EQ(providers.prompt(Provider::qwenLocal), "  mine  ");

    EXPECT_EQ(providers.userPromptTemplate(Provider::hyMTLocal), DefaultPrompts::hymtTemplate());
    EXPECT_EQ(providers.userPromptTemplate(Provider::sakura), DefaultPrompts::shortTemplate());
    // Templates are not trimmed before the emptiness check: spaces are a (useless) template.
    set("userPrompt.9", " ");
    EXPECT_EQ(providers.userPromptTemplate(Provider::sakura), " ");
}
