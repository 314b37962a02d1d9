#include "engine/PapagoTranslationProvider.h"

#include "engine/ServiceReplyJson.h"

namespace ovisu {

QString PapagoTranslationProvider::id() const { return QStringLiteral("papago-official"); }
QString PapagoTranslationProvider::displayName() const { return QStringLiteral("Papago Translation API"); }

RequestResult PapagoTranslationProvider::makeRequest(const QString& text,
                                                     const TranslationProviderConfiguration& configuration) const {
    HttpRequest request;
    request.url = configuration.endpoint;
    request.timeoutSeconds = configuration.timeout;
    request.setHeader("Content-Type", "application/json");
    request.setHeader("X-NCP-APIGW-API-KEY-ID", configuration.model.toUtf8());
    request.setHeader("X-NCP-APIGW-API-KEY", configuration.apiKey.toUtf8());
    request.body = reply::compact(QJsonObject{{QStringLiteral("source"), QStringLiteral("ja")},
                                              {QStringLiteral("target"), QStringLiteral("zh-CN")},
                                              {QStringLiteral("text"), text}});
    return request;
}

// {"message": {"result": {"translatedText": "..."}}}; some gateways answer a flat {"translatedText": "..."}.
std::optional<QString> PapagoTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue message = object->value(QStringLiteral("message"));
    if (message.isObject())
        if (const auto text = reply::nestedString(message.toObject(), QStringLiteral("result"),
                                                  QStringLiteral("translatedText")))
            return text;
    return reply::string(object->value(QStringLiteral("translatedText")));
}

std::optional<QString> PapagoTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    if (const auto text = reply::string(object->value(QStringLiteral("errorMessage")))) return text;
    if (const auto text = reply::nestedString(*object, QStringLiteral("error"), QStringLiteral("message"))) return text;
    return reply::string(object->value(QStringLiteral("message")));
}

}  // namespace ovisu
