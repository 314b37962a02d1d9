#include "app/CommandLine.h"
#include "app/DiagnosticsCommand.h"
#include "app/InProcessCommand.h"
#include "base/AppLogger.h"
#include "base/SecretMasking.h"
#include "engine/LocalCredentialStore.h"
#include "engine/Provider.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

test::CommandRun runDiagnostics(const QStringList& options) {
    return test::runInProcess(runDiagnosticsCommand, QStringList{u"diagnostics"_qs} + options);
}

TEST(DiagnosticsCommandTest, WritesTheWholePackageWithoutASessionAndKeysMasked) {
    const QString key = u"sk-command-line-9876543210"_qs;
    ASSERT_TRUE(LocalCredentialStore::save(key, ProviderCatalogue::credentialAccount(Provider::openAI)));
    AppLogger::shared().error(u"translation"_qs, u"OpenAI 回复：Incorrect API key provided: "_qs + key);

    const QString archive = test::currentHome() + u"/诊断包.zip"_qs;
    const test::CommandRun run = runDiagnostics({u"-o"_qs, archive});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QFileInfo(archive).absoluteFilePath() + u'\n');

    const QString into = test::currentHome() + u"/extracted"_qs;
    QProcess unzip;
    unzip.start(u"unzip"_qs, {u"-q"_qs, archive, u"-d"_qs, into});
    ASSERT_TRUE(unzip.waitForFinished(30'000));
    ASSERT_EQ(unzip.exitCode(), 0);
    const QStringList top = QDir(into).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(top.size(), 1);
    EXPECT_TRUE(top.constFirst().startsWith(u"TavoDiagnostic-"_qs));

    QByteArray everything;
    for (QDirIterator it(into, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) everything += test::readBytes(it.next());
    EXPECT_FALSE(everything.contains(key.toUtf8()));
    EXPECT_TRUE(everything.contains(maskedSecret(key).toUtf8()));

    // No desktop program: no target, no overlay, no session lines; the settings' values.
    const QDir folder(into + u'/' + top.constFirst());
    ASSERT_EQ(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);
    const QJsonObject state =
        QJsonDocument::fromJson(test::readBytes(folder.filePath(u"应用状态与性能.json"_qs))).object();
    EXPECT_EQ(state.value(u"targetWindow"_qs).toString(), QString());
    EXPECT_FALSE(state.value(u"targetWindowAvailable"_qs).toBool(true));
    EXPECT_FALSE(state.value(u"overlayVisible"_qs).toBool(true));
    EXPECT_EQ(state.value(u"stableHits"_qs).toInt(), 2);
    EXPECT_EQ(state.value(u"credentials"_qs).toObject().value(u"OpenAI（API）.apiKey"_qs).toString(), maskedSecret(key));
}

TEST(DiagnosticsCommandTest, SaysWhatIsWrongAndIsListedInTheHelp) {
    const test::CommandRun missing = runDiagnostics({});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(u"-o FILE.zip"_qs));

    test::writeBytes(test::currentHome() + u"/blocker"_qs, "file");
    const test::CommandRun unwritable = runDiagnostics({u"-o"_qs, test::currentHome() + u"/blocker/p.zip"_qs});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.startsWith(u"ovisu diagnostics: "_qs));
    EXPECT_TRUE(unwritable.out.isEmpty());

    const test::CommandRun help =
        test::runInProcess([](const QStringList& arguments, CommandStreams& streams) {
            return runCommandLine(arguments, streams).value_or(-1);
        }, {u"ovisu"_qs, u"--help"_qs});
    EXPECT_TRUE(help.out.contains(u"  diagnostics    Write the complete diagnostic package"_qs)) << help.out.toStdString();
}

}  // namespace
}  // namespace ovisu
