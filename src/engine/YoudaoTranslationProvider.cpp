#include "engine/YoudaoTranslationProvider.h"

#include "engine/FormEncoding.h"
#include "engine/ServiceReplyJson.h"

#include <QDateTime>
#include <QHash>
#include <QTextBoundaryFinder>
#include <QUuid>

namespace ovisu {

namespace {

QString errorDescription(const QString& code) {
    static const QHash<QString, QString> descriptions{
        {QStringLiteral("101"), QStringLiteral("缺少必填参数")},
        {QStringLiteral("108"), QStringLiteral("应用 ID 无效")},
        {QStringLiteral("110"), QStringLiteral("应用未绑定文本翻译服务")},
        {QStringLiteral("202"), QStringLiteral("签名校验失败，请检查应用 ID 和应用密钥")},
        {QStringLiteral("203"), QStringLiteral("当前 IP 不在允许列表")},
        {QStringLiteral("206"), QStringLiteral("时间戳无效")},
        {QStringLiteral("207"), QStringLiteral("请求被判定为重放")},
        {QStringLiteral("401"), QStringLiteral("账户欠费")},
        {QStringLiteral("411"), QStringLiteral("调用频率受限")},
    };
    return descriptions.value(code, QStringLiteral("请在有道官方错误码文档中查询"));
}

}  // namespace

QString YoudaoTranslationProvider::id() const { return QStringLiteral("youdao-official"); }
QString YoudaoTranslationProvider::displayName() const { return QStringLiteral("有道智云 API"); }

QString YoudaoTranslationProvider::signatureInput(const QString& text) {
    // Start offsets of every grapheme cluster, then the end of the text.
    QList<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) bounds.append(next);
    const qsizetype count = bounds.size() - 1;
    if (count <= 20) return text;
    return text.left(bounds[10]) + QString::number(count) + text.mid(bounds[count - 10]);
}

QString YoudaoTranslationProvider::sign(const QString& appKey, const QString& input, const QString& salt,
                                        const QString& curtime, const QString& appSecret) {
    return hexDigest(appKey + input + salt + curtime + appSecret, DigestAlgorithm::sha256);
}

RequestResult YoudaoTranslationProvider::makeRequest(const QString& text,
                                                     const TranslationProviderConfiguration& configuration) const {
    const QString appKey = configuration.model;
    const QString salt = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString curtime = QString::number(QDateTime::currentSecsSinceEpoch());
    const QString signature = sign(appKey, signatureInput(text), salt, curtime, configuration.apiKey);

    return formPostRequest(configuration, {{QStringLiteral("q"), text},
                                {QStringLiteral("from"), QStringLiteral("ja")},
                                {QStringLiteral("to"), QStringLiteral("zh-CHS")},
                                {QStringLiteral("appKey"), appKey},
                                {QStringLiteral("salt"), salt},
                                {QStringLiteral("sign"), signature},
                                {QStringLiteral("signType"), QStringLiteral("v3")},
                                {QStringLiteral("curtime"), curtime}});
}

std::optional<QString> YoudaoTranslationProvider::parseResponse(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    // Youdao answers failures with status 200 and an error code in the body.
    const auto code = reply::string(object->value(QStringLiteral("errorCode")));
    if (code && *code != QLatin1String("0")) return std::nullopt;
    const QJsonValue translation = object->value(QStringLiteral("translation"));
    if (!translation.isArray()) return std::nullopt;
    QStringList texts;
    for (const QJsonValue& line : translation.toArray())
        if (line.isString()) texts.append(line.toString());
    return texts.join(QLatin1Char('\n'));
}

std::optional<QString> YoudaoTranslationProvider::parseError(const QByteArray& data) const {
    const auto object = reply::object(data);
    if (!object) return std::nullopt;
    const auto code = reply::string(object->value(QStringLiteral("errorCode")));
    if (!code || *code == QLatin1String("0")) return std::nullopt;
    return QStringLiteral("有道错误 ") + *code + QStringLiteral("：") + errorDescription(*code);
}

}  // namespace ovisu
