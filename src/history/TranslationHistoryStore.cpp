#include "history/TranslationHistoryStore.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "base/ReferenceDate.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("history");

// Read-change-write sequences of every store in the process take turns, so a clear on the main
// thread cannot land in the middle of a background append.
QMutex& writeMutex() {
    static QMutex mutex;
    return mutex;
}

bool exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

QString TranslationHistoryStore::defaultFilePath() {
    return paths::quillonFolder() + QStringLiteral("/translation-history.json");
}

TranslationHistoryStore::TranslationHistoryStore(QString filePath) : m_filePath(std::move(filePath)) {}

QJsonObject TranslationHistoryStore::encodeRecord(const TranslationHistoryRecord& record) {
    QJsonObject object{
        {QStringLiteral("id"), record.id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("createdAt"), secondsSinceReferenceDate(record.createdAt)},
        {QStringLiteral("original"), record.original},
        {QStringLiteral("translation"), record.translation},
        {QStringLiteral("provider"), record.provider},
    };
    // JSON has no NaN or infinity; such a duration is as good as unknown, and is worded so.
    if (record.duration && std::isfinite(*record.duration))
        object.insert(QStringLiteral("duration"), *record.duration);
    return object;
}

std::optional<TranslationHistoryRecord> TranslationHistoryStore::decodeRecord(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue createdAt = object.value(QStringLiteral("createdAt"));
    const QJsonValue original = object.value(QStringLiteral("original"));
    const QJsonValue translation = object.value(QStringLiteral("translation"));
    const QJsonValue provider = object.value(QStringLiteral("provider"));
    const QJsonValue duration = object.value(QStringLiteral("duration"));
    if (!id.isString() || !createdAt.isDouble() || !original.isString() || !translation.isString() ||
        !provider.isString())
        return std::nullopt;
    if (!duration.isUndefined() && !duration.isNull() && !duration.isDouble())
        return std::nullopt;

    const QString idText = id.toString();
    const QUuid uuid = QUuid::fromString(idText);
    // fromString answers the nil UUID for text it cannot read; only the nil UUID itself may say so.
    if (uuid.isNull() && idText != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    if (idText.size() != 36)
        return std::nullopt;  // braces or other decorations are not the stored form
    const auto date = dateFromReferenceSeconds(createdAt.toDouble());
    if (!date)
        return std::nullopt;

    TranslationHistoryRecord record;
    record.id = uuid;
    record.createdAt = *date;
    record.original = original.toString();
    record.translation = translation.toString();
    record.provider = provider.toString();
    if (duration.isDouble())
        record.duration = duration.toDouble();
    return record;
}

QByteArray TranslationHistoryStore::encode(const QList<TranslationHistoryRecord>& records) {
    QJsonArray array;
    for (const TranslationHistoryRecord& record : records)
        array.append(encodeRecord(record));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::optional<QList<TranslationHistoryRecord>> TranslationHistoryStore::decode(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<TranslationHistoryRecord> records;
    records.reserve(array.size());
    for (const QJsonValue& value : array) {
        auto record = decodeRecord(value);
        if (!record)
            return std::nullopt;
        records.append(std::move(*record));
    }
    return records;
}

TranslationHistoryStore::LoadResult TranslationHistoryStore::loadWithStatus() const {
    LoadResult result;
    if (!exists(m_filePath))
        return result;
    QFile file(m_filePath);
    if (QFileInfo(m_filePath).isDir() || !file.open(QIODevice::ReadOnly)) {
        result.unreadable = true;
        result.error = QStringLiteral("Could not read “%1”: %2").arg(m_filePath, file.errorString());
        return result;
    }
    auto records = decode(file.readAll());
    if (!records) {
        result.unreadable = true;
        result.error = QStringLiteral("“%1” is not a translation history.").arg(m_filePath);
        return result;
    }
    result.records = std::move(*records);
    return result;
}

QList<TranslationHistoryRecord> TranslationHistoryStore::load() const { return loadWithStatus().records; }

std::expected<QList<TranslationHistoryRecord>, QString> TranslationHistoryStore::append(
    const TranslationHistoryRecord& record) {
    QMutexLocker locker(&writeMutex());
    LoadResult loaded = loadWithStatus();
    QList<TranslationHistoryRecord>& records = loaded.records;
    if (!records.isEmpty() && records.constLast().original == record.original &&
        records.constLast().provider == record.provider)
        records.last() = record;
    else
        records.append(record);
    if (records.size() > maximumRecordCount)
        records.remove(0, records.size() - maximumRecordCount);
    if (auto written = write(records, loaded.unreadable); !written)
        return std::unexpected(written.error());
    return records;
}

std::expected<void, QString> TranslationHistoryStore::save(const QList<TranslationHistoryRecord>& records) {
    QMutexLocker locker(&writeMutex());
    return write(records, loadWithStatus().unreadable);
}

std::expected<void, QString> TranslationHistoryStore::write(const QList<TranslationHistoryRecord>& records,
                                                            bool setAsideFirst) {
    if (setAsideFirst) {
        if (auto moved = setAsideUnreadableFile(m_filePath, kCategory); !moved)
            return std::unexpected(moved.error());
    }
    return writeFileAtomically(m_filePath, encode(records));
}

}  // namespace ovisu
