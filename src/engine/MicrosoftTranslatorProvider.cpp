#include "engine/MicrosoftTranslatorProvider.h"

#include "engine/FormEncoding.h"
#include "engine/ServiceReplyJson.h"

namespace ovisu {

QString MicrosoftTranslatorProvider::id() const { return QStringLiteral("microsoft-translator"); }
QString MicrosoftTranslatorProvider::displayName() const { return QStringLiteral("Microsoft Translator"); }

RequestResult MicrosoftTranslatorProvider::makeRequest(const QString& text,
                                                       const TranslationProviderConfiguration& configuration) const {
    const auto url = urlWithQuery(configuration.endpoint, {{QStringLiteral("api-version"), QStringLiteral("3.0")},
                                                           {QStringLiteral("from"), QStringLiteral("ja")},
                                                           {QStringLiteral("to"), QStringLiteral("zh-Hans")}});
    if (!url) return std::unexpected(url.error());

    HttpRequest request;
    request.url = *url;
    request.timeoutSeconds = configuration.timeout;
    request.setHeader("Content-Type", "application/json; charset=UTF-8");
    request.setHeader("Ocp-Apim-Subscription-Key", configuration.apiKey.toUtf8());
    // A global single-service resource has no region; an empty header would be refused.
    const QString region = configuration.model.trimmed();
    if (!region.isEmpty()) request.setHeader("Ocp-Apim-Subscription-Region", region.toUtf8());
    request.body = reply::compact(QJsonArray{QJsonObject{{QStringLiteral("Text"), text}}});
    return request;
}

// [{"translations": [{"text": "...", "to": "zh-Hans"}]}]
std::optional<QString> MicrosoftTranslatorProvider::parseResponse(const QByteArray& data) const {
    const auto top = reply::array(data);
    if (!top) return std::nullopt;
    QStringList texts;
    for (const QJsonValue& item : *top)
        if (const auto found = reply::fieldStrings(item.toObject().value(QStringLiteral("translations")),
                                                   QStringLiteral("text")))
            texts += *found;
    return texts.join(QLatin1Char('\n'));
}

std::optional<QString> MicrosoftTranslatorProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    return reply::nestedString(*object, QStringLiteral("error"), QStringLiteral("message"));
}

}  // namespace ovisu
