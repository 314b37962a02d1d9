#include "engine/GoogleFreeTranslationProvider.h"

#include "engine/FormEncoding.h"
#include "engine/ServiceReplyJson.h"

namespace ovisu {

QString GoogleFreeTranslationProvider::id() const { return QStringLiteral("google-free"); }
QString GoogleFreeTranslationProvider::displayName() const { return QStringLiteral("Google 在线翻译（免 Key）"); }

RequestResult GoogleFreeTranslationProvider::makeRequest(const QString& text,
                                                         const TranslationProviderConfiguration& configuration) const {
    const auto url = urlWithQuery(configuration.endpoint, {{QStringLiteral("client"), QStringLiteral("gtx")},
                                                           {QStringLiteral("sl"), QStringLiteral("ja")},
                                                           {QStringLiteral("tl"), QStringLiteral("zh-CN")},
                                                           {QStringLiteral("dt"), QStringLiteral("t")},
                                                           {QStringLiteral("q"), text}});
    if (!url) return std::unexpected(url.error());
    HttpRequest request;
    request.method = "GET";
    request.url = *url;
    request.timeoutSeconds = configuration.timeout;
    return request;
}

// [[["译文","原文",...], ["译文","原文",...]], null, "ja", ...]
std::optional<QString> GoogleFreeTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto top = reply::array(data);
    if (!top || top->isEmpty() || !top->first().isArray()) return std::nullopt;
    QString translation;
    for (const QJsonValue& segment : top->first().toArray()) {
        const QJsonArray parts = segment.toArray();
        if (!parts.isEmpty() && parts.first().isString()) translation += parts.first().toString();
    }
    return translation;
}

// The free endpoint answers errors with HTML or nothing; the pipeline reports the HTTP status.
std::optional<QString> GoogleFreeTranslationProvider::parseError(const QByteArray&) const { return std::nullopt; }

}  // namespace ovisu
