#include "engine/Provider.h"

#include "engine/DefaultPrompts.h"

#include <array>

namespace ovisu {
namespace {

struct ProviderInfo {
    const char* title;
    const char* credentialAccount;
    const char* defaultEndpoint;
    const char* defaultModel;
    const char* keyLabel;
    bool keyRequired;
    bool keyFieldEnabled;
    const char* modelLabel;
    bool modelFieldEnabled;
    bool endpointEditable;
    int localPort;  // 0: none
    const char* note;
    const char* officialPurchaseURL;
};

constexpr const char* kApiKey = "API Key";
constexpr const char* kModelLabel = "模型 / 接入点";
constexpr const char* kNoInput = "无需填写";

// Raw-value order. Hosts are each service's documented public API host.
const std::array<ProviderInfo, providerCount> kProviders = {{
    {"Google 翻译（联网）", "Google 在线翻译（免 Key）", "https://translate.googleapis.com/translate_a/single", "",
     kApiKey, false, false, kModelLabel, false, false, 0,
     "免 Key；调用 Google 网页翻译接口，可能受网络或服务策略影响。", "https://translate.google.com/"},
    {"OpenAI（API）", "ChatGPT / OpenAI", "https://api.openai.com/v1/responses", "gpt-5-mini",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "需要 OpenAI API Key。默认使用 gpt-5-mini，可修改模型名。", "https://platform.openai.com/api-keys"},
    {"Claude（API）", "Claude / Anthropic", "https://api.anthropic.com/v1/messages", "claude-sonnet-4-20250514",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "需要 Anthropic API Key。通过官方 Messages API 调用 Claude。", "https://console.anthropic.com/settings/keys"},
    {"豆包 / 火山方舟（API）", "豆包 / 火山方舟", "https://ark.cn-beijing.volces.com/api/v3/responses",
     "doubao-seed-2-0-lite-260215", kApiKey, true, true, kModelLabel, true, true, 0,
     "需要火山方舟 ARK API Key；模型栏填写豆包模型 ID 或 ep- 开头的接入点 ID。",
     "https://console.volcengine.com/ark/region:ark+cn-beijing/apiKey"},
    {"DeepSeek（API）", "DeepSeek API", "https://api.deepseek.com/chat/completions", "deepseek-v4-flash",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "需要 DeepSeek API Key；默认使用官方 deepseek-v4-flash，可按账号权限改为 v4-pro。",
     "https://platform.deepseek.com/api_keys"},
    {"自定义 OpenAI 兼容（API）", "自定义 OpenAI 兼容 API", "", "",
     kApiKey, false, true, kModelLabel, true, true, 0,
     "填写完整 /responses 或 /chat/completions 地址；兼容常见 OpenAI JSON 格式。", ""},
    {"DeepL（API）", "DeepL API", "https://api-free.deepl.com/v2/translate", "",
     kApiKey, true, true, kNoInput, false, true, 0,
     "需要 DeepL API Key；默认是 Free 地址，Pro 用户请改为 https://api.deepl.com/v2/translate。",
     "https://www.deepl.com/pro-api"},
    {"Microsoft Translator（API）", "Microsoft Translator API", "https://api.cognitive.microsofttranslator.com/translate", "",
     "订阅密钥", true, true, "Region（可留空）", true, true, 0,
     "需要 Azure Translator 密钥；区域资源还要在下方填写 Region，全球单服务资源可留空。",
     "https://portal.azure.com/#create/Microsoft.CognitiveServicesTextTranslation"},
    {"有道智云（API）", "有道智云 API", "https://openapi.youdao.com/api", "",
     "应用密钥", true, true, "应用 ID / App Key", true, true, 0,
     "需要有道智云文本翻译应用；下方填写应用 ID，API Key 栏填写应用密钥。", "https://ai.youdao.com/console/"},
    {"Sakura（本地）", "Sakura 本地（日乙优化）", "http://127.0.0.1:8080/v1/chat/completions", "Sakura-GalTransl-7B-v3.7",
     kApiKey, false, false, kModelLabel, true, true, 8080,
     "本地 OpenAI 兼容服务；默认 127.0.0.1:8080，API Key 可以留空。",
     "https://huggingface.co/SakuraLLM/Sakura-GalTransl-7B-v3.7"},
    {"Qwen3（本地）", "Qwen3 本地离线翻译", "http://127.0.0.1:8081/v1/chat/completions", "Qwen3-1.7B-Q8_0",
     kApiKey, false, false, kModelLabel, true, true, 8081,
     "完全离线；模型与 Sakura 同在外置磁盘 Drevio，使用独立端口 8081。", "https://huggingface.co/Qwen/Qwen3-1.7B-GGUF"},
    {"百度翻译（API）", "百度翻译开放平台 API", "https://fanyi-api.baidu.com/api/trans/vip/translate", "",
     "密钥", true, true, "APPID", true, true, 0,
     "需要百度翻译开放平台 APPID 与密钥；标准版需先在控制台开通服务。", "https://fanyi-api.baidu.com/manage/developer"},
    {"Papago（API）", "Papago Translation API", "https://papago.apigw.ntruss.com/nmt/v1/translation", "",
     "Client Secret", true, true, "Client ID", true, true, 0,
     "需要 NAVER Cloud Papago 应用的 Client ID 与 Client Secret。",
     "https://www.ncloud.com/product/aiService/papagoTranslation"},
    {"LibreTranslate / Argos（本地）", "LibreTranslate / Argos（免费本地）", "http://127.0.0.1:5000/translate", "",
     kApiKey, false, true, kNoInput, false, true, 5000,
     "免费开源翻译 API；推荐在本机运行 LibreTranslate/Argos。自托管通常无需 Key，远程实例可按要求填写 Key。",
     "https://github.com/LibreTranslate/LibreTranslate"},
    {"Hy-MT2（本地）", "Hy-MT2 本地（日乙 Prompt）", "http://127.0.0.1:8082/v1/chat/completions", "Hy-MT2-1.8B-Q4_K_M",
     kApiKey, false, false, kModelLabel, true, true, 8082,
     "完全离线的日中/多语翻译模型；模型放在外接磁盘 Drevio，使用独立端口 8082，并支持日乙 Prompt、上下文和术语。",
     "https://huggingface.co/tencent"},
    {"Ollama（本地）", "Ollama 本地", "http://127.0.0.1:11434/api/chat", "qwen3:4b-instruct",
     kApiKey, false, false, kModelLabel, true, true, 11434,
     "Ollama 本地接口；默认 127.0.0.1:11434/api/chat，Key 留空，模型名必须已在 Ollama 中安装。",
     "https://ollama.com/download/linux"},
    {"TranslateGemma 4B（本地）", "TranslateGemma 4B 本地", "http://127.0.0.1:11434/api/chat", "translategemma:4b",
     kApiKey, false, false, kModelLabel, true, true, 11434,
     "Google TranslateGemma 4B 的 Ollama 本地渠道；先执行 ollama pull translategemma:4b，翻译可完全离线。",
     "https://ollama.com/library/translategemma"},
    {"SiliconFlow（API）", "SiliconFlow API", "https://api.siliconflow.cn/v1/chat/completions", "deepseek-ai/DeepSeek-V3",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "SiliconFlow OpenAI 兼容接口；需要平台 API Key，模型栏填写平台实际可用模型。",
     "https://cloud.siliconflow.cn/account/ak"},
    {"智谱 GLM（API）", "智谱 GLM API", "https://open.bigmodel.cn/api/paas/v4/chat/completions", "glm-4-flash-250414",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "智谱 GLM OpenAI 兼容接口；需要智谱开放平台 API Key。", "https://open.bigmodel.cn/usercenter/apikeys"},
    {"Fireworks（API）", "Fireworks AI", "https://api.fireworks.ai/inference/v1/chat/completions",
     "accounts/fireworks/models/llama-v3p3-70b-instruct", kApiKey, true, true, kModelLabel, true, true, 0,
     "Fireworks AI OpenAI 兼容接口；需要 API Key，模型 ID 使用平台当前可用值。",
     "https://fireworks.ai/account/api-keys"},
    {"Together（API）", "Together AI", "https://api.together.xyz/v1/chat/completions",
     "meta-llama/Llama-3.3-70B-Instruct-Turbo-Free", kApiKey, true, true, kModelLabel, true, true, 0,
     "Together AI OpenAI 兼容接口；需要 API Key，免费模型可用性以平台为准。",
     "https://api.together.ai/settings/api-keys"},
    {"Mistral（API）", "Mistral API", "https://api.mistral.ai/v1/chat/completions", "mistral-small-latest",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "Mistral OpenAI 兼容接口；需要 API Key 和可用模型。", "https://console.mistral.ai/api-keys"},
    {"Groq（API）", "Groq API", "https://api.groq.com/openai/v1/chat/completions", "llama-3.3-70b-versatile",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "Groq OpenAI 兼容接口；需要 API Key，适合低延迟云端翻译。", "https://console.groq.com/keys"},
    {"OpenRouter（API）", "OpenRouter API", "https://openrouter.ai/api/v1/chat/completions", "google/gemini-2.0-flash-001",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "OpenRouter 聚合接口；需要 API Key，模型栏填写 provider/model。", "https://openrouter.ai/keys"},
    {"Gemini（API）", "Gemini OpenAI 兼容 API",
     "https://generativelanguage.googleapis.com/v1beta/openai/chat/completions", "gemini-2.0-flash",
     kApiKey, true, true, kModelLabel, true, true, 0,
     "Gemini OpenAI 兼容接口；需要 Google AI Studio API Key，模型按账号可用列表填写。",
     "https://aistudio.google.com/apikey"},
    // Linux has no platform translator: the note says so instead of promising one. The credential
    // account keeps its stored name, so nothing saved under it is lost.
    {"系统翻译（本地）", "系统翻译（Apple 本地）", "system://translation", "",
     kApiKey, false, false, kNoInput, false, false, 0,
     "当前系统没有内置的翻译功能，此翻译源暂不可用；请改用其他翻译源（例如 Google 翻译或本地模型）。",
     ""},
}};

const ProviderInfo& info(Provider p) { return kProviders[static_cast<size_t>(rawValue(p))]; }
QString text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

std::optional<Provider> providerFromRawValue(int raw) {
    if (raw < 0 || raw >= providerCount) return std::nullopt;
    return static_cast<Provider>(raw);
}

QString caseName(Provider provider) {
    static const std::array<const char*, providerCount> names = {
        "google",      "openAI",    "claude",         "doubao",     "deepSeek",    "custom",
        "deepL",       "microsoft", "youdao",         "sakura",     "qwenLocal",   "baidu",
        "papago",      "libreTranslate", "hyMTLocal", "ollamaLocal", "translateGemmaLocal",
        "siliconFlow", "glm",       "fireworks",      "together",   "mistral",     "groq",
        "openRouter",  "geminiOpenAI", "systemTranslation"};
    return QString::fromLatin1(names[static_cast<size_t>(rawValue(provider))]);
}

std::optional<Provider> providerFromCaseName(const QString& name) {
    for (Provider provider : allProviders())
        if (caseName(provider).compare(name, Qt::CaseInsensitive) == 0) return provider;
    return std::nullopt;
}

QList<Provider> allProviders() {
    QList<Provider> list;
    for (int raw = 0; raw < providerCount; ++raw) list.append(static_cast<Provider>(raw));
    return list;
}

namespace ProviderCatalogue {

QString title(Provider p) { return text(info(p).title); }
QString credentialAccount(Provider p) { return text(info(p).credentialAccount); }
QString defaultEndpoint(Provider p) { return text(info(p).defaultEndpoint); }
QString defaultModel(Provider p) { return text(info(p).defaultModel); }
QString note(Provider p) { return text(info(p).note); }
QString officialPurchaseURL(Provider p) { return text(info(p).officialPurchaseURL); }
QString keyLabel(Provider p) { return text(info(p).keyLabel); }
bool keyRequired(Provider p) { return info(p).keyRequired; }
bool keyFieldEnabled(Provider p) { return info(p).keyFieldEnabled; }
QString modelLabel(Provider p) { return text(info(p).modelLabel); }
bool modelFieldEnabled(Provider p) { return info(p).modelFieldEnabled; }
bool endpointEditable(Provider p) { return info(p).endpointEditable; }

bool isPromptCapable(Provider p) {
    const int raw = rawValue(p);
    return (raw >= 1 && raw <= 5) || raw == 9 || raw == 10 || (raw >= 14 && raw <= 24);
}

QList<Provider> promptCapableProviders() {
    QList<Provider> list;
    for (Provider p : allProviders())
        if (isPromptCapable(p)) list.append(p);
    return list;
}

bool endpointUsesChatCompletions(const QString& endpoint) {
    return endpoint.toLower().contains(QLatin1String("/chat/completions"));
}

std::optional<TranslationStreamStyle> streamStyle(Provider p, const QString& endpoint) {
    switch (p) {
    case Provider::openAI:
    case Provider::doubao:
        return TranslationStreamStyle::responses;
    case Provider::claude:
        return TranslationStreamStyle::claude;
    case Provider::custom:
        return endpointUsesChatCompletions(endpoint) ? TranslationStreamStyle::chatCompletions
                                                     : TranslationStreamStyle::responses;
    case Provider::deepSeek:
    case Provider::sakura:
    case Provider::qwenLocal:
    case Provider::hyMTLocal:
        return TranslationStreamStyle::chatCompletions;
    default:
        break;
    }
    if (rawValue(p) >= 17 && rawValue(p) <= 24) return TranslationStreamStyle::chatCompletions;
    return std::nullopt;
}

std::optional<int> localPort(Provider p) {
    if (info(p).localPort == 0) return std::nullopt;
    return info(p).localPort;
}

bool usesOllama(Provider p) { return p == Provider::ollamaLocal || p == Provider::translateGemmaLocal; }

QString localServerStartingText(Provider p) {
    return usesOllama(p) ? QStringLiteral("正在启动 Ollama 本地服务…") : QStringLiteral("正在启动本地模型服务…");
}

bool isManagedLocalEngine(Provider p) {
    return p == Provider::sakura || p == Provider::qwenLocal || p == Provider::hyMTLocal;
}

AcquisitionButton acquisitionButton(Provider p) {
    switch (p) {
    case Provider::google:
    case Provider::custom:
        return AcquisitionButton::hidden;
    case Provider::sakura:
    case Provider::qwenLocal:
    case Provider::libreTranslate:
    case Provider::hyMTLocal:
    case Provider::ollamaLocal:
    case Provider::translateGemmaLocal:
    case Provider::systemTranslation:
        return AcquisitionButton::download;
    default:
        return AcquisitionButton::officialSite;
    }
}

std::optional<QString> defaultLocalOtomePrompt(Provider p) {
    switch (p) {
    case Provider::sakura:
    case Provider::ollamaLocal:
    case Provider::translateGemmaLocal:
        return DefaultPrompts::otome();
    case Provider::qwenLocal:
        return DefaultPrompts::otome() + DefaultPrompts::noThinkSuffix();
    case Provider::hyMTLocal:
        return DefaultPrompts::hymt();
    default:
        return std::nullopt;
    }
}

}  // namespace ProviderCatalogue
}  // namespace ovisu
