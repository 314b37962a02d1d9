#include "support/TestFiles.h"
#include "engine/LocalCredentialStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <sys/stat.h>

using ovisu::test::posixMode;
using ovisu::test::readBytes;

namespace ovisu {
namespace {

QString credentialFolder() { return QFileInfo(LocalCredentialStore::storageURL()).absolutePath(); }

QStringList corruptCopies() {
    return QDir(credentialFolder()).entryList({QStringLiteral("credentials.json.corrupt-*")}, QDir::Files);
}

TEST(LocalCredentialStoreTest, SaveReadAndRemoveWithAnEmptyValue) {
    EXPECT_TRUE(LocalCredentialStore::secret(QStringLiteral("openai")).isEmpty());
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("sk-one"), QStringLiteral("openai")));
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("sk-two"), QStringLiteral("deepseek")));
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("sk-one-new"), QStringLiteral("openai")));
    EXPECT_EQ(LocalCredentialStore::secret(QStringLiteral("openai")), QStringLiteral("sk-one-new"));
    EXPECT_EQ(LocalCredentialStore::readAll().size(), 2);

    ASSERT_TRUE(LocalCredentialStore::save(QString(), QStringLiteral("openai")));
    EXPECT_TRUE(LocalCredentialStore::secret(QStringLiteral("openai")).isEmpty());
    const QJsonObject onDisk = QJsonDocument::fromJson(readBytes(LocalCredentialStore::storageURL())).object();
    EXPECT_FALSE(onDisk.contains(QStringLiteral("openai")));
    EXPECT_EQ(onDisk.value(QStringLiteral("deepseek")).toString(), QStringLiteral("sk-two"));

    // Removing an account that was never there still writes a valid file.
    ASSERT_TRUE(LocalCredentialStore::save(QString(), QStringLiteral("never")));
    EXPECT_EQ(LocalCredentialStore::readAll().keys(), QStringList{QStringLiteral("deepseek")});
}

TEST(LocalCredentialStoreTest, FileTextIsSortedPrettyAndKeepsSlashes) {
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("https://a/b"), QStringLiteral("zeta")));
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("k/1"), QStringLiteral("alpha")));
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("秘密"), QStringLiteral("mid")));
    const QByteArray text = readBytes(LocalCredentialStore::storageURL());
    EXPECT_TRUE(text.contains("\"https://a/b\""));
    EXPECT_FALSE(text.contains("\\/"));
    EXPECT_TRUE(text.contains("\n"));
    EXPECT_GE(text.indexOf("\"alpha\""), 0);
    EXPECT_LT(text.indexOf("\"alpha\""), text.indexOf("\"mid\""));
    EXPECT_LT(text.indexOf("\"mid\""), text.indexOf("\"zeta\""));
    EXPECT_EQ(LocalCredentialStore::secret(QStringLiteral("mid")), QStringLiteral("秘密"));
}

TEST(LocalCredentialStoreTest, FolderAndFileArePrivateAfterEveryWrite) {
    const QString path = LocalCredentialStore::storageURL();
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("s1"), QStringLiteral("a")));
    EXPECT_EQ(posixMode(credentialFolder()), 0700);
    EXPECT_EQ(posixMode(path), 0600);

    // Widened by hand, or left so by an older version: the next write narrows both again.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(credentialFolder()).constData(), 0755), 0);
    ASSERT_TRUE(LocalCredentialStore::save(QStringLiteral("s2"), QStringLiteral("b")));
    EXPECT_EQ(posixMode(credentialFolder()), 0700);
    EXPECT_EQ(posixMode(path), 0600);

    ASSERT_TRUE(LocalCredentialStore::save(QString(), QStringLiteral("a")));
    EXPECT_EQ(posixMode(path), 0600);
    EXPECT_EQ(QDir(credentialFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("credentials.json")});
}

TEST(LocalCredentialStoreTest, ConcurrentSavesToDifferentAccountsAllSurvive) {
    constexpr int kThreads = 6;
    constexpr int kAccounts = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kAccounts; ++i)
                LocalCredentialStore::save(QStringLiteral("secret-%1-%2").arg(t).arg(i),
                                           QStringLiteral("account-%1-%2").arg(t).arg(i));
        });
    }
    for (auto& thread : threads)
        thread.join();
    const QMap<QString, QString> all = LocalCredentialStore::readAll();
    EXPECT_EQ(all.size(), kThreads * kAccounts);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kAccounts; ++i)
            EXPECT_EQ(all.value(QStringLiteral("account-%1-%2").arg(t).arg(i)),
                      QStringLiteral("secret-%1-%2").arg(t).arg(i));
    EXPECT_TRUE(corruptCopies().isEmpty());
}

}  // namespace
}  // namespace ovisu
