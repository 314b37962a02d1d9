#include "diagnostics/DiagnosticPackageBuilder.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "diagnostics/FolderZipArchive.h"
#include "diagnostics/StoredSecretMasking.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace ovisu {
namespace {

const QString kCategory = QStringLiteral("diagnostics");

// The package's working folder; removed with everything in it when the build ends, whichever
// way it ends.
class StagingFolder {
public:
    explicit StagingFolder(QString path) : m_path(std::move(path)) {}
    ~StagingFolder() {
        if (m_created) QDir(m_path).removeRecursively();
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    std::expected<void, QString> create() {
        // Marked before the attempt: a half-made folder is removed as well.
        m_created = true;
        if (const auto made = createFolders(m_path); !made)
            return std::unexpected(QStringLiteral("无法创建诊断包临时目录：") + made.error());
        return {};
    }
    QString filePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }
    const QString& path() const { return m_path; }

private:
    QString m_path;
    bool m_created = false;
};

// Masks the strings inside the JSON, not its serialised text, so a key with a quote or a
// backslash in it cannot break the document's syntax.
QJsonValue maskedJson(const QJsonValue& value, const QStringList& secrets) {
    if (value.isString()) return maskSecretsIn(value.toString(), secrets);
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& item : value.toArray()) array.append(maskedJson(item, secrets));
        return array;
    }
    if (value.isObject()) {
        QJsonObject object;
        const QJsonObject source = value.toObject();
        for (auto it = source.begin(); it != source.end(); ++it)
            object.insert(maskSecretsIn(it.key(), secrets), maskedJson(it.value(), secrets));
        return object;
    }
    return value;
}

std::expected<void, QString> writeStaged(const StagingFolder& staging, const QString& name, const QByteArray& bytes) {
    return writeFileAtomically(staging.filePath(name), bytes);
}

QByteArray stateJson(const DiagnosticPackageContext& context, const QStringList& secrets) {
    QJsonObject state = context.applicationState;
    state.insert(QStringLiteral("credentials"), context.credentials);
    QJsonObject metrics;
    for (auto it = context.metrics.begin(); it != context.metrics.end(); ++it) metrics.insert(it.key(), it.value());
    state.insert(QStringLiteral("metrics"), metrics);
    // QJsonObject keeps its keys sorted, so the file lists them in order.
    return QJsonDocument(maskedJson(state, secrets).toObject()).toJson(QJsonDocument::Indented);
}

QByteArray recordsJson(const QList<DiagnosticErrorRecord>& records, const QStringList& secrets) {
    QJsonArray array;
    for (const DiagnosticErrorRecord& record : records) array.append(maskedJson(record.toJson(), secrets));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

// The current log files ("*.log" exactly; the rotated ones are in the summary). A folder that
// cannot be listed or a file that cannot be read is left out, not reported: the package is still
// worth sending without it.
void copyLogFiles(const QString& logDirectory, const QString& into, const QStringList& secrets) {
    const QFileInfoList entries = QDir(logDirectory).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix() != QStringLiteral("log")) continue;
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        (void)writeFileAtomically(into + QLatin1Char('/') + entry.fileName(), maskSecretsIn(text, secrets).toUtf8());
    }
}

}  // namespace

std::expected<void, QString> DiagnosticPackageBuilder::build(const DiagnosticPackageContext& context,
                                                             const QString& destination) {
    StagingFolder staging(paths::temporaryRoot() + QStringLiteral("/TavoDiagnostic-") +
                          QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    if (auto created = staging.create(); !created) return created;

    const QStringList secrets = storedSecrets();
    if (auto written = writeStaged(staging, QStringLiteral("诊断摘要.txt"), maskSecretsIn(context.summary, secrets).toUtf8());
        !written)
        return written;
    if (auto written = writeStaged(staging, QStringLiteral("应用状态与性能.json"), stateJson(context, secrets)); !written)
        return written;
    if (auto written = writeStaged(staging, QStringLiteral("最近错误.json"), recordsJson(context.errorRecords, secrets));
        !written)
        return written;
    const QString logCopies = staging.filePath(QStringLiteral("日志"));
    if (auto made = createFolders(logCopies); !made) return made;
    copyLogFiles(context.logDirectory, logCopies, secrets);

    const auto archive = zipFolderKeepingParent(staging.path());
    if (!archive) {
        AppLogger::shared().error(kCategory, compressionFailedText + QStringLiteral("：") + archive.error());
        return std::unexpected(compressionFailedText);
    }
    return writeFileAtomically(destination, *archive);
}

}  // namespace ovisu
