#pragma once

#include "dialogue/DialogueCacheAccess.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>

namespace ovisu {

struct DialogueTranslationCacheEntry {
    QString key;
    QString source;
    QString translation;
    QDateTime lastUsedAt;  // the last save or hit
    qint64 hitCount = 0;   // hits since the entry was first saved

    friend bool operator==(const DialogueTranslationCacheEntry&, const DialogueTranslationCacheEntry&) = default;
};

// Translations of dialogue lines seen before, by key (DialogueCacheKey.h), so a repeated line is
// answered without asking the source again. Entries live 30 days from their last use; the 500
// most recently used are kept. The whole map is rewritten atomically after every change.
// Main thread only.
class DialogueTranslationCache final : public DialogueCacheAccess {
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int maximumCount = 500;
    static constexpr double lifetime = 2'592'000;  // seconds: 30 days

    // paths::ovisuFolder()/dialogue-translation-cache.json
    static QString defaultFilePath();

    // Loads the file at once. A missing file is an empty cache; so is one that cannot be read
    // or decoded, but that file is moved aside before the first write instead of being replaced.
    explicit DialogueTranslationCache(QString filePath = defaultFilePath(), Clock clock = {});

    std::optional<QString> resolve(const QString& key) override;
    void save(const QString& key, const QString& source, const QString& translation) override;

    QString filePath() const { return m_filePath; }
    const QHash<QString, DialogueTranslationCacheEntry>& entries() const { return m_entries; }

    // The file's form: an object from key to entry; dates as seconds since 2001-01-01 UTC.
    static QByteArray encode(const QHash<QString, DialogueTranslationCacheEntry>& entries);
    // Nothing when the bytes are not such an object or any entry lacks a member or has the wrong type.
    static std::optional<QHash<QString, DialogueTranslationCacheEntry>> decode(const QByteArray& bytes);

private:
    void load();
    void persist();

    QString m_filePath;
    Clock m_clock;
    QHash<QString, DialogueTranslationCacheEntry> m_entries;
    bool m_fileNeedsSettingAside = false;
};

}  // namespace ovisu
