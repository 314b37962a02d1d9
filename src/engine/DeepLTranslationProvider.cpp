#include "engine/DeepLTranslationProvider.h"

#include "engine/ServiceReplyJson.h"

namespace ovisu {

QString DeepLTranslationProvider::id() const { return QStringLiteral("deepl"); }
QString DeepLTranslationProvider::displayName() const { return QStringLiteral("DeepL API"); }

RequestResult DeepLTranslationProvider::makeRequest(const QString& text,
                                                    const TranslationProviderConfiguration& configuration) const {
    QJsonObject body{{QStringLiteral("text"), QJsonArray{text}},
                     {QStringLiteral("source_lang"), QStringLiteral("JA")},
                     {QStringLiteral("target_lang"), QStringLiteral("ZH")}};
    if (!configuration.context.isEmpty()) body.insert(QStringLiteral("context"), configuration.context);

    HttpRequest request;
    request.url = configuration.endpoint;
    request.timeoutSeconds = configuration.timeout;
    request.setHeader("Content-Type", "application/json");
    request.setHeader("Authorization", "DeepL-Auth-Key " + configuration.apiKey.toUtf8());
    request.body = reply::compact(body);
    return request;
}

std::optional<QString> DeepLTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const auto texts = reply::fieldStrings(object->value(QStringLiteral("translations")), QStringLiteral("text"));
    if (!texts) return std::nullopt;
    return texts->join(QLatin1Char('\n'));
}

std::optional<QString> DeepLTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    return reply::string(object->value(QStringLiteral("message")));
}

}  // namespace ovisu
