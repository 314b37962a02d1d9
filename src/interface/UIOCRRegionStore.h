#pragma once

#include "base/AtomicFile.h"
#include "interface/UIOCRRegion.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// The UI regions in list order, as one JSON array in "ui-ocr-regions.json". The store keeps no
// copy of the list; it only remembers whether the file on disk could be read, because a file
// that cannot be read is moved aside before the next save instead of being replaced.
class UIOCRRegionStore {
public:
    // paths::quillonFolder()/ui-ocr-regions.json
    static QString defaultFileURL();

    explicit UIOCRRegionStore(QString fileURL = defaultFileURL());

    QString fileURL() const { return m_file.path(); }

    // A missing file is the empty list. A file that cannot be read or decoded is an error text
    // (the caller then recognises the whole window); it is logged and kept until the next save.
    std::expected<QList<UIOCRRegion>, QString> load();

    // Writes the whole list atomically, creating the folder. An unreadable file found by load()
    // (or by this call, when nothing was loaded yet) is set aside first; when it cannot be moved,
    // nothing is written and that is the error.
    std::expected<void, QString> save(const QList<UIOCRRegion>& regions);

    // The file's form: an array of objects with exactly "id", "name", "x", "y", "width",
    // "height" and "isEnabled".
    static QByteArray encode(const QList<UIOCRRegion>& regions);
    // Every member is required and must have its type; an id must be a UUID in its 36-character
    // form and every number finite. The error says what is wrong.
    static std::expected<QList<UIOCRRegion>, QString> decode(const QJsonDocument& document);

private:
    StoreFile m_file;
};

}  // namespace ovisu
