#include "engine/UndecodableSettingArchive.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/SettingsStore.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

namespace ovisu {
namespace {

// QJsonDocument holds only arrays and objects; a scalar is written as its own JSON text.
QByteArray jsonText(const QJsonValue& value) {
    if (value.isArray()) return QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented);
    if (value.isObject()) return QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2) + '\n';
}

}  // namespace

std::expected<void, QString> archiveUndecodableSetting(const SettingsStore& settings, const QString& key,
                                                       const std::function<bool(const QJsonValue&)>& decodes) {
    const QJsonValue stored = settings.value(key);
    if (stored.isUndefined() || stored.isNull() || decodes(stored)) return {};

    const QString folder = QFileInfo(settings.filePath()).absolutePath();
    const QString stamp =
        QLocale::c().toString(QDateTime::currentDateTimeUtc(), QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = folder + QLatin1Char('/') + key + QStringLiteral(".corrupt-") + stamp;
    QString target = base + QStringLiteral(".json");
    // Two copies within one second must not replace each other.
    for (int counter = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++counter)
        target = base + QLatin1Char('-') + QString::number(counter) + QStringLiteral(".json");

    if (auto written = writeFileAtomically(target, jsonText(stored)); !written) {
        AppLogger::shared().error(QStringLiteral("settings"),
                                  QStringLiteral("无法解码的设置未能另存，保留原值：") + key + QStringLiteral("：") +
                                      written.error());
        return std::unexpected(written.error());
    }
    AppLogger::shared().warning(QStringLiteral("settings"),
                                QStringLiteral("无法解码的设置已另存：") + key + QStringLiteral(" → ") + target);
    return {};
}

}  // namespace ovisu
