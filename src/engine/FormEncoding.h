#pragma once

#include "engine/TranslationProviderAdapter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <expected>
#include <utility>

namespace ovisu {

using FormItems = QList<std::pair<QString, QString>>;

// "name=value&name=value" with every byte of the UTF-8 names and values percent-encoded except
// the unreserved characters (A-Z a-z 0-9 - . _ ~). A literal "+" would read as a space in a form
// body, and a literal "&" or "=" would split the field, so the services would see a text other
// than the one the signature was computed over. Empty for no items.
QByteArray encodedQuery(const FormItems& items);

// The endpoint with its query replaced by the items (anything it carried is dropped). An empty or
// malformed endpoint, or one that stops being a valid URL: invalidEndpoint.
std::expected<QUrl, TranslationProviderBuildError> urlWithQuery(const QUrl& endpoint, const FormItems& items);

// The items, in order, as an application/x-www-form-urlencoded body. No items: invalidEndpoint.
std::expected<QByteArray, TranslationProviderBuildError> formBody(const FormItems& items);

// A POST of the items as a form body to the configured endpoint, as the signed services take it.
RequestResult formPostRequest(const TranslationProviderConfiguration& configuration, const FormItems& items);

enum class DigestAlgorithm { md5, sha256 };

// Lower-case hexadecimal digest of the UTF-8 bytes of the text, two digits per byte.
QString hexDigest(const QString& text, DigestAlgorithm algorithm);

}  // namespace ovisu
