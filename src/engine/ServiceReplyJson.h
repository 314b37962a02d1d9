#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// Reading service replies: anything that is not the JSON shape asked for reads as nothing, so a
// hostile or truncated body never gets further than "no translation".
namespace ovisu::reply {

inline std::optional<QJsonDocument> json(const QByteArray& data) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || document.isNull()) return std::nullopt;
    return document;
}

inline std::optional<QJsonObject> object(const QByteArray& data) {
    const auto document = json(data);
    if (!document || !document->isObject()) return std::nullopt;
    return document->object();
}

inline std::optional<QJsonArray> array(const QByteArray& data) {
    const auto document = json(data);
    if (!document || !document->isArray()) return std::nullopt;
    return document->array();
}

inline std::optional<QString> string(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

// The string at object[outer][inner], when both levels have the expected type.
inline std::optional<QString> nestedString(const QJsonObject& object, const QString& outer, const QString& inner) {
    const QJsonValue value = object.value(outer);
    if (!value.isObject()) return std::nullopt;
    return string(value.toObject().value(inner));
}

// The string `field` of every object element of `value` when it is an array; nothing when it is not.
inline std::optional<QStringList> fieldStrings(const QJsonValue& value, const QString& field) {
    if (!value.isArray()) return std::nullopt;
    QStringList texts;
    for (const QJsonValue& element : value.toArray())
        if (const auto text = string(element.toObject().value(field))) texts.append(*text);
    return texts;
}

inline QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }
inline QByteArray compact(const QJsonArray& array) { return QJsonDocument(array).toJson(QJsonDocument::Compact); }

// The message of an error body shaped {"error": {"message": ...}}, which most chat services send
// with a failed status: it says more than whatever the adapter made of the reply.
inline std::optional<QString> errorObjectMessage(const QByteArray& body) {
    const auto document = object(body);
    if (!document) return std::nullopt;
    const QJsonValue error = document->value(QStringLiteral("error"));
    if (!error.isObject()) return std::nullopt;
    return string(error.toObject().value(QStringLiteral("message")));
}

}  // namespace ovisu::reply
