#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QJsonDocument>
#include <QString>

#include <expected>
#include <optional>
#include <type_traits>

namespace ovisu {

// Writes the whole file through a temporary and a rename (QSaveFile), creating missing parent
// folders. The contents reach the disk before the rename and the folder after it, so a crash or a
// power loss leaves the old file or the new one. An error names the file and the reason. When
// permissions are given they are applied to the file after the rename.
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

// A store's JSON file as the store reads and rewrites it whole. It remembers what the last read
// found, so that a file found unreadable is set aside (as setAsideUnreadableFile() does) before the
// next write replaces it; when it cannot be moved, nothing is written and that is the error.
// Reading alone leaves the file where it is.
class StoreFile {
public:
    StoreFile(QString path, QString logCategory) : m_path(std::move(path)), m_logCategory(std::move(logCategory)) {}

    const QString& path() const { return m_path; }

    // Whether anything has been read yet: a store that keeps no copy of its contents reads before
    // its first write, to learn whether the file on disk must be moved rather than replaced.
    bool hasBeenRead() const { return m_state != State::unread; }

    // Reads the file and decodes the document with decode (a callable from const QJsonDocument& to
    // std::expected<Value, QString>). A missing file is the empty Value. A file that cannot be read
    // or decoded is the error, the decoder's prefixed with “<path>”: , and is set aside before the
    // next write.
    template <typename Decode>
    auto read(Decode decode) -> std::invoke_result_t<Decode, const QJsonDocument&>;

    // Sets aside the file the last read found unreadable, when it is still there, then writes the
    // bytes atomically.
    std::expected<void, QString> write(const QByteArray& bytes);

private:
    enum class State { unread, usable, needsSettingAside };

    QString m_path;
    QString m_logCategory;
    State m_state = State::unread;
};

template <typename Decode>
auto StoreFile::read(Decode decode) -> std::invoke_result_t<Decode, const QJsonDocument&> {
    using Result = std::invoke_result_t<Decode, const QJsonDocument&>;
    const JsonFileRead file = readJsonFile(m_path);
    Result result = typename Result::value_type{};
    if (file.status == JsonFileRead::Status::unreadable) {
        result = std::unexpected(file.error);
    } else if (file.status == JsonFileRead::Status::ok) {
        result = decode(file.document);
        if (!result)
            result = std::unexpected(QStringLiteral("“%1”: %2").arg(m_path, result.error()));
    }
    m_state = result ? State::usable : State::needsSettingAside;
    return result;
}

}  // namespace ovisu
