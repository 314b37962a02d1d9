#include "engine/LocalCredentialStore.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>

namespace ovisu {
namespace {

const QString kLogCategory = QStringLiteral("credentials");
constexpr QFileDevice::Permissions kFolderPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Only error descriptions are logged here; a secret never reaches the log.
std::unexpected<QString> logSaveFailure(const QString& description) {
    AppLogger::shared().error(kLogCategory, QStringLiteral("本地凭据保存失败：") + description);
    return std::unexpected(description);
}

}  // namespace

QMutex& LocalCredentialStore::lock() {
    static QMutex mutex;
    return mutex;
}

QString LocalCredentialStore::storageURL() { return paths::credentialsFile(); }

QMap<QString, QString> LocalCredentialStore::readUnlocked(ReadState* state) {
    const auto finish = [state](ReadState result) {
        if (state)
            *state = result;
        return QMap<QString, QString>();
    };

    const JsonFileRead read = readJsonFile(storageURL());
    if (read.status == JsonFileRead::Status::missing)
        return finish(ReadState::missing);
    if (read.status != JsonFileRead::Status::ok)
        return finish(ReadState::unreadable);
    auto credentials = decode(read.document);
    if (!credentials)
        return finish(ReadState::unreadable);
    if (state)
        *state = ReadState::ok;
    return std::move(*credentials);
}

std::optional<QMap<QString, QString>> LocalCredentialStore::decode(const QJsonDocument& document) {
    if (!document.isObject())
        return std::nullopt;
    QMap<QString, QString> credentials;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        credentials.insert(it.key(), it.value().toString());
    }
    return credentials;
}

QByteArray LocalCredentialStore::encode(const QMap<QString, QString>& credentials) {
    QJsonObject object;  // keeps its keys sorted
    for (auto it = credentials.constBegin(); it != credentials.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QMap<QString, QString> LocalCredentialStore::readAll() {
    QMutexLocker locker(&lock());
    return readUnlocked(nullptr);
}

QString LocalCredentialStore::secret(const QString& account) {
    QMutexLocker locker(&lock());
    return readUnlocked(nullptr).value(account);
}

std::expected<void, QString> LocalCredentialStore::save(const QString& value, const QString& account) {
    QMutexLocker locker(&lock());
    ReadState state = ReadState::missing;
    QMap<QString, QString> credentials = readUnlocked(&state);
    if (state == ReadState::unreadable) {
        // The file may still hold the other sources' secrets in a form we cannot read: keep it
        // beside the new file rather than writing over it.
        if (auto moved = setAsideUnreadableFile(storageURL(), kLogCategory); !moved)
            return logSaveFailure(moved.error());
    }
    if (value.isEmpty())
        credentials.remove(account);
    else
        credentials.insert(account, value);
    return writeUnlocked(credentials);
}

std::expected<void, QString> LocalCredentialStore::writeUnlocked(const QMap<QString, QString>& credentials) {
    const QString path = storageURL();
    const QString folder = QFileInfo(path).absolutePath();
    if (auto created = createFolders(folder, kFolderPermissions); !created)
        return logSaveFailure(created.error());
    // The folder may predate this program or have been widened by hand.
    if (!QFile::setPermissions(folder, kFolderPermissions))
        return logSaveFailure(QStringLiteral("Could not set the permissions of the folder “%1”.").arg(folder));

    if (auto written = writeFileAtomically(path, encode(credentials), kFilePermissions); !written)
        return logSaveFailure(written.error());
    return {};
}

}  // namespace ovisu
