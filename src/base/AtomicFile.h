#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QJsonDocument>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// Writes the whole file through a temporary and a rename (QSaveFile), creating missing parent
// folders. When permissions are given they are applied to the file after the rename.
std::expected<void, QString> writeFileAtomically(const QString& path, const QByteArray& bytes,
                                                 std::optional<QFileDevice::Permissions> permissions = {});

// Creates the folder and any missing parents. Folders it creates get the given permissions
// (applied explicitly, so the umask does not weaken them); folders that already exist are left as
// they are. A path that exists but is not a folder is an error.
std::expected<void, QString> createFolders(const QString& path,
                                           std::optional<QFileDevice::Permissions> permissions = {});

struct JsonFileRead {
    enum class Status { missing, ok, unreadable };
    Status status = Status::missing;
    QJsonDocument document;  // valid only when status == ok
    QString error;           // why it could not be read, when unreadable
};

// Reads and parses a JSON file. A file that exists but cannot be read or parsed is `unreadable`.
JsonFileRead readJsonFile(const QString& path);

// Moves a store file that cannot be read out of the way, as "<name>.corrupt-<UTC time>" beside
// it, and logs that under the given category. Returns the new path. User data is never
// overwritten: callers do this before the next write whenever the read said `unreadable`.
std::expected<QString, QString> setAsideUnreadableFile(const QString& path, const QString& logCategory);

}  // namespace ovisu
