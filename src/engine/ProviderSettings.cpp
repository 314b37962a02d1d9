#include "engine/ProviderSettings.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderAdapterFactory.h"
#include "engine/RecentTranslationContext.h"
#include "engine/TranslationParameters.h"

namespace ovisu {
namespace {

QString key(const QString& prefix, Provider provider) { return SettingsKeys::perSource(prefix, rawValue(provider)); }

QString noPromptText() { return QStringLiteral("此翻译源不使用 Prompt。"); }

}  // namespace

ProviderSettings::ProviderSettings(SettingsStore& settings, RecentTranslations recentTranslations)
    : m_settings(settings), m_recentTranslations(std::move(recentTranslations)) {}

QString ProviderSettings::endpoint(Provider provider) {
    const QString fallback = ProviderCatalogue::defaultEndpoint(provider);
    if (provider == Provider::systemTranslation) return fallback;
    const QString storedKey = key(SettingsKeys::endpointPrefix, provider);
    const QString stored = m_settings.stringValue(storedKey).trimmed();
    if (stored.isEmpty()) return fallback;
    if (stored.toLower().startsWith(QLatin1String("system://"))) {
        (void)m_settings.remove(storedKey);
        return fallback;
    }
    return stored;
}

QString ProviderSettings::model(Provider provider) const {
    const QString stored = m_settings.stringValue(key(SettingsKeys::modelPrefix, provider));
    return stored.isEmpty() ? ProviderCatalogue::defaultModel(provider) : stored;
}

QString ProviderSettings::prompt(Provider provider) const {
    if (!ProviderCatalogue::isPromptCapable(provider)) return noPromptText();
    const QString stored = m_settings.stringValue(key(SettingsKeys::promptPrefix, provider));
    if (!stored.trimmed().isEmpty()) return stored;
    return ProviderCatalogue::defaultLocalOtomePrompt(provider).value_or(DefaultPrompts::otome());
}

QString ProviderSettings::userPromptTemplate(Provider provider) const {
    if (!ProviderCatalogue::isPromptCapable(provider)) return QStringLiteral("{text}");
    const QString stored = m_settings.stringValue(key(SettingsKeys::userPromptPrefix, provider));
    if (!stored.isEmpty()) return stored;
    return provider == Provider::hyMTLocal ? DefaultPrompts::hymtTemplate() : DefaultPrompts::shortTemplate();
}

QString ProviderSettings::recentTranslationContext() const {
    const int count = m_settings.intValue(SettingsKeys::translationContextCount,
                                          SettingsDefaults::translationContextCount);
    return ovisu::recentTranslationContext(m_recentTranslations ? m_recentTranslations()
                                                                : QList<TranslationHistoryRecord>{},
                                           count);
}

std::optional<TranslationStreamStyle> ProviderSettings::streamStyle(Provider provider) {
    return ProviderCatalogue::streamStyle(provider, provider == Provider::custom ? endpoint(provider) : QString());
}

std::optional<QUrl> ProviderSettings::validatedEndpoint(const QString& endpoint) {
    const QString trimmed = endpoint.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return std::nullopt;
    if (url.host().isEmpty()) return std::nullopt;
    return url;
}

bool ProviderSettings::startsLocalServer(Provider provider) {
    if (ProviderCatalogue::usesOllama(provider)) return true;
    const auto port = ProviderCatalogue::localPort(provider);
    if (!ProviderCatalogue::isManagedLocalEngine(provider) || !port) return false;
    const QUrl server = localServer(provider);
    return (server.host() == QLatin1String("127.0.0.1") || server.host() == QLatin1String("localhost")) &&
           server.port() == *port;
}

QUrl ProviderSettings::localServer(Provider provider) {
    const int port = ProviderCatalogue::localPort(provider).value_or(11434);
    return validatedEndpoint(endpoint(provider)).value_or(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
}

std::optional<TranslationProviderConfiguration> ProviderSettings::providerConfiguration(Provider provider,
                                                                                         bool streaming) {
    if (provider == Provider::systemTranslation) return std::nullopt;
    const auto url = validatedEndpoint(endpoint(provider));
    if (!url) return std::nullopt;

    TranslationProviderConfiguration configuration;
    configuration.endpoint = *url;
    configuration.apiKey = LocalCredentialStore::secret(ProviderCatalogue::credentialAccount(provider));
    configuration.model = model(provider);
    configuration.prompt = prompt(provider);
    configuration.timeout = 45;
    // The parameters window and a request read the numbers through the same clamping.
    const TranslationParameters parameters = TranslationParameters::read(m_settings);
    configuration.temperature = parameters.temperature;
    configuration.maxTokens = parameters.maxTokens;
    configuration.topP = parameters.topP;
    configuration.context = recentTranslationContext();
    configuration.userPromptTemplate = userPromptTemplate(provider);
    configuration.glossary = m_settings.stringValue(SettingsKeys::translationGlossary);
    configuration.workContext = m_settings.stringValue(SettingsKeys::translationWorkContext);
    configuration.bilingualProperNouns =
        m_settings.boolValue(SettingsKeys::bilingualProperNouns, SettingsDefaults::bilingualProperNouns);
    configuration.streaming = streaming;
    configuration.disableThinking = parameters.deepSeekThinkingDisabled;
    return configuration;
}

std::optional<QString> ProviderSettings::providerConfigurationIssue(Provider provider) {
    if (provider == Provider::systemTranslation) return std::nullopt;

    if (ProviderCatalogue::keyRequired(provider)) {
        const QString secret = LocalCredentialStore::secret(ProviderCatalogue::credentialAccount(provider));
        if (secret.trimmed().isEmpty())
            return QStringLiteral("缺少") + ProviderCatalogue::keyLabel(provider) +
                   QStringLiteral("。请打开配置粘贴凭证，再点击“测试连接”。");
    }

    const QString endpointText = endpoint(provider);
    const auto url = validatedEndpoint(endpointText);
    if (!url)
        return QStringLiteral("接口地址无效。必须填写以 http:// 或 https:// 开头、包含域名/主机的完整 API URL。");

    const bool modelEmpty = model(provider).trimmed().isEmpty();
    switch (provider) {
    case Provider::google:
    case Provider::deepL:
    case Provider::microsoft:
    case Provider::libreTranslate:
        return std::nullopt;
    case Provider::openAI:
    case Provider::claude:
    case Provider::doubao:
    case Provider::deepSeek:
    case Provider::sakura:
    case Provider::qwenLocal:
    case Provider::hyMTLocal:
        if (modelEmpty) return QStringLiteral("缺少模型/接入点 ID。请从对应控制台复制准确名称。");
        return std::nullopt;
    case Provider::custom: {
        if (modelEmpty) return QStringLiteral("缺少模型 ID。匿名接口也必须填写服务实际支持的模型名。");
        const QString path = url->path().toLower();
        if (!path.endsWith(QLatin1String("/responses")) && !path.endsWith(QLatin1String("/chat/completions")))
            return QStringLiteral("自定义接口必须以 /responses 或 /chat/completions 结尾，普通网页或控制台地址不能使用。");
        return std::nullopt;
    }
    case Provider::youdao:
    case Provider::baidu:
    case Provider::papago:
        if (modelEmpty)
            return QStringLiteral("缺少") + ProviderCatalogue::modelLabel(provider) +
                   QStringLiteral("。请从开放平台控制台复制。");
        return std::nullopt;
    case Provider::ollamaLocal:
    case Provider::translateGemmaLocal:
        if (modelEmpty) return QStringLiteral("缺少 Ollama 模型名。请先执行 ollama list，或在配置中填写已安装模型。");
        return std::nullopt;
    default:  // the OpenAI-compatible clouds
        if (modelEmpty) return QStringLiteral("缺少模型 ID。请从对应平台的模型列表复制准确名称。");
        return std::nullopt;
    }
}

std::shared_ptr<const TranslationProviderAdapter> ProviderSettings::providerAdapter(Provider provider) {
    return ovisu::providerAdapter(provider, provider == Provider::custom ? endpoint(provider) : QString());
}

}  // namespace ovisu
