#include "support/StoreSamples.h"

#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "dialogue/DialogueTranslationCache.h"
#include "engine/CustomPromptPresetStore.h"
#include "engine/LocalCredentialStore.h"
#include "engine/TranslationProfileStore.h"
#include "history/TranslationHistoryStore.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIOCRTextBlock.h"
#include "interface/UITranslationCache.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QMutexLocker>
#include <QUuid>

#include <vector>

namespace ovisu::test {
namespace {

using Written = std::expected<void, QString>;
// What a store holds, as texts in the order written; an error when its reader cannot read the file.
using Texts = std::expected<QStringList, QString>;

// Every content is the same bulk of a few hundred KB (so that a write takes a while) and one
// marker text, kept in the record, entry or value the program changes.
constexpr int kBulkItems = 400;

const QStringList& bulk() {
    static const QStringList texts = [] {
        QStringList list;
        for (int index = 0; index < kBulkItems; ++index)
            list << QString::number(index) + QStringLiteral("窓の外では雨が降り続いている。").repeated(12);
        return list;
    }();
    return texts;
}

QString marker(StoreContent which) { return QLatin1String(storeContentName(which)); }

QStringList contents(StoreContent which) { return bulk() + QStringList{marker(which)}; }

// Keys that sort as the texts are listed, the marker's last.
QString keyOf(int index) { return index < kBulkItems ? QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0')) : "marker"; }

QDateTime fixedTime() { return QDateTime::fromSecsSinceEpoch(1'704'067'200, Qt::UTC); }

QUuid numberedUuid(int index) {
    return QUuid::fromString(QStringLiteral("%1-0000-4000-8000-000000000000").arg(index, 8, 16, QLatin1Char('0')));
}

// Each item of a list store built from its text, and the text read back from an item.
template <typename Item>
QList<Item> itemsOf(const QStringList& texts, Item (*make)(int, const QString&)) {
    QList<Item> items;
    for (int index = 0; index < texts.size(); ++index) items << make(index, texts[index]);
    return items;
}
template <typename Item, typename Text>
QStringList textsOf(const QList<Item>& items, Text text) {
    QStringList texts;
    for (const Item& item : items) texts << text(item);
    return texts;
}

// A stored key-value map, read back in key order.
template <typename Map, typename Text>
QStringList valuesInKeyOrder(const Map& map, Text text) {
    QMap<QString, QString> ordered;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) ordered.insert(entry.key(), text(entry.value()));
    return ordered.values();
}

// An unreadable settings file is moved aside the moment a SettingsStore opens it, so the file reader looks first.
std::optional<QString> unreadableSettings() {
    if (const JsonFileRead file = readJsonFile(paths::settingsFile()); file.status == JsonFileRead::Status::unreadable)
        return file.error;
    return std::nullopt;
}

struct StoreAccess {
    const char* name;
    QString (*file)();
    std::function<Written(StoreContent)> write;
    std::function<Texts()> texts;
};

TranslationHistoryRecord historyRecord(int index, const QString& text) {
    // The marker record shares its original and source, so the program's append replaces it.
    return {numberedUuid(index), fixedTime().addSecs(index), index < kBulkItems ? text : QStringLiteral("台詞"), text,
            QStringLiteral("DeepSeek"), 1.0};
}

DialogueTranslationCache dialogueCache() {
    return DialogueTranslationCache(DialogueTranslationCache::defaultFilePath(), [] { return fixedTime(); });
}

std::optional<QHash<QString, DialogueTranslationCacheEntry>> dialogueEntriesOnDisk() {
    QFile file(DialogueTranslationCache::defaultFilePath());
    return file.open(QIODevice::ReadOnly) ? DialogueTranslationCache::decode(file.readAll()) : std::nullopt;
}

UITranslationCache uiCache() { return UITranslationCache(UITranslationCache::defaultFileURL(), [] { return fixedTime(); }); }

TranslationProfile profile(int index, const QString& text) {
    TranslationProfile profile;
    profile.name = QStringLiteral("配置 ") + keyOf(index);
    profile.prompt = text;
    return profile;
}

TranslationPromptPreset preset(int index, const QString& text) {
    return {QStringLiteral("custom.") + numberedUuid(index).toString(QUuid::WithoutBraces).toUpper(),
            QStringLiteral("预设 ") + keyOf(index), text, QStringLiteral("{text}")};
}

UIOCRRegion region(int index, const QString& text) {
    return {numberedUuid(index), text, QRectF(0.125, 0.25, 0.5, 0.0625), index % 2 == 0};
}

UIFixedDictionaryEntry dictionaryEntry(int index, const QString& text) {
    return {numberedUuid(index), QStringLiteral("用語") + keyOf(index), text, std::nullopt};
}

// Stores without a bulk operation get the bulk laid down once by their own encoder; the change
// after it goes through the API the program uses.
const StoreAccess kStores[] = {
    {"history", &TranslationHistoryStore::defaultFilePath,
     [](StoreContent which) -> Written {
         TranslationHistoryStore store;
         const QList<TranslationHistoryRecord> records = itemsOf(contents(which), &historyRecord);
         if (store.loadWithStatus().records.size() != records.size())
             return store.save(records);
         if (auto appended = store.append(records.constLast()); !appended)
             return std::unexpected(appended.error());
         return {};
     },
     []() -> Texts {
         const auto loaded = TranslationHistoryStore().loadWithStatus();
         if (loaded.unreadable)
             return std::unexpected(loaded.error);
         return textsOf(loaded.records, [](const TranslationHistoryRecord& record) { return record.translation; });
     }},
    {"dialogue-cache", &DialogueTranslationCache::defaultFilePath,
     [](StoreContent which) -> Written {
         if (dialogueCache().entries().size() != kBulkItems + 1) {
             QHash<QString, DialogueTranslationCacheEntry> entries;
             for (int index = 0; index <= kBulkItems; ++index)
                 entries.insert(keyOf(index), {keyOf(index), QStringLiteral("台詞"), contents(which)[index], fixedTime(), 0});
             if (auto seeded = writeFileAtomically(DialogueTranslationCache::defaultFilePath(),
                                                   DialogueTranslationCache::encode(entries));
                 !seeded)
                 return seeded;
         }
         dialogueCache().save(keyOf(kBulkItems), QStringLiteral("台詞"), marker(which));
         // save() reports a failed write only in the log; what is on disk tells.
         if (const auto onDisk = dialogueEntriesOnDisk(); !onDisk || onDisk->value(keyOf(kBulkItems)).translation != marker(which))
             return std::unexpected(QStringLiteral("“%1” does not hold the new entry (the log says why)")
                                        .arg(DialogueTranslationCache::defaultFilePath()));
         return {};
     },
     []() -> Texts {
         const auto entries = dialogueEntriesOnDisk();
         if (!entries)
             return std::unexpected(QStringLiteral("not a dialogue cache"));
         return valuesInKeyOrder(*entries, [](const DialogueTranslationCacheEntry& entry) { return entry.translation; });
     }},
    {"credentials", &LocalCredentialStore::storageURL,
     [](StoreContent which) -> Written {
         if (LocalCredentialStore::readAll().size() != kBulkItems + 1) {
             QMap<QString, QString> secrets;
             for (int index = 0; index <= kBulkItems; ++index) secrets.insert(keyOf(index), contents(which)[index]);
             QMutexLocker locker(&LocalCredentialStore::lock());
             if (auto seeded = LocalCredentialStore::writeUnlocked(secrets); !seeded)
                 return seeded;
         }
         return LocalCredentialStore::save(marker(which), keyOf(kBulkItems));
     },
     []() -> Texts {
         // readAll() answers an unreadable file with the empty set; the file reader tells them apart.
         if (const JsonFileRead file = readJsonFile(LocalCredentialStore::storageURL());
             file.status == JsonFileRead::Status::unreadable)
             return std::unexpected(file.error);
         return LocalCredentialStore::readAll().values();
     }},
    {"settings", &paths::settingsFile,
     [](StoreContent which) -> Written {
         SettingsStore settings;
         if (!settings.contains(QStringLiteral("crashTestBulk")))
             if (auto seeded = settings.setArray(QStringLiteral("crashTestBulk"), QJsonArray::fromStringList(bulk())); !seeded)
                 return seeded;
         return settings.setString(QStringLiteral("crashTestMarker"), marker(which));
     },
     []() -> Texts {
         if (const auto broken = unreadableSettings())
             return std::unexpected(*broken);
         const SettingsStore settings;
         QStringList texts;
         for (const QJsonValue& value : settings.arrayValue(QStringLiteral("crashTestBulk")).value_or(QJsonArray()))
             texts << value.toString();
         if (settings.contains(QStringLiteral("crashTestMarker")))
             texts << settings.stringValue(QStringLiteral("crashTestMarker"));
         return texts;
     }},
    {"profiles", &paths::settingsFile,
     [](StoreContent which) -> Written {
         SettingsStore settings;
         return TranslationProfileStore(settings).save(itemsOf(contents(which), &profile));
     },
     []() -> Texts {
         if (const auto broken = unreadableSettings())
             return std::unexpected(*broken);
         SettingsStore settings;
         TranslationProfileStore store(settings);
         const QList<TranslationProfile> loaded = store.load();
         if (store.loadError())
             return std::unexpected(*store.loadError());
         return textsOf(loaded, [](const TranslationProfile& profile) { return profile.prompt; });
     }},
    {"presets", &paths::settingsFile,
     [](StoreContent which) -> Written {
         SettingsStore settings;
         return CustomPromptPresetStore(settings).save(itemsOf(contents(which), &preset));
     },
     []() -> Texts {
         if (const auto broken = unreadableSettings())
             return std::unexpected(*broken);
         SettingsStore settings;
         CustomPromptPresetStore store(settings);
         const QList<TranslationPromptPreset> loaded = store.load();
         if (store.loadError())
             return std::unexpected(*store.loadError());
         return textsOf(loaded, [](const TranslationPromptPreset& preset) { return preset.systemPrompt; });
     }},
    {"ui-regions", &UIOCRRegionStore::defaultFileURL,
     [](StoreContent which) -> Written { return UIOCRRegionStore().save(itemsOf(contents(which), &region)); },
     []() -> Texts {
         const auto loaded = UIOCRRegionStore().load();
         if (!loaded)
             return std::unexpected(loaded.error());
         return textsOf(*loaded, [](const UIOCRRegion& region) { return region.name; });
     }},
    {"ui-cache", &UITranslationCache::defaultFileURL,
     [](StoreContent which) -> Written {
         if (uiCache().entryCount() != kBulkItems + 1) {
             // Manual corrections, so that clearing the automatic translations keeps them all.
             QHash<QString, UITranslationEntry> entries;
             for (int index = 0; index <= kBulkItems; ++index)
                 entries.insert(uiComparisonForm(keyOf(index)), {keyOf(index), contents(which)[index], true, fixedTime()});
             if (auto seeded = writeFileAtomically(UITranslationCache::defaultFileURL(), UITranslationCache::encode(entries));
                 !seeded)
                 return seeded;
         }
         return uiCache().save(keyOf(kBulkItems), marker(which), true);
     },
     []() -> Texts {
         const UITranslationCache cache = uiCache();
         QMap<QString, QString> bySource;
         for (const UITranslationEntry& entry : cache.sortedEntries()) bySource.insert(entry.source, entry.translation);
         if (const auto error = cache.loadError())
             return std::unexpected(*error);
         return bySource.values();
     }},
    {"ui-dictionary", &UIFixedDictionaryStore::defaultFileURL,
     [](StoreContent which) -> Written { return UIFixedDictionaryStore().save(itemsOf(contents(which), &dictionaryEntry)); },
     []() -> Texts {
         const UIFixedDictionaryStore store;
         const QList<UIFixedDictionaryEntry> entries = store.entries();
         if (const auto error = store.loadError())
             return std::unexpected(*error);
         return textsOf(entries, [](const UIFixedDictionaryEntry& entry) { return entry.translation; });
     }},
};

StoreReading readBack(const StoreAccess& store) {
    // A file that is missing or holds no bytes at all reads as empty, whatever the store makes of it.
    if (QFileInfo(store.file()).size() == 0)
        return {StoreContent::empty, {}};
    const Texts texts = store.texts();
    if (!texts)
        return {StoreContent::unreadable, texts.error()};
    if (texts->isEmpty())
        return {StoreContent::empty, {}};
    for (StoreContent which : {StoreContent::first, StoreContent::second})
        if (*texts == contents(which))
            return {which, {}};
    return {StoreContent::unexpected, QStringLiteral("%1 items, the last “%2”").arg(texts->size()).arg(texts->constLast().left(20))};
}

}  // namespace

const char* storeContentName(StoreContent content) {
    switch (content) {
    case StoreContent::first: return "first";
    case StoreContent::second: return "second";
    case StoreContent::empty: return "empty";
    case StoreContent::unreadable: return "unreadable";
    case StoreContent::unexpected: return "unexpected";
    }
    return "?";
}

std::span<const StoreSample> storeSamples() {
    static const std::vector<StoreSample> samples = [] {
        std::vector<StoreSample> list;
        for (const StoreAccess& store : kStores)
            list.push_back({store.name, store.file, store.write, [&store] { return readBack(store); }});
        return list;
    }();
    return samples;
}

const StoreSample* storeSampleNamed(const QString& name) {
    for (const StoreSample& sample : storeSamples())
        if (name == QLatin1String(sample.name))
            return &sample;
    return nullptr;
}

}  // namespace ovisu::test
