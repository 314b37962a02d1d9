#include "base/AtomicFile.h"

#include "base/AppLogger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonParseError>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace ovisu {

namespace {

// exists() follows links, but a dangling link still stands at the path and would be replaced.
bool fileIsThere(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A short write (the disk filled up part of the way) is no error to QFileDevice, which then has
// no reason to give; writing the rest makes the system say why it cannot.
bool writeAll(QSaveFile& file, const QByteArray& bytes) {
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = file.write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0)
            return false;
        written += chunk;
    }
    return true;
}

QString systemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// QSaveFile syncs the temporary before renaming it but ignores a failure, and some file systems
// only report a full disk or an I/O error there: the file would then be replaced by one whose
// contents never reached the disk.
std::expected<void, QString> syncFileContents(QSaveFile& file) {
    if (!file.flush())
        return std::unexpected(file.errorString());
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL)
        return std::unexpected(systemErrorText(errno));
    return {};
}

// The rename only survives a power loss once the folder's entry is on disk too. A folder that
// cannot be opened or synced (EINVAL: the file system has no such thing) is left to the file
// system; a failed sync is reported, since the new file may then be gone after a crash.
std::expected<void, QString> syncFolder(const QString& folder) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    const bool synced = ::fsync(descriptor) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(descriptor);
    if (!synced)
        return std::unexpected(systemErrorText(error));
    return {};
}

}  // namespace

std::expected<void, QString> createFolders(const QString& path,
                                           std::optional<QFileDevice::Permissions> permissions) {
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;  // deepest first
    for (QString current = target; !QFileInfo::exists(current);) {
        missing.prepend(current);
        const QString parent = QFileInfo(current).absolutePath();
        if (parent == current)
            break;
        current = parent;
    }
    for (const QString& folder : std::as_const(missing)) {
        const bool made = permissions ? QDir().mkdir(folder, *permissions) : QDir().mkdir(folder);
        // Another thread or process may have created it in the meantime; that is fine.
        if (!made && !QFileInfo(folder).isDir())
            return std::unexpected(QStringLiteral("Could not create the folder “%1”.").arg(folder));
        if (made && permissions && !QFile::setPermissions(folder, *permissions))
            return std::unexpected(QStringLiteral("Could not set the permissions of the folder “%1”.").arg(folder));
    }
    if (!QFileInfo(target).isDir())
        return std::unexpected(QStringLiteral("“%1” exists and is not a folder.").arg(target));
    return {};
}

std::expected<void, QString> writeFileAtomically(const QString& path, const QByteArray& bytes,
                                                 std::optional<QFileDevice::Permissions> permissions) {
    if (auto folder = createFolders(QFileInfo(path).absolutePath()); !folder)
        return std::unexpected(folder.error());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(QStringLiteral("Could not write “%1”: %2").arg(path, file.errorString()));
    // Narrow the temporary too, so the new contents are never readable more widely than asked,
    // not even for the moment between the rename and the final chmod below.
    if (permissions)
        file.setPermissions(*permissions);
    if (!writeAll(file, bytes)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return std::unexpected(QStringLiteral("Could not write “%1”: %2").arg(path, reason));
    }
    if (auto synced = syncFileContents(file); !synced) {
        file.cancelWriting();
        return std::unexpected(QStringLiteral("Could not write “%1”: %2").arg(path, synced.error()));
    }
    if (!file.commit())
        return std::unexpected(QStringLiteral("Could not write “%1”: %2").arg(path, file.errorString()));
    if (auto synced = syncFolder(QFileInfo(path).absolutePath()); !synced)
        return std::unexpected(
            QStringLiteral("Wrote “%1”, but its folder could not be flushed to disk: %2").arg(path, synced.error()));
    if (permissions && !QFile::setPermissions(path, *permissions))
        return std::unexpected(QStringLiteral("Could not set the permissions of “%1”.").arg(path));
    return {};
}

JsonFileRead readJsonFile(const QString& path) {
    JsonFileRead result;
    const QFileInfo info(path);
    if (!info.exists())
        return result;  // missing
    result.status = JsonFileRead::Status::unreadable;
    if (info.isDir()) {
        result.error = QStringLiteral("“%1” is a folder.").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Could not read “%1”: %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("Could not read “%1”: %2").arg(path, file.errorString());
        return result;
    }
    QJsonParseError parseError;
    QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("“%1” is not valid JSON (offset %2): %3")
                           .arg(path)
                           .arg(parseError.offset)
                           .arg(parseError.errorString());
        return result;
    }
    result.status = JsonFileRead::Status::ok;
    result.document = std::move(document);
    return result;
}

std::expected<QString, QString> setAsideUnreadableFile(const QString& path, const QString& logCategory) {
    const QString stamp =
        QLocale::c().toString(QDateTime::currentDateTimeUtc(), QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + QStringLiteral(".corrupt-") + stamp;
    QString target = base;
    // Two set-asides within one second must not replace each other.
    for (int counter = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++counter)
        target = base + QLatin1Char('-') + QString::number(counter);

    const bool moved = QFileInfo(path).isDir() ? QDir().rename(path, target) : QFile::rename(path, target);
    if (!moved) {
        const QString reason = QStringLiteral("Could not move the unreadable file “%1” to “%2”.").arg(path, target);
        AppLogger::shared().error(logCategory, QStringLiteral("无法读取的文件未能移开：") + reason);
        return std::unexpected(reason);
    }
    AppLogger::shared().warning(logCategory,
                                QStringLiteral("无法读取的文件已移到一旁：") + path + QStringLiteral(" → ") + target);
    return target;
}

std::expected<void, QString> StoreFile::write(const QByteArray& bytes) {
    if (m_state == State::needsSettingAside && fileIsThere(m_path)) {
        if (auto moved = setAsideUnreadableFile(m_path, m_logCategory); !moved)
            return std::unexpected(moved.error());
    }
    m_state = State::usable;
    return writeFileAtomically(m_path, bytes);
}

}  // namespace ovisu
