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

namespace ovisu::test {
namespace {

using Written = std::expected<void, QString>;

// Every bulk text is about this long, so a few hundred records make a few hundred KB.
const QString kLongJapanese = QStringLiteral("窓の外では雨が降り続いている。").repeated(12);
const QString kLongChinese = QStringLiteral("窗外的雨一直下个不停。").repeated(12);

QString marker(StoreContent which) {
    return which == StoreContent::first ? QStringLiteral("first") : QStringLiteral("second");
}

QDateTime fixedTime() { return QDateTime::fromSecsSinceEpoch(1'704'067'200, Qt::UTC); }

QUuid numberedUuid(int index) {
    return QUuid::fromString(QStringLiteral("%1-0000-4000-8000-000000000000").arg(index, 8, 16, QLatin1Char('0')));
}

Written failure(const QString& error) { return std::unexpected(error); }

StoreReading reading(StoreContent content, QString detail = {}) { return {content, std::move(detail)}; }

// A count that is neither known content is a store that kept or dropped the wrong thing.
StoreReading byCount(qsizetype count, qsizetype firstCount, bool lastMatches) {
    if (count == 0)
        return reading(StoreContent::empty);
    if (count == firstCount && lastMatches)
        return reading(StoreContent::first);
    if (count == firstCount + 1 && lastMatches)
        return reading(StoreContent::second);
    return reading(StoreContent::unexpected, QStringLiteral("%1 items").arg(count));
}

// A file that is missing or holds no bytes at all reads as empty, whatever the store makes of it.
bool holdsNothing(const QString& path) { return QFileInfo(path).size() == 0; }

// ---- Translation history: N or N + 1 records.

constexpr int kHistoryRecords = 400;

TranslationHistoryRecord historyRecord(int index) {
    return {numberedUuid(index), fixedTime().addSecs(index), QString::number(index) + kLongJapanese, kLongChinese,
            QStringLiteral("DeepSeek"), 1.0};
}

const QList<TranslationHistoryRecord>& historyBulk() {
    static const QList<TranslationHistoryRecord> records = [] {
        QList<TranslationHistoryRecord> list;
        for (int index = 0; index < kHistoryRecords; ++index) list.append(historyRecord(index));
        return list;
    }();
    return records;
}

StoreSample historySample() {
    return {"history", [] { return TranslationHistoryStore::defaultFilePath(); },
            [](StoreContent which) -> Written {
                TranslationHistoryStore store;
                if (which == StoreContent::first)
                    return store.save(historyBulk());
                // The second content is what the program does after a translation: one more record.
                if (auto appended = store.append(historyRecord(kHistoryRecords)); !appended)
                    return failure(appended.error());
                return {};
            },
            [] {
                const TranslationHistoryStore store;
                if (holdsNothing(store.filePath()))
                    return reading(StoreContent::empty);
                const auto loaded = store.loadWithStatus();
                if (loaded.unreadable)
                    return reading(StoreContent::unreadable, loaded.error);
                const auto& records = loaded.records;
                const bool lastMatches = !records.isEmpty() && records.constLast() == historyRecord(int(records.size()) - 1);
                return byCount(records.size(), kHistoryRecords, lastMatches);
            }};
}

// ---- Dialogue translation cache: one entry's translation is "first" or "second".

constexpr int kDialogueEntries = 450;
const QString kMarkerKey = QStringLiteral("crash-test-marker");

DialogueTranslationCache dialogueCache() {
    return DialogueTranslationCache(DialogueTranslationCache::defaultFilePath(), [] { return fixedTime(); });
}

QHash<QString, DialogueTranslationCacheEntry> dialogueBulk() {
    QHash<QString, DialogueTranslationCacheEntry> entries;
    for (int index = 0; index < kDialogueEntries; ++index) {
        const QString key = QStringLiteral("bulk-%1").arg(index);
        entries.insert(key, {key, QString::number(index) + kLongJapanese, kLongChinese, fixedTime(), 0});
    }
    return entries;
}

StoreSample dialogueCacheSample() {
    return {"dialogue-cache", [] { return DialogueTranslationCache::defaultFilePath(); },
            [](StoreContent which) -> Written {
                const QString path = DialogueTranslationCache::defaultFilePath();
                if (dialogueCache().entries().size() < kDialogueEntries) {
                    // The cache has no bulk operation; its own encoder lays the bulk down at once.
                    if (auto seeded = writeFileAtomically(path, DialogueTranslationCache::encode(dialogueBulk())); !seeded)
                        return seeded;
                }
                DialogueTranslationCache cache = dialogueCache();
                cache.save(kMarkerKey, QStringLiteral("台詞"), marker(which));
                // save() reports a failed write only in the log; what is on disk tells.
                QFile file(path);
                const auto onDisk = file.open(QIODevice::ReadOnly) ? DialogueTranslationCache::decode(file.readAll())
                                                                   : std::nullopt;
                if (!onDisk || onDisk->value(kMarkerKey).translation != marker(which))
                    return failure(QStringLiteral("“%1” does not hold the new entry (the log says why)").arg(path));
                return {};
            },
            [] {
                const QString path = DialogueTranslationCache::defaultFilePath();
                if (holdsNothing(path))
                    return reading(StoreContent::empty);
                QFile file(path);
                const auto entries = file.open(QIODevice::ReadOnly) ? DialogueTranslationCache::decode(file.readAll())
                                                                    : std::nullopt;
                if (!entries)
                    return reading(StoreContent::unreadable, QStringLiteral("not a dialogue cache"));
                const QString translation = entries->value(kMarkerKey).translation;
                if (entries->size() != kDialogueEntries + 1)
                    return reading(entries->isEmpty() ? StoreContent::empty : StoreContent::unexpected,
                                   QStringLiteral("%1 entries").arg(entries->size()));
                if (translation == marker(StoreContent::first))
                    return reading(StoreContent::first);
                if (translation == marker(StoreContent::second))
                    return reading(StoreContent::second);
                return reading(StoreContent::unexpected, translation);
            }};
}

// ---- Credentials: one account's secret is "sk-first" or "sk-second" among many.

constexpr int kCredentialAccounts = 200;
const QString kCredentialAccount = QStringLiteral("crash-test");

QString secretFor(StoreContent which) { return QStringLiteral("sk-") + marker(which); }

StoreSample credentialsSample() {
    return {"credentials", [] { return LocalCredentialStore::storageURL(); },
            [](StoreContent which) -> Written {
                if (LocalCredentialStore::readAll().size() < kCredentialAccounts) {
                    QMap<QString, QString> bulk;
                    for (int index = 0; index < kCredentialAccounts; ++index)
                        bulk.insert(QStringLiteral("bulk-%1").arg(index),
                                    QStringLiteral("sk-%1-").arg(index) + QString(2000, QLatin1Char('x')));
                    QMutexLocker locker(&LocalCredentialStore::lock());
                    if (auto seeded = LocalCredentialStore::writeUnlocked(bulk); !seeded)
                        return seeded;
                }
                return LocalCredentialStore::save(secretFor(which), kCredentialAccount);
            },
            [] {
                const QString path = LocalCredentialStore::storageURL();
                if (holdsNothing(path))
                    return reading(StoreContent::empty);
                // readAll() answers an unreadable file with the empty set; the file reader tells them apart.
                if (const JsonFileRead file = readJsonFile(path); file.status == JsonFileRead::Status::unreadable)
                    return reading(StoreContent::unreadable, file.error);
                const QMap<QString, QString> secrets = LocalCredentialStore::readAll();
                if (secrets.isEmpty())
                    return reading(StoreContent::empty);
                if (secrets.size() != kCredentialAccounts + 1)
                    return reading(StoreContent::unexpected, QStringLiteral("%1 secrets").arg(secrets.size()));
                const QString secret = secrets.value(kCredentialAccount);
                if (secret == secretFor(StoreContent::first))
                    return reading(StoreContent::first);
                if (secret == secretFor(StoreContent::second))
                    return reading(StoreContent::second);
                return reading(StoreContent::unexpected, QStringLiteral("another secret"));
            }};
}

// ---- Settings: one value is "first" or "second" beside a large one.

const QString kBulkKey = QStringLiteral("crashTestBulk");
const QString kMarkerSetting = QStringLiteral("crashTestMarker");
constexpr int kBulkSettingItems = 800;

// Stores kept inside the settings file: an unreadable file is moved aside the moment a
// SettingsStore opens it, so the file reader looks first.
std::optional<StoreReading> unreadableSettingsFile() {
    if (holdsNothing(paths::settingsFile()))
        return reading(StoreContent::empty);
    if (const JsonFileRead file = readJsonFile(paths::settingsFile()); file.status == JsonFileRead::Status::unreadable)
        return reading(StoreContent::unreadable, file.error);
    return std::nullopt;
}

StoreSample settingsSample() {
    return {"settings", [] { return paths::settingsFile(); },
            [](StoreContent which) -> Written {
                SettingsStore settings;
                if (!settings.contains(kBulkKey)) {
                    QJsonArray bulk;
                    for (int index = 0; index < kBulkSettingItems; ++index) bulk.append(QString::number(index) + kLongChinese);
                    if (auto seeded = settings.setArray(kBulkKey, bulk); !seeded)
                        return seeded;
                }
                return settings.setString(kMarkerSetting, marker(which));
            },
            [] {
                if (auto broken = unreadableSettingsFile())
                    return *broken;
                const SettingsStore settings;
                if (!settings.contains(kBulkKey))
                    return reading(StoreContent::empty);
                if (settings.arrayValue(kBulkKey).value_or(QJsonArray()).size() != kBulkSettingItems)
                    return reading(StoreContent::unexpected, QStringLiteral("the large value changed"));
                const QString value = settings.stringValue(kMarkerSetting);
                if (value == marker(StoreContent::first))
                    return reading(StoreContent::first);
                if (value == marker(StoreContent::second))
                    return reading(StoreContent::second);
                return reading(StoreContent::unexpected, value);
            }};
}

// ---- Translation profiles and prompt presets (inside the settings file): N or N + 1 of them.

constexpr int kProfiles = 200;

TranslationProfile profile(int index) {
    TranslationProfile profile;
    profile.name = QStringLiteral("配置 %1").arg(index, 4, 10, QLatin1Char('0'));
    profile.model = QStringLiteral("model");
    profile.endpoint = QStringLiteral("https://example.test/v1/chat/completions");
    profile.prompt = kLongChinese;
    profile.glossary = kLongJapanese;
    return profile;
}

QList<TranslationProfile> profiles(StoreContent which) {
    QList<TranslationProfile> list;
    const int count = which == StoreContent::first ? kProfiles : kProfiles + 1;
    for (int index = 0; index < count; ++index) list.append(profile(index));
    return list;
}

StoreSample profilesSample() {
    return {"profiles", [] { return paths::settingsFile(); },
            [](StoreContent which) -> Written {
                SettingsStore settings;
                return TranslationProfileStore(settings).save(profiles(which));
            },
            [] {
                if (auto broken = unreadableSettingsFile())
                    return *broken;
                SettingsStore settings;
                TranslationProfileStore store(settings);
                const QList<TranslationProfile> loaded = store.load();
                if (store.loadError())
                    return reading(StoreContent::unreadable, *store.loadError());
                return byCount(loaded.size(), kProfiles,
                               !loaded.isEmpty() && loaded.constLast() == profile(int(loaded.size()) - 1));
            }};
}

constexpr int kPresets = 200;

TranslationPromptPreset preset(int index) {
    return {QStringLiteral("custom.") + numberedUuid(index).toString(QUuid::WithoutBraces).toUpper(),
            QStringLiteral("预设 %1").arg(index), kLongChinese + kLongJapanese, QStringLiteral("{text}")};
}

StoreSample presetsSample() {
    return {"presets", [] { return paths::settingsFile(); },
            [](StoreContent which) -> Written {
                QList<TranslationPromptPreset> list;
                for (int index = 0; index < (which == StoreContent::first ? kPresets : kPresets + 1); ++index)
                    list.append(preset(index));
                SettingsStore settings;
                return CustomPromptPresetStore(settings).save(list);
            },
            [] {
                if (auto broken = unreadableSettingsFile())
                    return *broken;
                SettingsStore settings;
                CustomPromptPresetStore store(settings);
                const QList<TranslationPromptPreset> loaded = store.load();
                if (store.loadError())
                    return reading(StoreContent::unreadable, *store.loadError());
                return byCount(loaded.size(), kPresets,
                               !loaded.isEmpty() && loaded.constLast() == preset(int(loaded.size()) - 1));
            }};
}

// ---- Interface mode's stores.

constexpr int kRegions = 2500;

UIOCRRegion region(int index) {
    return {numberedUuid(index), QStringLiteral("区域 %1").arg(index), QRectF(0.125, 0.25, 0.5, 0.0625), index % 2 == 0};
}

StoreSample uiRegionsSample() {
    return {"ui-regions", [] { return UIOCRRegionStore::defaultFileURL(); },
            [](StoreContent which) -> Written {
                QList<UIOCRRegion> list;
                for (int index = 0; index < (which == StoreContent::first ? kRegions : kRegions + 1); ++index)
                    list.append(region(index));
                return UIOCRRegionStore().save(list);
            },
            [] {
                UIOCRRegionStore store;
                if (holdsNothing(store.fileURL()))
                    return reading(StoreContent::empty);
                const auto loaded = store.load();
                if (!loaded)
                    return reading(StoreContent::unreadable, loaded.error());
                return byCount(loaded->size(), kRegions,
                               !loaded->isEmpty() && loaded->constLast() == region(int(loaded->size()) - 1));
            }};
}

constexpr int kUICacheEntries = 450;
const QString kUIMarkerSource = QStringLiteral("クラッシュ試験の標識");

UITranslationCache uiCache() {
    return UITranslationCache(UITranslationCache::defaultFileURL(), [] { return fixedTime(); });
}

StoreSample uiCacheSample() {
    return {"ui-cache", [] { return UITranslationCache::defaultFileURL(); },
            [](StoreContent which) -> Written {
                if (uiCache().entryCount() < kUICacheEntries) {
                    // Manual corrections, so that clearing the automatic translations keeps them all.
                    QHash<QString, UITranslationEntry> bulk;
                    for (int index = 0; index < kUICacheEntries; ++index) {
                        const QString source = QString::number(index) + kLongJapanese;
                        bulk.insert(uiComparisonForm(source), {source, kLongChinese, true, fixedTime()});
                    }
                    // The cache has no bulk operation; its own encoder lays the bulk down at once.
                    if (auto seeded = writeFileAtomically(UITranslationCache::defaultFileURL(), UITranslationCache::encode(bulk));
                        !seeded)
                        return seeded;
                }
                return uiCache().save(kUIMarkerSource, marker(which), true);
            },
            [] {
                const UITranslationCache cache = uiCache();
                if (holdsNothing(cache.fileURL()))
                    return reading(StoreContent::empty);
                const auto entry = cache.entry(kUIMarkerSource);
                if (const auto error = cache.loadError())
                    return reading(StoreContent::unreadable, *error);
                if (cache.entryCount() != kUICacheEntries + 1 || !entry)
                    return reading(cache.entryCount() == 0 ? StoreContent::empty : StoreContent::unexpected,
                                   QStringLiteral("%1 entries").arg(cache.entryCount()));
                if (entry->translation == marker(StoreContent::first))
                    return reading(StoreContent::first);
                if (entry->translation == marker(StoreContent::second))
                    return reading(StoreContent::second);
                return reading(StoreContent::unexpected, entry->translation);
            }};
}

constexpr int kDictionaryEntries = 1000;

UIFixedDictionaryEntry dictionaryEntry(int index) {
    return {numberedUuid(index), QStringLiteral("用語%1").arg(index), QStringLiteral("术语%1").arg(index) + kLongChinese,
            std::nullopt};
}

StoreSample uiDictionarySample() {
    return {"ui-dictionary", [] { return UIFixedDictionaryStore::defaultFileURL(); },
            [](StoreContent which) -> Written {
                QList<UIFixedDictionaryEntry> list;
                for (int index = 0; index < (which == StoreContent::first ? kDictionaryEntries : kDictionaryEntries + 1);
                     ++index)
                    list.append(dictionaryEntry(index));
                return UIFixedDictionaryStore().save(list);
            },
            [] {
                const UIFixedDictionaryStore store;
                if (holdsNothing(store.fileURL()))
                    return reading(StoreContent::empty);
                const QList<UIFixedDictionaryEntry> entries = store.entries();
                if (const auto error = store.loadError())
                    return reading(StoreContent::unreadable, *error);
                return byCount(entries.size(), kDictionaryEntries,
                               !entries.isEmpty() && entries.constLast() == dictionaryEntry(int(entries.size()) - 1));
            }};
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
    static const StoreSample samples[] = {historySample(),  dialogueCacheSample(), credentialsSample(),
                                          settingsSample(), profilesSample(),      presetsSample(),
                                          uiRegionsSample(), uiCacheSample(),       uiDictionarySample()};
    return samples;
}

const StoreSample* storeSampleNamed(const QString& name) {
    for (const StoreSample& sample : storeSamples())
        if (name == QLatin1String(sample.name))
            return &sample;
    return nullptr;
}

}  // namespace ovisu::test
