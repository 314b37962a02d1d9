#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QMap>
#include <QMutex>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// The per-source secrets: a JSON object of credential account -> secret in
// Ovisu/Credentials/credentials.json (folder 0700, file 0600). Every read and every
// read-modify-write happens under one process-wide lock. Nothing is cached: each caller reads again.
class LocalCredentialStore {
public:
    static QMutex& lock();
    static QString storageURL();  // paths::credentialsFile()

    // The whole set, under the lock. Missing or unreadable file: empty.
    static QMap<QString, QString> readAll();
    // One secret, under the lock; empty when there is none.
    static QString secret(const QString& account);

    // Sets (or, for an empty value, removes) one secret and writes the whole set. A file that
    // exists but cannot be read is set aside as "credentials.json.corrupt-<UTC time>" first, so
    // the other secrets it may hold are never destroyed. Failures are logged and returned.
    static std::expected<void, QString> save(const QString& value, const QString& account);

    // Caller holds lock(). Creates the folder 0700, writes sorted pretty JSON with unescaped
    // slashes atomically, then sets the file to 0600.
    static std::expected<void, QString> writeUnlocked(const QMap<QString, QString>& credentials);

    // The file's form: one object of account -> secret, keys sorted, slashes unescaped. Decoding
    // answers nothing when the document is not such an object: one foreign value makes the whole
    // file undecodable as a set of secrets.
    static QByteArray encode(const QMap<QString, QString>& credentials);
    static std::optional<QMap<QString, QString>> decode(const QJsonDocument& document);

private:
    enum class ReadState { missing, ok, unreadable };
    static QMap<QString, QString> readUnlocked(ReadState* state);
};

}  // namespace ovisu
