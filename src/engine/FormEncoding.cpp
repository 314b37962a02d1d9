#include "engine/FormEncoding.h"

#include <QCryptographicHash>

namespace ovisu {

QByteArray encodedQuery(const FormItems& items) {
    QByteArray query;
    for (const auto& [name, value] : items) {
        if (!query.isEmpty()) query += '&';
        // With no exclusions Qt leaves exactly the unreserved set unescaped.
        query += name.toUtf8().toPercentEncoding();
        query += '=';
        query += value.toUtf8().toPercentEncoding();
    }
    return query;
}

std::expected<QUrl, TranslationProviderBuildError> urlWithQuery(const QUrl& endpoint, const FormItems& items) {
    if (endpoint.isEmpty() || !endpoint.isValid() || endpoint.isRelative())
        return std::unexpected(TranslationProviderBuildError::invalidEndpoint());
    QUrl url = endpoint;
    // Strict mode takes the already escaped text as it stands; QUrl keeps %2B, %26 and %3D
    // escaped in the query, so they stay data rather than becoming delimiters.
    url.setQuery(QString::fromLatin1(encodedQuery(items)), QUrl::StrictMode);
    if (!url.isValid()) return std::unexpected(TranslationProviderBuildError::invalidEndpoint());
    return url;
}

std::expected<QByteArray, TranslationProviderBuildError> formBody(const FormItems& items) {
    if (items.isEmpty()) return std::unexpected(TranslationProviderBuildError::invalidEndpoint());
    return encodedQuery(items);
}

RequestResult formPostRequest(const TranslationProviderConfiguration& configuration, const FormItems& items) {
    const auto body = formBody(items);
    if (!body) return std::unexpected(body.error());
    HttpRequest request;
    request.url = configuration.endpoint;
    request.timeoutSeconds = configuration.timeout;
    request.setHeader("Content-Type", "application/x-www-form-urlencoded; charset=UTF-8");
    request.body = *body;
    return request;
}

QString hexDigest(const QString& text, DigestAlgorithm algorithm) {
    const auto hash = algorithm == DigestAlgorithm::md5 ? QCryptographicHash::Md5 : QCryptographicHash::Sha256;
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), hash).toHex());
}

}  // namespace ovisu
