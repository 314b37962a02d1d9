#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QMutex>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// The per-user defaults store: one JSON object in settings.json, read once at construction and
// written whole and atomically on every change. A missing value, or one of the wrong type, reads
// as the caller's default. A settings file that cannot be parsed is set aside (never overwritten)
// and the store starts empty.
//
// Data values are kept as base64 strings, since JSON has no byte type.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath);
    SettingsStore();  // the default file, paths::settingsFile()

    QString filePath() const { return m_filePath; }

    bool contains(const QString& key) const;
    QJsonValue value(const QString& key) const;  // Undefined when missing

    bool boolValue(const QString& key, bool defaultValue) const;
    int intValue(const QString& key, int defaultValue) const;        // integral JSON numbers only
    double doubleValue(const QString& key, double defaultValue) const;
    QString stringValue(const QString& key, const QString& defaultValue = {}) const;
    std::optional<QJsonArray> arrayValue(const QString& key) const;
    std::optional<QJsonObject> dictionaryValue(const QString& key) const;
    std::optional<QByteArray> dataValue(const QString& key) const;

    std::expected<void, QString> setValue(const QString& key, const QJsonValue& value);
    std::expected<void, QString> setBool(const QString& key, bool value);
    std::expected<void, QString> setInt(const QString& key, int value);
    std::expected<void, QString> setDouble(const QString& key, double value);
    std::expected<void, QString> setString(const QString& key, const QString& value);
    std::expected<void, QString> setArray(const QString& key, const QJsonArray& value);
    std::expected<void, QString> setDictionary(const QString& key, const QJsonObject& value);
    std::expected<void, QString> setData(const QString& key, const QByteArray& value);
    std::expected<void, QString> remove(const QString& key);

private:
    std::expected<void, QString> writeLocked();

    QString m_filePath;
    mutable QMutex m_mutex;
    QJsonObject m_values;
    // The file on disk could not be read and has not been moved aside yet: it must not be
    // replaced until it has.
    bool m_unreadableFilePending = false;
};

}  // namespace ovisu
