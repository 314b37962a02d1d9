#include "engine/LibreTranslateProvider.h"

#include "engine/ServiceReplyJson.h"

namespace ovisu {

QString LibreTranslateProvider::id() const { return QStringLiteral("libretranslate"); }
QString LibreTranslateProvider::displayName() const { return QStringLiteral("LibreTranslate / Argos"); }

RequestResult LibreTranslateProvider::makeRequest(const QString& text,
                                                  const TranslationProviderConfiguration& configuration) const {
    QJsonObject body{{QStringLiteral("q"), text},
                     {QStringLiteral("source"), QStringLiteral("ja")},
                     {QStringLiteral("target"), QStringLiteral("zh")},
                     {QStringLiteral("format"), QStringLiteral("text")}};
    // A self-hosted instance needs no key; some instances refuse a request that carries a blank one.
    if (!configuration.apiKey.trimmed().isEmpty()) body.insert(QStringLiteral("api_key"), configuration.apiKey);

    HttpRequest request;
    request.url = configuration.endpoint;
    request.timeoutSeconds = configuration.timeout;
    request.setHeader("Content-Type", "application/json; charset=UTF-8");
    request.body = reply::compact(body);
    return request;
}

std::optional<QString> LibreTranslateProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const QJsonValue translated = object->value(QStringLiteral("translatedText"));
    if (translated.isString()) return translated.toString();
    // A batch request (q as an array) is answered with an array.
    if (!translated.isArray()) return std::nullopt;
    QStringList texts;
    for (const QJsonValue& line : translated.toArray())
        if (line.isString()) texts.append(line.toString());
    return texts.join(QLatin1Char('\n'));
}

std::optional<QString> LibreTranslateProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    if (const auto text = reply::string(object->value(QStringLiteral("error")))) return text;
    if (const auto text = reply::nestedString(*object, QStringLiteral("error"), QStringLiteral("message"))) return text;
    if (const auto text = reply::string(object->value(QStringLiteral("message")))) return text;
    return reply::string(object->value(QStringLiteral("detail")));
}

}  // namespace ovisu
