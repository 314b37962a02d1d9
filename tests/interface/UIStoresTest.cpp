#include "base/AppLogger.h"
#include "base/SettingsStore.h"
#include "interface/UIElementClassifier.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

using ovisu::test::readBytes;
using ovisu::test::setAsideFiles;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

const QDateTime kNoon(QDate(2024, 5, 1), QTime(12, 0, 0, 250), QTimeZone::utc());

UIFixedDictionaryEntry term(const QString& source, const QString& translation,
                            std::optional<UIElementKind> kind = std::nullopt) {
    return {QUuid::createUuid(), source, translation, kind};
}

using Origin = StoredUITranslation::Origin;
std::optional<StoredUITranslation> answer(const QString& translation, Origin origin) {
    return StoredUITranslation{translation, origin == Origin::manualCorrection, origin};
}

QJsonObject cacheFileObject() {
    return QJsonDocument::fromJson(readBytes(UITranslationCache::defaultFileURL())).object();
}

// Replaces the stores' folder with a plain file, so that every write fails.
void blockTheFolder() {
    const QString folder = QFileInfo(UITranslationCache::defaultFileURL()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    writeBytes(folder, "a file where a folder is needed");
}

// What the one file set aside next to path holds; nothing when there is not exactly one.
QByteArray setAsideBytes(const QString& path) {
    const QStringList aside = setAsideFiles(path);
    return aside.size() == 1 ? readBytes(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside[0]) : QByteArray();
}

// Each file reads as an empty store and stays as it is; the next save sets it aside whole and
// writes a readable one.
template <typename Store, typename Count, typename Save>
void expectSetAsideOnSave(const QList<QByteArray>& broken, const QString& fileName, Count count, Save save) {
    for (const QByteArray& bytes : broken) {
        SCOPED_TRACE(bytes.toStdString());
        const QString path = test::currentHome() + QStringLiteral("/case-%1/").arg(qHash(bytes)) + fileName;
        writeBytes(path, bytes);
        Store store(path);
        EXPECT_EQ(count(store), 0);
        EXPECT_TRUE(store.loadError());
        EXPECT_EQ(readBytes(path), bytes);
        ASSERT_TRUE(save(store));
        EXPECT_EQ(setAsideBytes(path), bytes);
        EXPECT_EQ(count(Store(path)), 1);
    }
}

// The stores as the program holds them, on a clock that moves one second per reading from noon,
// so entries have distinct, known times.
class UIStoresTest : public ::testing::Test {
protected:
    // Two automatic entries (seconds 0 and 1), then a manual correction (second 2).
    void fill() {
        stored.saveAutomatic(QStringLiteral("セーブ"), QStringLiteral("保存"));
        stored.saveAutomatic(QStringLiteral("ロード"), QStringLiteral("读取"));
        ASSERT_TRUE(stored.saveManualCorrection(QStringLiteral("タイトル"), QStringLiteral("标题画面")));
    }

    QDateTime next = kNoon;
    UITranslationCache cache{UITranslationCache::defaultFileURL(), [this] {
                                 const QDateTime now = next;
                                 next = next.addSecs(1);
                                 return now;
                             }};
    UIFixedDictionaryStore dictionary;
    UIStoredTranslations stored{cache, dictionary};
};

TEST_F(UIStoresTest, AManualCorrectionBeatsTheDictionaryWhichBeatsTheAutomaticCache) {
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), std::nullopt);

    stored.saveAutomatic(QStringLiteral("設定"), QStringLiteral("设定"));
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), answer(QStringLiteral("设定"), Origin::automaticCache));

    ASSERT_TRUE(dictionary.save({term(QStringLiteral("設定"), QStringLiteral("设置"))}));
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), answer(QStringLiteral("设置"), Origin::fixedDictionary));

    ASSERT_EQ(stored.saveManualCorrection(QStringLiteral("「設定」"), QStringLiteral(" 系统设置\n")), true);
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), answer(QStringLiteral("系统设置"), Origin::manualCorrection));

    // An automatic result arriving afterwards does not replace the correction, in memory or on disk.
    stored.saveAutomatic(QStringLiteral("設定"), QStringLiteral("设定"));
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), answer(QStringLiteral("系统设置"), Origin::manualCorrection));
    EXPECT_EQ(UITranslationCache().entry(QStringLiteral("設定"))->translation, QStringLiteral("系统设置"));

    // The dialog offers what the cache holds, never the dictionary's term.
    EXPECT_EQ(stored.correctionPrefill(QStringLiteral("設定")), QStringLiteral("系统设置"));
    ASSERT_TRUE(dictionary.save({term(QStringLiteral("ロード"), QStringLiteral("读取"))}));
    EXPECT_EQ(stored.correctionPrefill(QStringLiteral("ロード")), QString());
}

TEST_F(UIStoresTest, EntriesAreSharedByComparisonFormAndAutomaticResultsReplaceEachOther) {
    ASSERT_TRUE(cache.save(QStringLiteral("設定"), QStringLiteral("设定"), false));
    ASSERT_TRUE(cache.save(QStringLiteral("「設定」"), QStringLiteral("设置"), false));
    ASSERT_TRUE(cache.save(QStringLiteral("OK"), QStringLiteral("确定"), false));
    EXPECT_EQ(cache.entryCount(), 2);
    EXPECT_EQ(cache.entry(QStringLiteral("設定 ")), (UITranslationEntry{QStringLiteral("「設定」"), QStringLiteral("设置"),
                                                                     false, kNoon.addSecs(1)}));
    EXPECT_EQ(cache.entry(QStringLiteral("ok"))->translation, QStringLiteral("确定"));
    EXPECT_EQ(cacheFileObject().keys(), (QStringList{QStringLiteral("ok"), QStringLiteral("設定")}));

    // A manual correction replaces an automatic entry.
    ASSERT_TRUE(cache.save(QStringLiteral("Ok!"), QStringLiteral("好"), true));
    EXPECT_EQ(cache.entry(QStringLiteral("OK"))->translation, QStringLiteral("好"));
    EXPECT_EQ(cache.manualCorrectionCount(), 1);

    // Text made of punctuation and spaces only is neither stored nor found.
    ASSERT_TRUE(cache.save(QStringLiteral("「……」"), QStringLiteral("……"), false));
    EXPECT_EQ(cache.entryCount(), 2);
    EXPECT_EQ(cache.entry(QStringLiteral("「……」")), std::nullopt);
}

TEST_F(UIStoresTest, TheDictionaryAnswersByKindAndTheFirstMatchingTermWins) {
    ASSERT_EQ(UIElementClassifier::classify(QStringLiteral("OK")), UIElementKind::button);
    ASSERT_TRUE(dictionary.save({
        term(QStringLiteral("設定"), QStringLiteral("按钮设置"), UIElementKind::button),
        term(QStringLiteral("「設定」"), QStringLiteral("设置")),
        term(QStringLiteral("設定"), QStringLiteral("设定")),
        term(QStringLiteral("OK"), QStringLiteral("确定"), UIElementKind::button),
    }));
    EXPECT_EQ(dictionary.resolve(QStringLiteral("設定"), UIElementKind::button)->translation, QStringLiteral("按钮设置"));
    EXPECT_EQ(dictionary.resolve(QStringLiteral("設定"), UIElementKind::menu)->translation, QStringLiteral("设置"));
    EXPECT_EQ(dictionary.resolve(QStringLiteral("ok."), UIElementKind::button)->translation, QStringLiteral("确定"));
    EXPECT_EQ(dictionary.resolve(QStringLiteral("OK"), UIElementKind::menu), std::nullopt);

    // Through the precedence the block's own kind is asked for.
    EXPECT_EQ(stored.resolve(QStringLiteral("OK")), answer(QStringLiteral("确定"), Origin::fixedDictionary));
    EXPECT_EQ(stored.resolve(QStringLiteral("設定")), answer(QStringLiteral("设置"), Origin::fixedDictionary));
}

TEST_F(UIStoresTest, FilesHoldTheDocumentedMembersAndDatesAsSecondsSince2001) {
    ASSERT_TRUE(cache.save(QStringLiteral("はい"), QStringLiteral("是"), true));
    const QJsonObject entry = cacheFileObject().value(QStringLiteral("はい")).toObject();
    EXPECT_EQ(entry.keys(), (QStringList{"manuallyCorrected", "source", "translation", "updatedAt"}));
    EXPECT_DOUBLE_EQ(entry.value("updatedAt").toDouble(), 736257600.25);  // 2024-05-01 12:00:00.250 UTC
    EXPECT_EQ(UITranslationCache().entry(QStringLiteral("はい"))->updatedAt, kNoon);

    const QList<UIFixedDictionaryEntry> terms{term(QStringLiteral("はい"), QStringLiteral("是")),
                                              term(QStringLiteral("日曜"), QStringLiteral("周日"), UIElementKind::date)};
    ASSERT_TRUE(dictionary.save(terms));
    const QJsonArray array = QJsonDocument::fromJson(readBytes(dictionary.fileURL())).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject().keys(), (QStringList{"id", "source", "translation"}));
    EXPECT_EQ(array[1].toObject().value("kind"), QJsonValue(QStringLiteral("date")));
    EXPECT_EQ(array[1].toObject().value("id").toString(), terms[1].id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(UIFixedDictionaryStore().entries(), terms);
}

TEST_F(UIStoresTest, ClearingKeepsOrDropsTheManualCorrectionsAndTheManagerListsNewestFirst) {
    fill();

    // Only spaces and line breaks: nothing changes.
    const QByteArray before = readBytes(cache.fileURL());
    EXPECT_EQ(stored.saveManualCorrection(QStringLiteral("セーブ"), QStringLiteral("  \n ")), false);
    EXPECT_EQ(stored.saveManualCorrection(QStringLiteral("「」"), QStringLiteral("空")), false);
    EXPECT_EQ(readBytes(cache.fileURL()), before);
    EXPECT_FALSE(cache.entry(QStringLiteral("セーブ"))->manuallyCorrected);

    ASSERT_TRUE(stored.clearAutomatic());
    EXPECT_EQ(cache.entryCount(), 1);
    EXPECT_EQ(UITranslationCache().entry(QStringLiteral("タイトル"))->translation, QStringLiteral("标题画面"));

    // The manager lists newest first, whatever the origin, in local time.
    stored.saveAutomatic(QStringLiteral("ロード"), QStringLiteral("读档"));
    ASSERT_TRUE(dictionary.save({term(QStringLiteral("はい"), QStringLiteral("是"))}));
    const auto local = [](int seconds) {
        return kNoon.addSecs(seconds).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    EXPECT_EQ(stored.cacheManagerText(), QStringLiteral("[自动静态缓存] ") + local(3) +
                                             QStringLiteral("\n原文：ロード\n译文：读档\n\n[永久人工修正] ") + local(2) +
                                             QStringLiteral("\n原文：タイトル\n译文：标题画面"));
    EXPECT_EQ(stored.summaryLine(), QStringLiteral("静态缓存 1 条 · 永久人工修正 1 条 · 固定词典 1 条"));

    ASSERT_TRUE(stored.clearEverything());
    EXPECT_EQ(UITranslationCache().entryCount(), 0);
}

TEST_F(UIStoresTest, TheMigrationKeepsCorrectionsSetsItsFlagOnlyAfterAWriteAndRunsOnce) {
    SettingsStore settings;
    fill();
    blockTheFolder();
    stored.migrateInterfaceCacheForAccurateOCRIfNeeded(settings);
    EXPECT_FALSE(settings.contains(QStringLiteral("interfaceAccurateOCRCacheMigrationBuild114")));
    EXPECT_EQ(cache.entryCount(), 3) << "a failed write must not change the memory";
    EXPECT_TRUE(AppLogger::shared().combinedText().contains(
        QStringLiteral("[ERROR] [migration] 清理旧版界面 OCR 自动缓存失败：")));

    ASSERT_TRUE(QFile::remove(QFileInfo(UITranslationCache::defaultFileURL()).absolutePath()));
    stored.migrateInterfaceCacheForAccurateOCRIfNeeded(settings);
    EXPECT_TRUE(settings.boolValue(QStringLiteral("interfaceAccurateOCRCacheMigrationBuild114"), false));
    EXPECT_EQ(UITranslationCache().entryCount(), 1);
    EXPECT_TRUE(UITranslationCache().entry(QStringLiteral("タイトル"))->manuallyCorrected);

    stored.saveAutomatic(QStringLiteral("セーブ"), QStringLiteral("保存"));
    stored.migrateInterfaceCacheForAccurateOCRIfNeeded(settings);
    EXPECT_EQ(cache.entryCount(), 2) << "the migration ran twice";
}

TEST_F(UIStoresTest, FailedWritesKeepTheMemoryAndAreReported) {
    fill();
    ASSERT_FALSE(stored.addDictionaryEntry(QStringLiteral("はい"), QStringLiteral("是"), std::nullopt).realtimeError);
    blockTheFolder();

    const auto correction = stored.saveManualCorrection(QStringLiteral("セーブ"), QStringLiteral("存档"));
    ASSERT_FALSE(correction);
    EXPECT_TRUE(correction.error().startsWith(QStringLiteral("保存人工修正失败：")));
    EXPECT_EQ(stored.resolve(QStringLiteral("セーブ")), answer(QStringLiteral("保存"), Origin::automaticCache));

    stored.saveAutomatic(QStringLiteral("オート"), QStringLiteral("自动"));  // the error is dropped
    EXPECT_EQ(cache.entry(QStringLiteral("オート")), std::nullopt);

    EXPECT_FALSE(stored.clearAutomatic());
    EXPECT_FALSE(stored.clearEverything());
    EXPECT_EQ(cache.entryCount(), 3);

    stored.clearAutomaticForSourceChange();
    EXPECT_TRUE(AppLogger::shared().combinedText().contains(
        QStringLiteral("[ERROR] [cache] 切换翻译源时清理自动 UI 缓存失败：")));
    EXPECT_EQ(cache.entryCount(), 3);

    // The editor keeps the edit; the store keeps answering with what is on disk.
    const auto edited = stored.editDictionaryEntry(0, QStringLiteral("はい"), QStringLiteral("好的"), std::nullopt);
    EXPECT_TRUE(edited.realtimeError);
    EXPECT_EQ(stored.dictionaryEntries()[0].translation, QStringLiteral("好的"));
    EXPECT_EQ(dictionary.resolve(QStringLiteral("はい"), UIElementKind::button)->translation, QStringLiteral("是"));
}

TEST_F(UIStoresTest, DictionaryEditsAreValidatedKeepTheirPlaceAndNeedASelectedRow) {
    const QString empty = QStringLiteral("固定词条的原文和译文不能为空");
    const QString noRow = QStringLiteral("请先在固定词典中选择一行");

    EXPECT_EQ(stored.addDictionaryEntry(QStringLiteral(" \n"), QStringLiteral("是"), std::nullopt).statusLine, empty);
    EXPECT_EQ(stored.addDictionaryEntry(QStringLiteral("はい"), QStringLiteral("\t"), std::nullopt).statusLine, empty);
    EXPECT_FALSE(QFileInfo::exists(dictionary.fileURL()));

    EXPECT_TRUE(stored.addDictionaryEntry(QStringLiteral(" はい "), QStringLiteral("是\n"), UIElementKind::button).changed);
    stored.addDictionaryEntry(QStringLiteral("いいえ"), QStringLiteral("否"), std::nullopt);
    const QUuid firstId = stored.dictionaryEntries()[0].id;
    EXPECT_EQ(dictionary.entries(), stored.dictionaryEntries());
    EXPECT_EQ(stored.dictionaryEntries()[0].source + stored.dictionaryEntries()[0].translation, QStringLiteral("はい是"));

    for (std::optional<int> row : {std::optional<int>(), std::optional<int>(2)}) {
        EXPECT_EQ(stored.editDictionaryEntry(row, QStringLiteral("a"), QStringLiteral("b"), std::nullopt).statusLine,
                  noRow);
        EXPECT_EQ(stored.removeDictionaryEntry(row).statusLine, noRow);
        EXPECT_EQ(stored.dictionaryEntryForEditing(row).error(), noRow);
    }
    EXPECT_EQ(stored.editDictionaryEntry(0, QStringLiteral("はい"), QStringLiteral(" "), std::nullopt).statusLine, empty);

    ASSERT_TRUE(stored.editDictionaryEntry(0, QStringLiteral("はい。"), QStringLiteral("好"), std::nullopt).changed);
    EXPECT_EQ(UIFixedDictionaryStore().entries()[0],
              (UIFixedDictionaryEntry{firstId, QStringLiteral("はい。"), QStringLiteral("好"), std::nullopt}));
    EXPECT_EQ(stored.dictionaryEntryForEditing(0)->id, firstId);

    ASSERT_TRUE(stored.removeDictionaryEntry(0).changed);
    ASSERT_EQ(UIFixedDictionaryStore().entries().size(), 1);
    EXPECT_EQ(UIFixedDictionaryStore().entries()[0].source, QStringLiteral("いいえ"));

    // The kind pop-up: item 0 is every kind, then one item per kind.
    EXPECT_EQ(UIStoredTranslations::kindForItem(0), std::nullopt);
    for (UIElementKind kind : allUIElementKinds())
        EXPECT_EQ(UIStoredTranslations::kindForItem(UIStoredTranslations::itemForKind(kind)), kind);
}

TEST_F(UIStoresTest, UndecodableFilesAnswerNothingAndAreSetAsideNotOverwritten) {
    const QByteArray goodCache =
        R"({"設定":{"source":"設定","translation":"设置","manuallyCorrected":true,"updatedAt":736257600.25}})";
    const QList<QByteArray> brokenCaches{
        "{\"設定\":",
        "[]",
        QByteArray(goodCache).replace("true", "\"yes\""),
        QByteArray(goodCache).replace("736257600.25", "1e300"),  // beyond any date
        QByteArray(goodCache).replace(",\"updatedAt\":736257600.25", ""),
        QByteArray(goodCache).replace("\"设置\"", "7"),
    };
    ASSERT_TRUE(UITranslationCache::decode(QJsonDocument::fromJson(goodCache)));
    expectSetAsideOnSave<UITranslationCache>(
        brokenCaches, QStringLiteral("ui-translation-cache.json"), [](const UITranslationCache& c) { return c.entryCount(); },
        [](UITranslationCache& c) { return c.save(QStringLiteral("セーブ"), QStringLiteral("保存"), false); });
    EXPECT_TRUE(AppLogger::shared().combinedText().contains(QStringLiteral("UI 翻译缓存文件无法读取")));

    const QByteArray goodTerm = R"([{"id":"6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D","source":"設定","translation":"设置"}])";
    const QList<QByteArray> brokenDictionaries{
        "{}",
        QByteArray(goodTerm).replace("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D", "6F1C2B9A"),
        QByteArray(goodTerm).replace("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D", "XXXXXXXX-0D4E-4C55-9B7A-3E2F1A0B9C8D"),
        QByteArray(goodTerm).replace("\"translation\":\"设置\"", "\"translation\":[]"),
        QByteArray(goodTerm).replace("\"设置\"", "\"设置\",\"kind\":\"toolbar\""),
    };
    const auto withNullKind = UIFixedDictionaryStore::decode(
        QJsonDocument::fromJson(QByteArray(goodTerm).replace("\"设置\"", "\"设置\",\"kind\":null")));
    ASSERT_TRUE(withNullKind);
    EXPECT_EQ(withNullKind->at(0).kind, std::nullopt);
    expectSetAsideOnSave<UIFixedDictionaryStore>(
        brokenDictionaries, QStringLiteral("ui-fixed-dictionary.json"),
        [](const UIFixedDictionaryStore& d) { return int(d.entries().size()); },
        [](UIFixedDictionaryStore& d) { return d.save({term(QStringLiteral("はい"), QStringLiteral("是"))}); });

    // Clearing everything is a write without a reading before it; the file is still set aside.
    const QString cachePath = UITranslationCache::defaultFileURL();
    writeBytes(cachePath, brokenCaches.first());
    ASSERT_TRUE(UITranslationCache().clearAll());
    EXPECT_EQ(setAsideBytes(cachePath), brokenCaches.first());
}

}  // namespace
}  // namespace ovisu
