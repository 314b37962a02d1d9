// Every store that keeps the user's data in a file follows the same two rules, because breaking
// either loses data the user cannot get back: a file (or stored value) that cannot be read is
// moved aside as "<name>.corrupt-<UTC time>" before anything replaces it, and a write that fails
// is returned as an error without touching what is in the way.

#include "base/AppLogger.h"
#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "dialogue/DialogueTranslationCache.h"
#include "engine/CustomPromptPresetStore.h"
#include "engine/LocalCredentialStore.h"
#include "engine/TranslationProfileStore.h"
#include "history/TranslationHistoryStore.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>
#include <gtest/gtest.h>

#include <expected>
#include <functional>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using Written = std::expected<void, QString>;

// Written through every store, so the log can be searched for it after a failure.
const QString kMarker = QStringLiteral("sk-marker-7f3a-must-not-be-logged");

struct StoreCase {
    const char* name;
    std::function<QString()> file;  // the file a broken value lives in
    // For stores kept as one value inside the settings file: its key. The copy set aside is then
    // "<key>.corrupt-<UTC time>.json" holding that value's JSON text.
    QString settingsKey;
    QList<QByteArray> unreadable;   // file contents, or the stored value's JSON text
    std::function<bool()> readsEmpty;
    std::function<Written()> writeMarker;
    std::function<bool()> holdsMarker;  // read back by a fresh instance
    // The folder a write needs; a plain file put in its place makes every write fail.
    std::function<QString()> folderNeeded;
    // Stores that keep a working copy in memory keep the marker for this run when the write fails.
    std::function<bool()> keepsMarkerInMemoryAfterFailedWrite;
    // Reading alone leaves the unreadable file where it is; only the settings store moves it at once.
    bool movesAsideOnlyWhenWriting = true;
};

void PrintTo(const StoreCase& store, std::ostream* out) { *out << store.name; }

QString settingsFolder() { return QFileInfo(paths::settingsFile()).absolutePath(); }

TranslationHistoryRecord markerRecord() {
    return {QUuid::createUuid(), QDateTime::currentDateTimeUtc(), QStringLiteral("原文"), kMarker,
            QStringLiteral("DeepSeek"), 1.0};
}

TranslationProfile markerProfile() {
    TranslationProfile profile;
    profile.name = kMarker;
    profile.model = QStringLiteral("m");
    profile.endpoint = QStringLiteral("https://example.test/v1/chat/completions");
    profile.prompt = QStringLiteral("p");
    return profile;
}

const TranslationPromptPreset kMarkerPreset{QStringLiteral("custom.1"), QStringLiteral("n"), kMarker, QStringLiteral("{text}")};

Written cacheWrite(DialogueTranslationCache& cache) {
    cache.save(QStringLiteral("k"), QStringLiteral("原文"), kMarker);
    const auto onDisk = DialogueTranslationCache::decode(readBytes(cache.filePath()));
    if (onDisk && onDisk->value(QStringLiteral("k")).translation == kMarker) return {};
    return std::unexpected(QStringLiteral("the cache file does not hold the entry"));
}

const QByteArray kBrokenProfile = [] {
    QJsonObject profile = TranslationProfileCodec::encode({markerProfile()}).at(0).toObject();
    profile.remove(QStringLiteral("contextCount"));
    return QJsonDocument(QJsonArray{profile}).toJson(QJsonDocument::Compact);
}();

const StoreCase kStores[] = {
    {"Settings",
     [] { return paths::settingsFile(); },
     {},
     {"{\"translationTemperature\": 0.7, oops", "[1, 2, 3]", ""},
     [] {
         const SettingsStore settings;
         return !settings.contains(QStringLiteral("translationTemperature")) && !settings.contains(QStringLiteral("marker"));
     },
     [] { return SettingsStore().setString(QStringLiteral("marker"), kMarker); },
     [] { return SettingsStore().stringValue(QStringLiteral("marker")) == kMarker; },
     [] { return settingsFolder(); },
     [] {
         SettingsStore store;
         (void)store.setString(QStringLiteral("marker"), kMarker);
         return store.stringValue(QStringLiteral("marker")) == kMarker;
     },
     false},
    {"Credentials",
     [] { return LocalCredentialStore::storageURL(); },
     {},
     {"{\"openai\": \"sk-kept\", broken", "[\"sk-kept\"]", "{\"openai\": \"sk-kept\", \"deepl\": 42}"},
     [] { return LocalCredentialStore::readAll().isEmpty(); },
     [] { return LocalCredentialStore::save(kMarker, QStringLiteral("claude")); },
     [] { return LocalCredentialStore::secret(QStringLiteral("claude")) == kMarker; },
     [] { return QFileInfo(LocalCredentialStore::storageURL()).absolutePath(); },
     {}},
    {"History",
     [] { return TranslationHistoryStore::defaultFilePath(); },
     {},
     {R"([{"original":"大事な記録","translation":"重要的记录"}, {"trunc)", "{}", "[1]"},
     [] { return TranslationHistoryStore().load().isEmpty(); },
     []() -> Written {
         if (auto saved = TranslationHistoryStore().append(markerRecord()); !saved) return std::unexpected(saved.error());
         return {};
     },
     [] {
         const auto records = TranslationHistoryStore().load();
         return records.size() == 1 && records.first().translation == kMarker;
     },
     [] { return QFileInfo(TranslationHistoryStore::defaultFilePath()).absolutePath(); },
     {}},
    {"DialogueCache",
     [] { return DialogueTranslationCache::defaultFilePath(); },
     {},
     {"{not json", "[]", R"({"k":{"key":"k","source":"s","translation":"t","lastUsedAt":1}})"},
     [] { return DialogueTranslationCache().entries().isEmpty(); },
     [] {
         DialogueTranslationCache cache;
         return cacheWrite(cache);
     },
     [] { return DialogueTranslationCache().resolve(QStringLiteral("k")) == kMarker; },
     [] { return QFileInfo(DialogueTranslationCache::defaultFilePath()).absolutePath(); },
     [] {
         DialogueTranslationCache cache;
         (void)cacheWrite(cache);
         return cache.resolve(QStringLiteral("k")) == kMarker;
     }},
    {"Profiles",
     [] { return paths::settingsFile(); },
     SettingsKeys::translationProfiles,
     {kBrokenProfile, "\"an old format\"", "{\"name\": \"not a list\"}"},
     [] {
         SettingsStore settings;
         TranslationProfileStore store(settings);
         return store.load().isEmpty() && store.loadError().has_value();
     },
     [] {
         SettingsStore settings;
         return TranslationProfileStore(settings).save({markerProfile()});
     },
     [] {
         SettingsStore settings;
         return TranslationProfileStore(settings).load() == QList<TranslationProfile>{markerProfile()};
     },
     [] { return settingsFolder(); },
     {}},
    {"PromptPresets",
     [] { return paths::settingsFile(); },
     SettingsKeys::customTranslationPromptPresets,
     {"\"YmFzZTY0Pz8=\"", R"([{"id":"custom.1","name":"n","systemPrompt":"s"}])", "7"},
     [] {
         SettingsStore settings;
         CustomPromptPresetStore store(settings);
         return store.load().isEmpty() && store.loadError().has_value();
     },
     [] {
         SettingsStore settings;
         return CustomPromptPresetStore(settings).save({kMarkerPreset});
     },
     [] {
         SettingsStore settings;
         return CustomPromptPresetStore(settings).load() == QList<TranslationPromptPreset>{kMarkerPreset};
     },
     [] { return settingsFolder(); },
     {}},
};

class StoreFileSafetyTest : public ::testing::TestWithParam<StoreCase> {
protected:
    const StoreCase& store() const { return GetParam(); }

    void plant(const QByteArray& unreadable) const {
        if (store().settingsKey.isEmpty()) {
            writeBytes(store().file(), unreadable);
            return;
        }
        const QJsonValue value = QJsonDocument::fromJson("[" + unreadable + "]").array().at(0);
        ASSERT_FALSE(value.isUndefined()) << "not JSON: " << unreadable.toStdString();
        writeBytes(store().file(), QJsonDocument(QJsonObject{{store().settingsKey, value}}).toJson());
    }

    QString copyPrefix() const {
        return store().settingsKey.isEmpty() ? QFileInfo(store().file()).fileName() : store().settingsKey;
    }
    QString copySuffix() const { return store().settingsKey.isEmpty() ? QString() : QStringLiteral(".json"); }

    QStringList copies() const {
        return QDir(QFileInfo(store().file()).absolutePath())
            .entryList({copyPrefix() + QStringLiteral(".corrupt-*")}, QDir::Files);
    }

    // What the copy holds compared with what was planted: the same bytes for a whole file, the same
    // JSON value for one stored inside the settings file.
    void expectCopyHolds(const QString& copyPath, const QByteArray& planted) const {
        const QByteArray copy = readBytes(copyPath);
        if (store().settingsKey.isEmpty()) {
            EXPECT_EQ(copy, planted);
            return;
        }
        EXPECT_EQ(QJsonDocument::fromJson("[" + copy + "]").array(), QJsonDocument::fromJson("[" + planted + "]").array())
            << copy.toStdString();
    }
};

TEST_P(StoreFileSafetyTest, AnUnreadableFileIsMovedAsideBeforeTheNextWriteAndNeverOverwritten) {
    for (const QByteArray& unreadable : store().unreadable) {
        SCOPED_TRACE(unreadable.toStdString());
        QDir(test::currentHome()).removeRecursively();
        plant(unreadable);

        const QByteArray before = readBytes(store().file());
        EXPECT_TRUE(store().readsEmpty());
        if (store().movesAsideOnlyWhenWriting) {
            EXPECT_EQ(readBytes(store().file()), before) << "reading changes nothing";
            EXPECT_TRUE(copies().isEmpty());
        }
        ASSERT_TRUE(store().writeMarker());

        const QStringList setAside = copies();
        ASSERT_EQ(setAside.size(), 1) << setAside.join(QStringLiteral(", ")).toStdString();
        const QRegularExpression named(QStringLiteral("^") + QRegularExpression::escape(copyPrefix()) +
                                       QStringLiteral(R"(\.corrupt-\d{8}T\d{6}Z)") +
                                       QRegularExpression::escape(copySuffix()) + QStringLiteral("$"));
        EXPECT_TRUE(named.match(setAside.first()).hasMatch()) << setAside.first().toStdString();
        const QString copyPath = QFileInfo(store().file()).absolutePath() + QLatin1Char('/') + setAside.first();
        expectCopyHolds(copyPath, unreadable);
        EXPECT_TRUE(AppLogger::shared().combinedText().contains(copyPath)) << "the user can find the copy";
        EXPECT_TRUE(store().holdsMarker());

        // The store's own, readable file is replaced as usual: no further copies.
        EXPECT_FALSE(store().readsEmpty());
        ASSERT_TRUE(store().writeMarker());
        EXPECT_EQ(copies().size(), 1);
    }
}

TEST_P(StoreFileSafetyTest, AFailedWriteIsReturnedLeavesWhatIsInTheWayAndLogsNoData) {
    const QString folder = store().folderNeeded();
    writeBytes(folder, "a file where a folder should be");

    const Written result = store().writeMarker();
    ASSERT_FALSE(result.has_value());
    EXPECT_FALSE(result.error().isEmpty());
    EXPECT_EQ(readBytes(folder), "a file where a folder should be");
    EXPECT_FALSE(AppLogger::shared().combinedText().contains(kMarker));
    if (store().keepsMarkerInMemoryAfterFailedWrite) {
        EXPECT_TRUE(store().keepsMarkerInMemoryAfterFailedWrite());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStore, StoreFileSafetyTest, ::testing::ValuesIn(kStores),
                         [](const ::testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ovisu
