#include "support/TestFiles.h"
#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "engine/LocalCredentialStore.h"
#include "history/TranslationHistoryStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;
using ovisu::test::posixMode;

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

}  // namespace
}  // namespace ovisu
