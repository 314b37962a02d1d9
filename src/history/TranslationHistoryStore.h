#pragma once

#include "engine/TranslationHistoryRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>

#include <expected>
#include <functional>
#include <optional>

namespace ovisu {

// The persisted translation history: one JSON array, oldest first, at most 5,000 records. The
// store keeps nothing in memory; every operation reads the file afresh. A file that cannot be
// read counts as empty, and is moved aside before the next write so old history is never lost.
class TranslationHistoryStore {
public:
    static constexpr int maximumRecordCount = 5000;

    // paths::quillonFolder()/translation-history.json
    static QString defaultFilePath();

    explicit TranslationHistoryStore(QString filePath = defaultFilePath());

    QString filePath() const { return m_filePath; }

    struct LoadResult {
        QList<TranslationHistoryRecord> records;
        bool unreadable = false;  // the file exists but could not be read or decoded
        QString error;            // why, when unreadable
    };
    LoadResult loadWithStatus() const;
    // Missing or unreadable file: the empty list.
    QList<TranslationHistoryRecord> load() const;

    // Adds the record, or replaces the last one when it has the same original and the same
    // source label (a re-translation of that line); keeps the newest 5,000. Returns the list
    // as saved.
    std::expected<QList<TranslationHistoryRecord>, QString> append(const TranslationHistoryRecord& record);
    // Writes the list as the whole history (an empty list clears it).
    std::expected<void, QString> save(const QList<TranslationHistoryRecord>& records);

    // One record's JSON form: sorted keys, upper-case id, createdAt in seconds since
    // 2001-01-01 UTC, duration only when known.
    static QJsonObject encodeRecord(const TranslationHistoryRecord& record);
    static std::optional<TranslationHistoryRecord> decodeRecord(const QJsonValue& value);
    // The file: pretty-printed array. Decoding fails as a whole when any element is not a record.
    static QByteArray encode(const QList<TranslationHistoryRecord>& records);
    static std::optional<QList<TranslationHistoryRecord>> decode(const QByteArray& bytes);

private:
    std::expected<void, QString> write(const QList<TranslationHistoryRecord>& records, bool setAsideFirst);

    QString m_filePath;
};

}  // namespace ovisu
