#include "engine/BaiduTranslationProvider.h"

#include "engine/FormEncoding.h"
#include "engine/ServiceReplyJson.h"

#include <QUuid>

namespace ovisu {

QString BaiduTranslationProvider::id() const { return QStringLiteral("baidu-official"); }
QString BaiduTranslationProvider::displayName() const { return QStringLiteral("百度翻译开放平台"); }

QString BaiduTranslationProvider::sign(const QString& appid, const QString& text, const QString& salt,
                                       const QString& key) {
    return hexDigest(appid + text + salt + key, DigestAlgorithm::md5);
}

RequestResult BaiduTranslationProvider::makeRequest(const QString& text,
                                                    const TranslationProviderConfiguration& configuration) const {
    const QString appid = configuration.model;
    const QString salt = QUuid::createUuid().toString(QUuid::Id128);  // 32 hex digits, no hyphens
    return formPostRequest(configuration, {{QStringLiteral("q"), text},
                                {QStringLiteral("from"), QStringLiteral("ja")},
                                {QStringLiteral("to"), QStringLiteral("zh")},
                                {QStringLiteral("appid"), appid},
                                {QStringLiteral("salt"), salt},
                                {QStringLiteral("sign"), sign(appid, text, salt, configuration.apiKey)}});
}

std::optional<QString> BaiduTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const auto texts = reply::fieldStrings(object->value(QStringLiteral("trans_result")), QStringLiteral("dst"));
    if (!texts) return std::nullopt;
    return texts->join(QLatin1Char('\n'));
}

std::optional<QString> BaiduTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    QStringList parts;
    // The code is documented as a string; an integer code is read the same way rather than lost.
    const QJsonValue code = object->value(QStringLiteral("error_code"));
    if (code.isString())
        parts.append(code.toString());
    else if (code.isDouble() && code.toDouble() == static_cast<double>(code.toInteger()))
        parts.append(QString::number(code.toInteger()));
    if (const auto message = reply::string(object->value(QStringLiteral("error_msg")))) parts.append(*message);
    if (parts.isEmpty()) return std::nullopt;
    return parts.join(QStringLiteral("："));
}

}  // namespace ovisu
