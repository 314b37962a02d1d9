#pragma once

#include "interface/UIElementKind.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UITranslationCache.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

struct StoredUITranslation {
    enum class Origin { manualCorrection, fixedDictionary, automaticCache };
    QString translation;
    bool manuallyCorrected = false;
    Origin origin = Origin::automaticCache;
    friend bool operator==(const StoredUITranslation&, const StoredUITranslation&) = default;
};

// The stores that answer a recognised interface text without asking a translation source, in
// their precedence: a permanent manual correction, then the fixed dictionary (by element kind),
// then the automatic cache. Also the operations on them that the interface centre, the
// correction dialog, the cache manager, the dictionary editor and the command line share, with
// their texts; the windows only show them. Main thread only.
class UIStoredTranslations {
public:
    UIStoredTranslations(UITranslationCache& cache, UIFixedDictionaryStore& dictionary);

    UITranslationCache& cache() { return m_cache; }
    UIFixedDictionaryStore& dictionary() { return m_dictionary; }

    // Manual correction > dictionary entry for the text's kind > automatic entry.
    std::optional<StoredUITranslation> resolve(const QString& blockText) const;

    // A finished interface translation. A cache that cannot be written only costs a repeated
    // request later, so errors are dropped; a manual correction is never overwritten.
    void saveAutomatic(const QString& source, const QString& translation);

    // The correction dialog's "保存": the typed text trimmed of white space and line breaks.
    // False when nothing was stored (empty text, or a source of punctuation only); the error is
    // "保存人工修正失败：" and the reason.
    std::expected<bool, QString> saveManualCorrection(const QString& source, const QString& typed);
    // The dialog's prefill: the cached translation, manual or automatic, or empty. The fixed
    // dictionary is not consulted: the correction overrides whatever answered.
    QString correctionPrefill(const QString& source) const;

    // The cache manager's buttons. Errors: "清除 UI 自动缓存失败：…", "清除 UI 缓存失败：…".
    std::expected<void, QString> clearAutomatic();
    std::expected<void, QString> clearEverything();
    // A new translation source in interface mode: automatic entries always come from the source
    // in use. A failure is only logged.
    void clearAutomaticForSourceChange();
    // Once per settings file: automatic entries recognised by the old fast OCR are dropped.
    // The flag is set only after the cache was written, so a failure retries at the next start.
    void migrateInterfaceCacheForAccurateOCRIfNeeded(SettingsStore& settings);
    static QString migrationFlagKey();  // "interfaceAccurateOCRCacheMigrationBuild114"

    // "静态缓存 N 条 · 永久人工修正 M 条 · 固定词典 K 条"
    QString summaryLine() const;
    // Every entry newest first, or "还没有 UI 翻译缓存。".
    QString cacheManagerText() const;

    // The dictionary editor's list: loaded at construction and by reloadDictionaryEntries() (the
    // editor opening), written back through the store after each edit. After a failed write it
    // keeps the edit while the store keeps answering with what is on disk.
    const QList<UIFixedDictionaryEntry>& dictionaryEntries() const { return m_dictionaryEntries; }
    void reloadDictionaryEntries();

    struct DictionaryOutcome {
        bool changed = false;  // reload the table, refresh the interface centre, clear the fingerprint
        std::optional<QString> statusLine;
        std::optional<QString> realtimeError;  // the save failed
    };
    // Both texts are trimmed; either empty: "固定词条的原文和译文不能为空" and nothing kept.
    DictionaryOutcome addDictionaryEntry(const QString& source, const QString& translation,
                                         std::optional<UIElementKind> kind);
    // Keeps the entry's id and its place in the list.
    DictionaryOutcome editDictionaryEntry(std::optional<int> row, const QString& source, const QString& translation,
                                          std::optional<UIElementKind> kind);
    DictionaryOutcome removeDictionaryEntry(std::optional<int> row);
    // The entry the edit dialog starts from, or the status line when no row is selected.
    std::expected<UIFixedDictionaryEntry, QString> dictionaryEntryForEditing(std::optional<int> row) const;

    // The "适用类型" pop-up: item 0 is every kind, items 1 to 5 the kinds in declared order.
    static QStringList dictionaryKindItems();
    static std::optional<UIElementKind> kindForItem(int item);
    static int itemForKind(std::optional<UIElementKind> kind);
    static QString kindTitle(std::optional<UIElementKind> kind);  // the pop-up's text for it

    // Correction dialog
    static QString correctionTitle();         // "永久修正界面译文"
    static QString correctionInformativeText();
    static QString correctionPlaceholder();   // "输入简体中文译文"
    static QString correctionSavedStatus();   // "已保存永久人工修正"
    // Cache manager
    static QString cacheManagerTitle();       // "UI 缓存与人工修正"
    static QString clearAutomaticButtonTitle();
    static QString clearEverythingButtonTitle();
    static QString clearEverythingMessage();
    static QString clearEverythingInformativeText();
    static QString clearEverythingConfirmTitle();  // "全部清除"
    // Dictionary editor
    static QString dictionaryNote();
    static QString addDictionaryEntryButtonTitle();  // "＋ 添加词条"
    static QString addDictionaryEntryTitle();        // "添加 UI 固定词条"
    static QString editDictionaryEntryTitle();       // "编辑 UI 固定词条"
    static QString dictionarySourceFieldTitle();     // "原文"
    static QString dictionaryTranslationFieldTitle();  // "固定译文"
    static QString dictionaryKindFieldTitle();       // "适用类型"
    static QString dictionaryNoSelectionStatus();    // "请先在固定词典中选择一行"
    static QString dictionaryEmptyFieldsStatus();    // "固定词条的原文和译文不能为空"

private:
    bool validDictionaryRow(std::optional<int> row) const;
    DictionaryOutcome persistDictionary();

    UITranslationCache& m_cache;
    UIFixedDictionaryStore& m_dictionary;
    QList<UIFixedDictionaryEntry> m_dictionaryEntries;
};

}  // namespace ovisu
