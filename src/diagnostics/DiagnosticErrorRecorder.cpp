#include "diagnostics/DiagnosticErrorRecorder.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <limits>

namespace ovisu {

namespace {

std::optional<int> intValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(number);
}

// Absent (or null) reads as nothing; present with the wrong type is a decoding failure.
template <typename T, typename Read>
bool readOptional(const QJsonObject& object, const char* key, std::optional<T>& into, Read read) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    into = read(value);
    return into.has_value();
}

}  // namespace

QJsonObject DiagnosticErrorRecord::toJson() const {
    QJsonObject object{
        {QStringLiteral("occurredAt"), occurredAt.toUTC().toString(Qt::ISODate)},
        {QStringLiteral("category"), category},
        {QStringLiteral("operation"), operation},
        {QStringLiteral("message"), message},
        {QStringLiteral("retryCount"), retryCount},
    };
    if (provider)
        object.insert(QStringLiteral("provider"), *provider);
    if (errorCode)
        object.insert(QStringLiteral("errorCode"), *errorCode);
    if (httpStatus)
        object.insert(QStringLiteral("httpStatus"), *httpStatus);
    return object;
}

std::optional<DiagnosticErrorRecord> DiagnosticErrorRecord::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue occurredAt = object.value(QStringLiteral("occurredAt"));
    const QJsonValue category = object.value(QStringLiteral("category"));
    const QJsonValue operation = object.value(QStringLiteral("operation"));
    const QJsonValue message = object.value(QStringLiteral("message"));
    const auto retryCount = intValue(object.value(QStringLiteral("retryCount")));
    if (!occurredAt.isString() || !category.isString() || !operation.isString() || !message.isString() ||
        !retryCount)
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(occurredAt.toString(), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;

    DiagnosticErrorRecord record;
    record.occurredAt = date.toUTC();
    record.category = category.toString();
    record.operation = operation.toString();
    record.message = message.toString();
    record.retryCount = *retryCount;
    const auto readString = [](const QJsonValue& v) {
        return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
    };
    if (!readOptional(object, "provider", record.provider, readString) ||
        !readOptional(object, "errorCode", record.errorCode, readString) ||
        !readOptional(object, "httpStatus", record.httpStatus, intValue))
        return std::nullopt;
    return record;
}

DiagnosticErrorRecord DiagnosticErrorRecord::translationFailure(const QDateTime& occurredAt,
                                                                std::optional<QString> providerTitle,
                                                                std::optional<QString> errorText,
                                                                std::optional<int> httpStatus) {
    // An empty error text says as little as none at all.
    if (errorText && errorText->isEmpty())
        errorText.reset();
    DiagnosticErrorRecord record;
    record.occurredAt = occurredAt;
    record.category = QStringLiteral("translation");
    record.operation = QStringLiteral("实时翻译");
    record.provider = std::move(providerTitle);
    record.errorCode = errorText;
    record.httpStatus = httpStatus;
    record.message = errorText.value_or(QStringLiteral("未知翻译错误"));
    record.retryCount = 0;
    return record;
}

DiagnosticErrorRecorder& DiagnosticErrorRecorder::shared() {
    static DiagnosticErrorRecorder recorder;
    return recorder;
}

void DiagnosticErrorRecorder::append(const DiagnosticErrorRecord& record) {
    const std::lock_guard lock(m_lock);
    m_records.append(record);
    if (m_records.size() > maximumCount)
        m_records.remove(0, m_records.size() - maximumCount);
}

QList<DiagnosticErrorRecord> DiagnosticErrorRecorder::records() const {
    const std::lock_guard lock(m_lock);
    return m_records;
}

QByteArray DiagnosticErrorRecorder::recordsJson() const {
    QJsonArray array;
    for (const DiagnosticErrorRecord& record : records())
        array.append(record.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace ovisu
