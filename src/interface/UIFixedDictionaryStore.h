#pragma once

#include "base/AtomicFile.h"
#include "interface/UIElementKind.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <expected>
#include <optional>

namespace ovisu {

struct UIFixedDictionaryEntry {
    QUuid id;        // fixed when the entry is created
    QString source;  // the term as the user typed it
    QString translation;
    std::optional<UIElementKind> kind;  // none: every kind
    friend bool operator==(const UIFixedDictionaryEntry&, const UIFixedDictionaryEntry&) = default;
};

// The user's fixed terms, in the user's order (the first match wins), as one JSON array in
// "ui-fixed-dictionary.json". Read on first use, rewritten whole and atomically by save(); a
// file that cannot be read or decoded answers nothing and is moved aside before the next save.
// Main thread only.
class UIFixedDictionaryStore {
public:
    // paths::quillonFolder()/ui-fixed-dictionary.json
    static QString defaultFileURL();

    explicit UIFixedDictionaryStore(QString fileURL = defaultFileURL());

    QString fileURL() const { return m_file.path(); }

    QList<UIFixedDictionaryEntry> entries() const;
    // The first entry whose source has the text's comparison form and whose kind is absent or
    // the given one. A text whose comparison form is empty matches nothing.
    std::optional<UIFixedDictionaryEntry> resolve(const QString& text, UIElementKind kind) const;
    std::expected<void, QString> save(const QList<UIFixedDictionaryEntry>& entries);

    // Why the file could not be used, once it has been read; nothing when it could.
    std::optional<QString> loadError() const;

    // The file's form: an array of objects with "id", "source", "translation", and "kind" (the
    // kind's raw value) only when the entry has one.
    static QByteArray encode(const QList<UIFixedDictionaryEntry>& entries);
    // "id", "source" and "translation" are required; "kind" may be missing (or null) but when
    // present must be a known raw value.
    static std::expected<QList<UIFixedDictionaryEntry>, QString> decode(const QJsonDocument& document);

private:
    const QList<UIFixedDictionaryEntry>& memory() const;
    void setMemory(QList<UIFixedDictionaryEntry> entries) const;

    mutable StoreFile m_file;
    mutable std::optional<QList<UIFixedDictionaryEntry>> m_memory;
    // The sources' comparison forms, index for index: lookups run for every block of every frame.
    mutable QStringList m_sourceForms;
    mutable std::optional<QString> m_loadError;
};

}  // namespace ovisu
