#include "diagnostics/FolderZipArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <zip.h>

#include <cstdio>
#include <memory>

namespace ovisu {
namespace {

QString zipErrorText(zip_error_t* error) { return QString::fromUtf8(zip_error_strerror(error)); }

// Owns the in-memory source the archive is written into; the archive keeps its own reference.
struct SourceRelease {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using OwnedSource = std::unique_ptr<zip_source_t, SourceRelease>;

// An archive that was never closed is discarded, so no path through here leaks one.
struct ArchiveRelease {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using OwnedArchive = std::unique_ptr<zip_t, ArchiveRelease>;

std::expected<void, QString> addEntries(zip_t* archive, const QString& folder) {
    const QDir root(folder);
    const QString parent = root.dirName();
    if (zip_dir_add(archive, (parent + QLatin1Char('/')).toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0)
        return std::unexpected(zipErrorText(zip_get_error(archive)));

    // Sorted, so two packages of the same folder list their entries alike.
    QStringList relativePaths;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) relativePaths.append(root.relativeFilePath(it.next()));
    relativePaths.sort();

    for (const QString& relative : relativePaths) {
        const QFileInfo info(root.filePath(relative));
        const QByteArray name = (parent + QLatin1Char('/') + relative).toUtf8();
        if (info.isDir()) {
            if (zip_dir_add(archive, (name + '/').constData(), ZIP_FL_ENC_UTF_8) < 0)
                return std::unexpected(zipErrorText(zip_get_error(archive)));
            continue;
        }
        zip_source_t* file = zip_source_file(archive, QFile::encodeName(info.filePath()).constData(), 0, -1);
        if (!file) return std::unexpected(zipErrorText(zip_get_error(archive)));
        if (zip_file_add(archive, name.constData(), file, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(file);
            return std::unexpected(zipErrorText(zip_get_error(archive)));
        }
    }
    return {};
}

std::expected<QByteArray, QString> readWholeSource(zip_source_t* source) {
    if (zip_source_open(source) < 0) return std::unexpected(zipErrorText(zip_source_error(source)));
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t read = zip_source_read(source, buffer, sizeof buffer);
        if (read < 0) {
            const QString error = zipErrorText(zip_source_error(source));
            zip_source_close(source);
            return std::unexpected(error);
        }
        if (read == 0) break;
        bytes.append(buffer, static_cast<qsizetype>(read));
    }
    zip_source_close(source);
    return bytes;
}

}  // namespace

std::expected<QByteArray, QString> zipFolderKeepingParent(const QString& folder) {
    zip_error_t error;
    zip_error_init(&error);
    OwnedSource memory(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!memory) {
        const QString text = zipErrorText(&error);
        zip_error_fini(&error);
        return std::unexpected(text);
    }
    OwnedArchive archive(zip_open_from_source(memory.get(), ZIP_TRUNCATE, &error));
    if (!archive) {
        const QString text = zipErrorText(&error);
        zip_error_fini(&error);
        return std::unexpected(text);
    }
    zip_error_fini(&error);
    // The archive takes a reference of its own and drops it when closed; ours keeps the bytes.
    zip_source_keep(memory.get());

    if (const auto added = addEntries(archive.get(), folder); !added) return std::unexpected(added.error());
    if (zip_close(archive.get()) < 0) return std::unexpected(zipErrorText(zip_get_error(archive.get())));
    archive.release();  // closed: nothing left to discard
    return readWholeSource(memory.get());
}

}  // namespace ovisu
