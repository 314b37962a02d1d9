#pragma once

#include "base/AtomicFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QList>
#include <QString>

#include <expected>
#include <functional>
#include <optional>

namespace ovisu {

struct UITranslationEntry {
    QString source;  // the block text as recognised, not its comparison form
    QString translation;
    bool manuallyCorrected = false;  // a permanent manual correction
    QDateTime updatedAt;             // the last write
    friend bool operator==(const UITranslationEntry&, const UITranslationEntry&) = default;
};

// Translations of interface text, keyed by comparison form, so that a menu word seen once is
// never sent to a translation source again. Manual corrections and automatic results share the
// store, told apart by their flag; an automatic result never replaces a manual correction.
// No size limit, no eviction.
//
// The file is read on first use and rewritten whole and atomically after each change; the
// memory only becomes what was written once the write succeeded. A file that cannot be read or
// decoded answers nothing and is moved aside before the next write. Main thread only.
class UITranslationCache {
public:
    using Clock = std::function<QDateTime()>;

    // paths::quillonFolder()/ui-translation-cache.json
    static QString defaultFileURL();

    explicit UITranslationCache(QString fileURL = defaultFileURL(), Clock clock = {});

    QString fileURL() const { return m_file.path(); }

    // Does nothing (successfully) for a text whose comparison form is empty, and when an
    // automatic result meets a manual correction. The translation is stored as given.
    std::expected<void, QString> save(const QString& source, const QString& translation, bool manuallyCorrected);

    std::optional<UITranslationEntry> entry(const QString& text) const;  // by comparison form
    int manualCorrectionCount() const;
    int entryCount() const;
    QList<UITranslationEntry> sortedEntries() const;  // newest first

    // Keeps only the manual corrections.
    std::expected<void, QString> clearAutomaticTranslations();
    // Writes the empty object {}.
    std::expected<void, QString> clearAll();

    // Why the file could not be used, once it has been read; nothing when it could.
    std::optional<QString> loadError() const;

    // The file's form: an object from comparison form to an entry with exactly "source",
    // "translation", "manuallyCorrected" and "updatedAt" (seconds since 2001-01-01 UTC).
    static QByteArray encode(const QHash<QString, UITranslationEntry>& entries);
    // Every member is required and must have its type; a date must be a finite number.
    static std::expected<QHash<QString, UITranslationEntry>, QString> decode(const QJsonDocument& document);

private:
    const QHash<QString, UITranslationEntry>& entries() const;
    std::expected<void, QString> persist(const QHash<QString, UITranslationEntry>& entries);

    // Read on first use, const lookups included; it remembers whether the file must be set aside.
    mutable StoreFile m_file;
    Clock m_clock;
    mutable std::optional<QHash<QString, UITranslationEntry>> m_memory;
    mutable std::optional<QString> m_loadError;
};

}  // namespace ovisu
