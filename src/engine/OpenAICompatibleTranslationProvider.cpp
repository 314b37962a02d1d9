#include "engine/OpenAICompatibleTranslationProvider.h"

#include "engine/ChatRequestSupport.h"
#include "engine/ServiceReplyJson.h"

#include <QJsonArray>

namespace ovisu {

using namespace ChatRequestSupport;

OpenAICompatibleTranslationProvider::OpenAICompatibleTranslationProvider(QString id, QString displayName,
                                                                         ProtocolStyle style,
                                                                         TranslationCapabilities capabilities)
    : m_id(std::move(id)), m_displayName(std::move(displayName)), m_style(style), m_capabilities(capabilities) {}

QString OpenAICompatibleTranslationProvider::fallbackPrompt() {
    return QStringLiteral("你是日乙和视觉小说翻译器。自然准确地翻译为简体中文，保留人物语气、称呼、敬语和换行。"
                          "不要解释，不要输出思考过程，只输出当前句译文。");
}

RequestResult OpenAICompatibleTranslationProvider::makeRequest(
    const QString& text, const TranslationProviderConfiguration& configuration) const {
    QList<HttpHeader> headers{{"Content-Type", "application/json"}};
    // Local OpenAI-compatible servers take no key, and an empty Bearer confuses some of them.
    if (!configuration.apiKey.isEmpty())
        headers.append({"Authorization", "Bearer " + configuration.apiKey.toUtf8()});

    const QString system = systemPrompt(configuration, fallbackPrompt());
    const QString user = userMessage(text, configuration);

    QJsonObject body{{"model", configuration.model},
                     {"temperature", configuration.temperature},
                     {"top_p", configuration.topP},
                     {"stream", configuration.streaming}};
    if (m_style == ProtocolStyle::chatCompletions) {
        body.insert("max_tokens", configuration.maxTokens);
        body.insert("messages", systemAndUserMessages(system, user));
        if (m_displayName.contains(QLatin1String("DeepSeek")))
            body.insert("thinking",
                        QJsonObject{{"type", configuration.disableThinking ? "disabled" : "enabled"}});
    } else {
        body.insert("instructions", system);
        body.insert("input", user);
        body.insert("max_output_tokens", configuration.maxTokens);
    }
    return jsonPost(configuration, headers, body);
}

std::optional<QString> OpenAICompatibleTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;

    QString collected;
    if (m_style == ProtocolStyle::chatCompletions) {
        const QJsonValue choices = object->value("choices");
        if (!choices.isArray()) return std::nullopt;
        for (const QJsonValue& choice : choices.toArray()) {
            const QJsonValue content = choice.toObject().value("message").toObject().value("content");
            if (content.isString()) collected += content.toString();
        }
        return collected;
    }

    const QJsonValue outputText = object->value("output_text");
    if (outputText.isString() && !outputText.toString().isEmpty()) return outputText.toString();
    const QJsonValue output = object->value("output");
    if (!output.isArray()) return std::nullopt;
    for (const QJsonValue& item : output.toArray()) {
        for (const QJsonValue& entry : item.toObject().value("content").toArray()) {
            const QJsonValue textValue = entry.toObject().value("text");
            if (textValue.isString()) collected += textValue.toString();
        }
    }
    return collected;
}

std::optional<QString> OpenAICompatibleTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue error = object->value("error");
    if (error.isObject()) {
        const QJsonObject e = error.toObject();
        QStringList parts;
        if (e.value("code").isString())
            parts << e.value("code").toString();
        else if (e.value("type").isString())
            parts << e.value("type").toString();
        if (e.value("message").isString()) parts << e.value("message").toString();
        if (parts.isEmpty()) return std::nullopt;
        return parts.join(QStringLiteral("："));
    }
    if (object->value("message").isString()) return object->value("message").toString();
    return std::nullopt;
}

}  // namespace ovisu
