#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

namespace ovisu {

// One translation failure, kept for the diagnostic package.
struct DiagnosticErrorRecord {
    QDateTime occurredAt;
    QString category;                 // for example "translation"
    QString operation;                // for example "实时翻译"
    std::optional<QString> provider;  // title of the source involved
    std::optional<QString> errorCode;
    std::optional<int> httpStatus;
    QString message;
    int retryCount = 0;

    friend bool operator==(const DiagnosticErrorRecord&, const DiagnosticErrorRecord&) = default;

    // Absent fields are left out; occurredAt as ISO-8601 in UTC without fractions
    // ("2024-05-01T13:03:07Z").
    QJsonObject toJson() const;
    static std::optional<DiagnosticErrorRecord> fromJson(const QJsonValue& value);

    // The record the dialogue pipeline makes when a translation failed and no fallback is tried.
    static DiagnosticErrorRecord translationFailure(const QDateTime& occurredAt, std::optional<QString> providerTitle,
                                                    std::optional<QString> errorText,
                                                    std::optional<int> httpStatus);
};

// The most recent translation failures, in memory only: oldest first, the newest 100 kept. Any
// thread may append.
class DiagnosticErrorRecorder {
public:
    static constexpr int maximumCount = 100;

    static DiagnosticErrorRecorder& shared();

    void append(const DiagnosticErrorRecord& record);
    QList<DiagnosticErrorRecord> records() const;  // a copy, taken under the lock
    // The copy as the package stores it: a pretty-printed array with sorted keys.
    QByteArray recordsJson() const;

private:
    mutable std::mutex m_lock;
    QList<DiagnosticErrorRecord> m_records;
};

}  // namespace ovisu
