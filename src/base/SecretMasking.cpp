#include "base/SecretMasking.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace ovisu {

QString maskedSecret(const QString& secret) {
    const qsizetype length = secret.size();
    if (length <= 5) return QString(length, QLatin1Char('*'));
    return secret.left(3) + QString(length - 5, QLatin1Char('*')) + secret.right(2);
}

QString maskSecretIn(const QString& text, const QString& secret) {
    if (secret.isEmpty()) return text;
    QString result = text;
    const QString masked = maskedSecret(secret);

    // The forms in which a secret can stand in a request: raw, inside a JSON string, in a URL or form.
    QString jsonEscaped = QString::fromUtf8(QJsonDocument(QJsonArray{secret}).toJson(QJsonDocument::Compact));
    jsonEscaped = jsonEscaped.mid(2, jsonEscaped.size() - 4);
    const QString percentEncoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
    for (const QString& form : {secret, jsonEscaped, percentEncoded}) result.replace(form, masked);
    return result;
}

QString maskStoredSecretIn(const QString& text, const QString& storedSecret) {
    QString result = maskSecretIn(text, storedSecret);
    const QString sent = storedSecret.trimmed();
    if (sent != storedSecret) result = maskSecretIn(result, sent);
    return result;
}

}  // namespace ovisu
