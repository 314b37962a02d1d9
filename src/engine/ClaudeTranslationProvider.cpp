#include "engine/ClaudeTranslationProvider.h"

#include "engine/ChatRequestSupport.h"
#include "engine/ServiceReplyJson.h"

#include <QJsonArray>

namespace ovisu {

using namespace ChatRequestSupport;

ClaudeTranslationProvider::ClaudeTranslationProvider() = default;

QString ClaudeTranslationProvider::fallbackPrompt() {
    return QStringLiteral("你是日乙和视觉小说翻译器，只输出当前句的简体中文译文，不要解释或输出思考过程。");
}

RequestResult ClaudeTranslationProvider::makeRequest(const QString& text,
                                                     const TranslationProviderConfiguration& configuration) const {
    const QList<HttpHeader> headers{{"Content-Type", "application/json"},
                                    {"x-api-key", configuration.apiKey.toUtf8()},
                                    {"anthropic-version", "2023-06-01"}};
    const QJsonObject body{
        {"model", configuration.model},
        {"max_tokens", configuration.maxTokens},
        {"temperature", configuration.temperature},
        {"top_p", configuration.topP},
        {"stream", configuration.streaming},
        {"system", systemPrompt(configuration, fallbackPrompt())},
        {"messages", QJsonArray{QJsonObject{{"role", "user"}, {"content", userMessage(text, configuration)}}}},
    };
    return jsonPost(configuration, headers, body);
}

std::optional<QString> ClaudeTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue content = object->value("content");
    if (!content.isArray()) return std::nullopt;
    QString collected;
    for (const QJsonValue& block : content.toArray()) {
        if (!block.isObject()) return std::nullopt;
        const QJsonValue textValue = block.toObject().value("text");
        if (textValue.isString()) collected += textValue.toString();
    }
    return collected;
}

std::optional<QString> ClaudeTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue error = object->value("error");
    if (error.isObject()) {
        QStringList parts;
        const QJsonObject e = error.toObject();
        if (e.value("type").isString()) parts << e.value("type").toString();
        if (e.value("message").isString()) parts << e.value("message").toString();
        if (!parts.isEmpty()) return parts.join(QStringLiteral("："));
        return std::nullopt;
    }
    if (object->value("message").isString()) return object->value("message").toString();
    return std::nullopt;
}

}  // namespace ovisu
