#include "support/TestFiles.h"
#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "base/StoredJsonValues.h"
#include "engine/LocalCredentialStore.h"
#include "history/TranslationHistoryStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <limits>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;
using ovisu::test::posixMode;
using ovisu::test::setAsideFiles;

namespace ovisu {
namespace {

// Where the user's data lives on disk: a store that moved would start empty and leave the old file behind.
TEST(PathsTest, OvisuHomeHoldsEveryRootAndEveryStoreFile) {
    const QString home = test::currentHome();
    const std::pair<QString, const char*> locations[] = {
        {paths::configRoot(), "/config"},
        {paths::applicationSupport(), "/data"},
        {paths::temporaryRoot(), "/tmp"},
        {SettingsStore().filePath(), "/config/Ovisu/settings.json"},
        {LocalCredentialStore::storageURL(), "/data/Ovisu/Credentials/credentials.json"},
        {TranslationHistoryStore::defaultFilePath(), "/data/Quillon/translation-history.json"},
    };
    for (const auto& [actual, expected] : locations) EXPECT_EQ(actual, home + QLatin1String(expected));
}

TEST(PathsTest, WithoutOvisuHomeTheXdgFoldersAreReadAtEveryCall) {
    const QByteArray savedHome = qgetenv("OVISU_HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qunsetenv("OVISU_HOME");

    qputenv("XDG_CONFIG_HOME", "/xdg/config");
    qputenv("XDG_DATA_HOME", "/xdg/data");
    EXPECT_EQ(paths::settingsFile(), QStringLiteral("/xdg/config/Ovisu/settings.json"));
    EXPECT_EQ(paths::logFolder(), QStringLiteral("/xdg/data/Ovisu/Logs"));
    EXPECT_EQ(paths::temporaryRoot(), QDir::tempPath());

    qunsetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    EXPECT_EQ(paths::configRoot(), QDir::homePath() + QStringLiteral("/.config"));
    EXPECT_EQ(paths::applicationSupport(), QDir::homePath() + QStringLiteral("/.local/share"));

    qputenv("OVISU_HOME", savedHome);
    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", savedConfig);
    if (hadData)
        qputenv("XDG_DATA_HOME", savedData);
    else
        qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(paths::configRoot(), test::currentHome() + QStringLiteral("/config"));
}

TEST(AtomicFileTest, WritesThroughMissingFoldersAndLeavesNoTemporaries) {
    const QString folder = test::currentHome() + QStringLiteral("/a/b/c");
    const QString path = folder + QStringLiteral("/store.json");
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    ASSERT_TRUE(writeFileAtomically(path, "second, longer"));
    EXPECT_EQ(readBytes(path), "second, longer");
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("store.json")});
}

TEST(AtomicFileTest, AppliesPermissionsAndReportsFailures) {
    const QString path = test::currentHome() + QStringLiteral("/private.json");
    writeBytes(path, "old");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    ASSERT_TRUE(writeFileAtomically(path, "new", QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(posixMode(path), 0600);

    const QString blocker = test::currentHome() + QStringLiteral("/blocker");
    writeBytes(blocker, "not a folder");
    const auto failed = writeFileAtomically(blocker + QStringLiteral("/x.json"), "data");
    ASSERT_FALSE(failed.has_value());
    EXPECT_TRUE(failed.error().contains(blocker));
    EXPECT_EQ(readBytes(blocker), "not a folder");
}

TEST(AtomicFileTest, ReadJsonFileTellsMissingOkAndUnreadableApart) {
    const QString path = test::currentHome() + QStringLiteral("/store.json");
    EXPECT_EQ(readJsonFile(path).status, JsonFileRead::Status::missing);

    writeBytes(path, R"({"a": [1, 2]})");
    const JsonFileRead ok = readJsonFile(path);
    ASSERT_EQ(ok.status, JsonFileRead::Status::ok);
    EXPECT_EQ(ok.document.object().value(QStringLiteral("a")).toArray().size(), 2);

    writeBytes(path, "{\"a\": ");
    const JsonFileRead broken = readJsonFile(path);
    EXPECT_EQ(broken.status, JsonFileRead::Status::unreadable);
    EXPECT_FALSE(broken.error.isEmpty());

    writeBytes(path, "");
    EXPECT_EQ(readJsonFile(path).status, JsonFileRead::Status::unreadable);

    const QString folder = test::currentHome() + QStringLiteral("/folder.json");
    QDir().mkpath(folder);
    EXPECT_EQ(readJsonFile(folder).status, JsonFileRead::Status::unreadable);
}

TEST(AtomicFileTest, SetAsideKeepsEveryCopyAndLogsBothPaths) {
    const QString path = test::currentHome() + QStringLiteral("/history.json");
    writeBytes(path, "first broken");
    const auto first = setAsideUnreadableFile(path, QStringLiteral("history"));
    ASSERT_TRUE(first.has_value()) << first.error().toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(readBytes(*first), "first broken");

    // A second set-aside in the same second gets its own name instead of replacing the first.
    writeBytes(path, "second broken");
    const auto second = setAsideUnreadableFile(path, QStringLiteral("history"));
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*first, *second);
    EXPECT_EQ(readBytes(*first), "first broken");
    EXPECT_EQ(readBytes(*second), "second broken");

    const QString log = AppLogger::shared().combinedText();
    EXPECT_TRUE(log.contains(QStringLiteral("[WARN] [history]")));
    EXPECT_TRUE(log.contains(path + QStringLiteral(" → ") + *second));

    EXPECT_FALSE(setAsideUnreadableFile(path, QStringLiteral("history")).has_value());  // nothing left to move
}

// The rule every JSON store keeps, through the StoreFile that keeps it for them.
TEST(AtomicFileTest, StoreFileSetsAsideOnlyWhatItCouldNotReadAndWritesNothingWhenTheMoveFails) {
    const auto decodeNumber = [](const QJsonDocument& document) -> std::expected<int, QString> {
        if (!document.isObject())
            return std::unexpected(QStringLiteral("no object"));
        return document.object().value(QStringLiteral("n")).toInt();
    };
    const QString path = test::currentHome() + QStringLiteral("/store/numbers.json");
    StoreFile file(path, QStringLiteral("store"));
    EXPECT_FALSE(file.hasBeenRead());
    EXPECT_EQ(file.read(decodeNumber), 0) << "a missing file is the empty value";
    EXPECT_TRUE(file.hasBeenRead());

    writeBytes(path, "[1]");
    const auto refused = file.read(decodeNumber);
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), QStringLiteral("“%1”: no object").arg(path));
    EXPECT_EQ(readBytes(path), "[1]") << "reading alone moves nothing";
    ASSERT_TRUE(file.write(R"({"n":2})"));
    QStringList aside = setAsideFiles(path);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readBytes(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside[0]), "[1]");
    EXPECT_EQ(file.read(decodeNumber), 2);
    ASSERT_TRUE(file.write(R"({"n":3})"));
    EXPECT_EQ(setAsideFiles(path).size(), 1) << "its own file is replaced";

    // A file repaired by hand before the write is replaced like any readable one.
    writeBytes(path, "{");
    EXPECT_FALSE(file.read(decodeNumber).has_value());
    writeBytes(path, R"({"n":4})");
    EXPECT_EQ(file.read(decodeNumber), 4);
    ASSERT_TRUE(file.write(R"({"n":5})"));
    EXPECT_EQ(setAsideFiles(path).size(), 1);

    // The copy's name is longer than a file name may be, so the move fails: the unreadable file
    // stays untouched through every write that tries.
    const QString stuckPath = test::currentHome() + QLatin1Char('/') + QString(240, QLatin1Char('n'));
    writeBytes(stuckPath, "{");
    StoreFile stuck(stuckPath, QStringLiteral("store"));
    ASSERT_FALSE(stuck.read(decodeNumber).has_value());
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto written = stuck.write(R"({"n":6})");
        ASSERT_FALSE(written.has_value());
        EXPECT_TRUE(written.error().contains(stuckPath));
        EXPECT_EQ(readBytes(stuckPath), "{");
    }
}

TEST(StoredJsonValuesTest, UuidsAreReadOnlyInTheirBare36CharacterForm) {
    const QUuid id = QUuid::fromString(QStringLiteral("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D"));
    EXPECT_EQ(storedUuid(QStringLiteral("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D")), id);
    EXPECT_EQ(storedUuid(QStringLiteral("6f1c2b9a-0d4e-4c55-9b7a-3e2f1a0b9c8d")), id);
    EXPECT_EQ(storedUuid(QStringLiteral("00000000-0000-0000-0000-000000000000")), QUuid());
    const QJsonValue refused[] = {
        QStringLiteral("{6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D}"),
        QStringLiteral("(6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D)"),
        QStringLiteral("6F1C2B9A0D4E4C559B7A3E2F1A0B9C8D"),
        QStringLiteral("XXXXXXXX-0D4E-4C55-9B7A-3E2F1A0B9C8D"),
        QStringLiteral("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D "),
        QString(),
        QJsonValue(),
        QJsonValue(42),
    };
    for (const QJsonValue& value : refused)
        EXPECT_EQ(storedUuid(value), std::nullopt) << value.toString().toStdString();
}

TEST(StoredJsonValuesTest, NumbersMustBeFiniteAndArraysNameTheirFirstBadItem) {
    EXPECT_EQ(finiteNumber(QJsonValue(0.25)), 0.25);
    for (const QJsonValue& value : {QJsonValue(std::numeric_limits<double>::infinity()),
                                    QJsonValue(std::numeric_limits<double>::quiet_NaN()), QJsonValue(QStringLiteral("1")),
                                    QJsonValue(true), QJsonValue()})
        EXPECT_EQ(finiteNumber(value), std::nullopt);

    const auto positive = [](const QJsonValue& value) -> std::optional<double> {
        const auto number = finiteNumber(value);
        return number && *number > 0 ? number : std::nullopt;
    };
    const auto read = [&](const QJsonDocument& document) {
        return decodeStoredArray(document, QStringLiteral("term"), QStringLiteral("terms"), positive);
    };
    EXPECT_EQ(read(QJsonDocument(QJsonArray{1.5, 2, 3})), (QList<double>{1.5, 2, 3}));
    EXPECT_EQ(read(QJsonDocument(QJsonArray{})), QList<double>{});
    EXPECT_EQ(read(QJsonDocument(QJsonArray{1, -2, 0})).error(),
              QStringLiteral("term 2 lacks a member or has one of the wrong type"));
    EXPECT_EQ(read(QJsonDocument(QJsonObject{{QStringLiteral("terms"), QJsonArray{1}}})).error(),
              QStringLiteral("the file does not hold a list of terms"));
}

}  // namespace
}  // namespace ovisu
