#include "base/SettingsStore.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QMutexLocker>

#include <climits>
#include <cmath>

namespace ovisu {
namespace {

const QString kLogCategory = QStringLiteral("settings");

}  // namespace

SettingsStore::SettingsStore(QString filePath) : m_filePath(std::move(filePath)) {
    const JsonFileRead read = readJsonFile(m_filePath);
    switch (read.status) {
    case JsonFileRead::Status::missing:
        return;
    case JsonFileRead::Status::ok:
        if (read.document.isObject()) {
            m_values = read.document.object();
            return;
        }
        break;  // valid JSON but not an object: as unreadable as broken JSON
    case JsonFileRead::Status::unreadable:
        break;
    }
    m_unreadableFilePending = !setAsideUnreadableFile(m_filePath, kLogCategory).has_value();
}

SettingsStore::SettingsStore() : SettingsStore(paths::settingsFile()) {}

bool SettingsStore::contains(const QString& key) const {
    QMutexLocker locker(&m_mutex);
    return m_values.contains(key);
}

QJsonValue SettingsStore::value(const QString& key) const {
    QMutexLocker locker(&m_mutex);
    const auto found = m_values.constFind(key);
    return found == m_values.constEnd() ? QJsonValue(QJsonValue::Undefined) : found.value();
}

bool SettingsStore::boolValue(const QString& key, bool defaultValue) const {
    const QJsonValue stored = value(key);
    return stored.isBool() ? stored.toBool() : defaultValue;
}

int SettingsStore::intValue(const QString& key, int defaultValue) const {
    const QJsonValue stored = value(key);
    if (!stored.isDouble())
        return defaultValue;
    const double number = stored.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || number < double(INT_MIN) || number > double(INT_MAX))
        return defaultValue;
    return static_cast<int>(number);
}

double SettingsStore::doubleValue(const QString& key, double defaultValue) const {
    const QJsonValue stored = value(key);
    return stored.isDouble() ? stored.toDouble() : defaultValue;
}

QString SettingsStore::stringValue(const QString& key, const QString& defaultValue) const {
    const QJsonValue stored = value(key);
    return stored.isString() ? stored.toString() : defaultValue;
}

std::optional<QJsonArray> SettingsStore::arrayValue(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isArray())
        return std::nullopt;
    return stored.toArray();
}

std::optional<QJsonObject> SettingsStore::dictionaryValue(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isObject())
        return std::nullopt;
    return stored.toObject();
}

std::optional<QByteArray> SettingsStore::dataValue(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isString())
        return std::nullopt;
    const QString text = stored.toString();
    // Characters outside Latin-1 become '?', which the strict decoder rejects.
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

std::expected<void, QString> SettingsStore::setValue(const QString& key, const QJsonValue& value) {
    if (value.isDouble() && !std::isfinite(value.toDouble()))
        return std::unexpected(QStringLiteral("The value for “%1” is not a finite number.").arg(key));
    QMutexLocker locker(&m_mutex);
    if (value.isUndefined())
        m_values.remove(key);
    else
        m_values.insert(key, value);
    return writeLocked();
}

std::expected<void, QString> SettingsStore::setBool(const QString& key, bool value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setInt(const QString& key, int value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setDouble(const QString& key, double value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setString(const QString& key, const QString& value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setArray(const QString& key, const QJsonArray& value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setDictionary(const QString& key, const QJsonObject& value) {
    return setValue(key, QJsonValue(value));
}

std::expected<void, QString> SettingsStore::setData(const QString& key, const QByteArray& value) {
    return setValue(key, QJsonValue(QString::fromLatin1(value.toBase64())));
}

std::expected<void, QString> SettingsStore::remove(const QString& key) {
    QMutexLocker locker(&m_mutex);
    m_values.remove(key);
    return writeLocked();
}

std::expected<void, QString> SettingsStore::writeLocked() {
    if (m_unreadableFilePending) {
        if (QFileInfo::exists(m_filePath)) {
            if (auto moved = setAsideUnreadableFile(m_filePath, kLogCategory); !moved)
                return std::unexpected(moved.error());
        }
        m_unreadableFilePending = false;
    }
    auto written = writeFileAtomically(m_filePath, QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    // Some changes are made where nobody could show an error (the selected source, the region);
    // the log is where a setting that did not stick can still be traced.
    if (!written)
        AppLogger::shared().error(kLogCategory, QStringLiteral("设置保存失败：") + written.error());
    return written;
}

}  // namespace ovisu
