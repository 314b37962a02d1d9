#include "engine/OllamaTranslationProvider.h"

#include "engine/ChatRequestSupport.h"
#include "engine/ServiceReplyJson.h"

namespace ovisu {

using namespace ChatRequestSupport;

OllamaTranslationProvider::OllamaTranslationProvider() = default;

QString OllamaTranslationProvider::fallbackPrompt() {
    return QStringLiteral("你是日乙和视觉小说翻译器。自然准确地翻译为简体中文，只输出当前句译文。");
}

RequestResult OllamaTranslationProvider::makeRequest(const QString& text,
                                                     const TranslationProviderConfiguration& configuration) const {
    const QList<HttpHeader> headers{{"Content-Type", "application/json; charset=UTF-8"}};
    QJsonObject body{
        {"model", configuration.model},
        {"messages", systemAndUserMessages(systemPrompt(configuration, fallbackPrompt()), userMessage(text, configuration))},
        {"stream", false},
        {"options", QJsonObject{{"temperature", configuration.temperature},
                                {"top_p", configuration.topP},
                                {"num_predict", configuration.maxTokens}}},
        {"keep_alive", "10m"},
    };
    if (configuration.disableThinking) body.insert("think", false);
    return jsonPost(configuration, headers, body);
}

std::optional<QString> OllamaTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue content = object->value("message").toObject().value("content");
    if (content.isString() && !content.toString().isEmpty()) return content.toString();
    if (object->value("response").isString()) return object->value("response").toString();
    return std::nullopt;
}

std::optional<QString> OllamaTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    if (object->value("error").isString()) return object->value("error").toString();
    if (object->value("message").isString()) return object->value("message").toString();
    return std::nullopt;
}

}  // namespace ovisu
