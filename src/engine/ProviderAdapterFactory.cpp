#include "engine/ProviderAdapterFactory.h"

#include "engine/BaiduTranslationProvider.h"
#include "engine/ClaudeTranslationProvider.h"
#include "engine/DeepLTranslationProvider.h"
#include "engine/GoogleFreeTranslationProvider.h"
#include "engine/LibreTranslateProvider.h"
#include "engine/MicrosoftTranslatorProvider.h"
#include "engine/OllamaTranslationProvider.h"
#include "engine/OpenAICompatibleTranslationProvider.h"
#include "engine/PapagoTranslationProvider.h"
#include "engine/YoudaoTranslationProvider.h"

namespace ovisu {

std::shared_ptr<const TranslationProviderAdapter> providerAdapter(Provider provider, const QString& endpoint) {
    using Style = OpenAICompatibleTranslationProvider::ProtocolStyle;
    const auto chat = TranslationCapabilities::chat(true);
    const QString raw = QString::number(rawValue(provider));

    switch (provider) {
    case Provider::openAI:
    case Provider::doubao:
        return std::make_shared<OpenAICompatibleTranslationProvider>(
            "responses-" + raw, ProviderCatalogue::title(provider), Style::responses, chat);
    case Provider::custom:
        return std::make_shared<OpenAICompatibleTranslationProvider>(
            "custom", ProviderCatalogue::title(provider),
            ProviderCatalogue::endpointUsesChatCompletions(endpoint) ? Style::chatCompletions : Style::responses,
            chat);
    case Provider::claude:
        return std::make_shared<ClaudeTranslationProvider>();
    case Provider::ollamaLocal:
    case Provider::translateGemmaLocal:
        return std::make_shared<OllamaTranslationProvider>();
    case Provider::google:
        return std::make_shared<GoogleFreeTranslationProvider>();
    case Provider::deepL:
        return std::make_shared<DeepLTranslationProvider>();
    case Provider::microsoft:
        return std::make_shared<MicrosoftTranslatorProvider>();
    case Provider::youdao:
        return std::make_shared<YoudaoTranslationProvider>();
    case Provider::baidu:
        return std::make_shared<BaiduTranslationProvider>();
    case Provider::papago:
        return std::make_shared<PapagoTranslationProvider>();
    case Provider::libreTranslate:
        return std::make_shared<LibreTranslateProvider>();
    case Provider::systemTranslation:
        return nullptr;
    default:  // DeepSeek, the local llama-servers and the OpenAI-compatible clouds
        return std::make_shared<OpenAICompatibleTranslationProvider>(
            "chat-" + raw, ProviderCatalogue::title(provider), Style::chatCompletions, chat);
    }
}

}  // namespace ovisu
