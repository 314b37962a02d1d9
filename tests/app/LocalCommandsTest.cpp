#include "app/InProcessCommand.h"
#include "app/LocalCommands.h"
#include "base/SettingsStore.h"
#include "local/LocalModelCatalogue.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "support/fake/FileServer.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <csignal>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using test::CommandRun;

CommandRun localCommand(const QStringList& arguments) {
    return test::runInProcess(runLocalCommand, QStringList{QStringLiteral("local")} + arguments);
}

// The external disk would win over OVISU_HOME on a machine that has it plugged in.
QString installRoot() { return LocalInstallLayout::resolve().root(); }

TEST(LocalCommandsTest, ModelsListsTheSevenEntriesWithTheirFiles) {
    const QString root = installRoot();
    const QString moved = test::currentHome() + "/elsewhere/qwen.gguf";
    ASSERT_TRUE(SettingsStore().setString("qwenModelPath", moved));
    writeBytes(moved, QByteArray(1000, 'q'));

    const CommandRun run = localCommand({"models"});
    ASSERT_EQ(run.status, 0) << qPrintable(run.err);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 8) << qPrintable(run.out);
    const QStringList titles = LocalModelCatalogue::entryTitles();
    for (int index = 0; index < LocalModelCatalogue::entryCount; ++index) {
        EXPECT_TRUE(lines[index + 1].startsWith(QString::number(index) + " ")) << qPrintable(lines[index + 1]);
        EXPECT_TRUE(lines[index + 1].contains(titles[index])) << qPrintable(lines[index + 1]);
    }
    EXPECT_TRUE(lines[1].contains("not downloaded") &&
                lines[1].contains(root + "/models/sakura-1.5b-qwen2.5-v1.0-fp16.gguf"))
        << qPrintable(lines[1]);
    EXPECT_TRUE(lines[2].contains("partial 1000 / 1834426016 bytes") && lines[2].contains(moved)) << qPrintable(lines[2]);
    for (int line : {4, 5}) EXPECT_TRUE(lines[line].endsWith(root + "/models/ollama")) << qPrintable(lines[line]);
    EXPECT_TRUE(lines[8].startsWith("llama-server: ")) << qPrintable(lines[8]);
}

TEST(LocalCommandsTest, DownloadFetchesIntoTheFolderAndFailsOnAShortFile) {
    fake::FileServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray bytes(64 * 1024, 's');
    server.serve("/SakuraLLM/Sakura-1.5B-Qwen2.5-v1.0-GGUF/resolve/main/sakura-1.5b-qwen2.5-v1.0-fp16.gguf", bytes);
    ASSERT_TRUE(SettingsStore().setString(LocalModelCatalogue::hubURLKey(), server.baseUrl() + "/"));

    const QString folder = test::currentHome() + "/download here";
    const CommandRun run = localCommand({"download", "0", "--dir", folder});
    // The catalogue expects the real model's size, so the host's small file is short of it.
    EXPECT_EQ(run.status, 1) << qPrintable(run.err);
    EXPECT_EQ(run.out, QString("文件大小不完整（65536 / 3560416256 字节），请再次点击继续下载。\n"));
    EXPECT_TRUE(run.err.startsWith("正在连接官方下载地址…\n")) << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains("文件大小不完整")) << "the result is said once, on standard output";
    const QString destination = folder + "/sakura-1.5b-qwen2.5-v1.0-fp16.gguf";
    EXPECT_EQ(readBytes(destination), bytes);

    // The folder is remembered: without --dir the next run continues the same file.
    const CommandRun again = localCommand({"download", "0"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(server.requests().constLast().range, QByteArray("bytes=65536-"));
    EXPECT_EQ(readBytes(destination), bytes) << "the host has no more bytes; nothing was lost or added";
}

bool somethingListensOn(int port) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, quint16(port));
    return probe.waitForConnected(300);
}

// An Ollama entry is pulled through the Ollama server, which the command starts from the runtime
// folder and stops again; the model lands in the folder given.
TEST(LocalCommandsTest, DownloadPullsAnOllamaModelThroughAServerItStartsAndStops) {
    if (somethingListensOn(11434)) GTEST_SKIP() << "an Ollama server of this machine listens on 11434";
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", "/usr/bin:/bin");
    const QString launchLog = test::currentHome() + "/launches.log";
    qputenv("FAKE_OLLAMA_LAUNCH_LOG", launchLog.toUtf8());
    test::installProgram(OVISU_FAKE_OLLAMA_BINARY, LocalInstallLayout::resolve().bundledOllama());

    const QString store = test::currentHome() + "/ollama models";
    const CommandRun run = localCommand({"download", "3", "--dir", store});
    qputenv("PATH", savedPath);
    qunsetenv("FAKE_OLLAMA_LAUNCH_LOG");
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, QString("qwen3:4b-instruct 下载完成，可在主页选择 Ollama 本地翻译。\n"));
    EXPECT_TRUE(run.err.contains("正在启动 Ollama…")) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains("pulling 0123456789ab... 100%")) << qPrintable(run.err);
    // A step that takes a while shows though no line break has ended its line yet.
    EXPECT_TRUE(run.err.contains("verifying sha256 digest")) << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains(QChar(0x1b))) << "terminal controls are not passed on";
    EXPECT_EQ(SettingsStore().stringValue("ollamaModelDirectory"), store);
    EXPECT_EQ(readBytes(launchLog).count("serve "), 1);
    EXPECT_FALSE(somethingListensOn(11434)) << "the server the command started is gone";
}

TEST(LocalCommandsTest, EntriesThatAreNotFilesAndBadArgumentsDownloadNothing) {
    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"download", "5"}, "LibreTranslate 自动安装组件正在准备"},
        {{"download", "6"}, "本系统没有内置翻译"},
        {{"download", "7"}, "'7' is not an entry's index (0 to 6"},
        {{"download", "sakura"}, "is not an entry's index"},
        {{"download"}, "usage: ovisu local download INDEX"},
        {{"models", "--dir", "x"}, "--dir applies to download only"},
        {{"start"}, "usage: ovisu local start PROVIDER"},
        {{"begin"}, "未知的 local 子命令 'begin'"},
        {{}, "the action must be models, download, start, stop or status"},
    };
    for (const Case& c : cases) {
        const CommandRun run = localCommand(c.arguments);
        EXPECT_EQ(run.status, 2) << qPrintable(c.arguments.join(' '));
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
    }
    const SettingsStore settings;
    EXPECT_FALSE(settings.contains("localModelDownloadDirectory"));
    EXPECT_FALSE(QFileInfo::exists(installRoot() + "/models"));
}

// stop only signals the llama-server that "ovisu local start" recorded: a pid file left behind
// names a process that may be anything by now.
TEST(LocalServiceCommandsTest, StopSignalsOnlyTheServerItsPidFileNames) {
    const LocalInstallLayout layout(installRoot());
    QDir().mkpath(QFileInfo(layout.bundledLlamaServer()).path());
    writeBytes(layout.bundledLlamaServer(), "#!/bin/sh\nexec sleep 30\n");
    QFile(layout.bundledLlamaServer())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcess unrelated;
    unrelated.start("sleep", {"30"});
    ASSERT_TRUE(unrelated.waitForStarted());
    writeBytes(layout.logsFolder() + "/llama-server.log.pid", QByteArray::number(unrelated.processId()) + "\n");
    const CommandRun refused = localCommand({"stop", "sakura"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("没有由 ovisu local start 启动的 Sakura 服务在运行")) << qPrintable(refused.err);
    EXPECT_EQ(unrelated.state(), QProcess::Running);
    unrelated.kill();
    unrelated.waitForFinished();

    EXPECT_EQ(localCommand({"status", "deepL"}).status, 2);
    const CommandRun status = localCommand({"status", "qwenLocal"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out, "Qwen3 模型尚未安装\n");
}

// "ovisu local start" in one terminal, "ovisu local stop" in another: a stop on request ends the
// first command well; a server that dies on its own does not.
TEST(LocalServiceCommandsTest, StartRunsTheServerUntilStoppedFromAnotherTerminal) {
    const LocalInstallLayout layout = LocalInstallLayout::resolve();
    test::installProgram(OVISU_FAKE_LLAMA_SERVER_BINARY, layout.bundledLlamaServer());
    test::installProgram(OVISU_FAKE_OLLAMA_BINARY, layout.bundledOllama());
    SettingsStore settings;
    const LocalModelCatalogue catalogue(settings, layout);
    const LocalModelSpec sakura = *catalogue.localModelSpec(Provider::sakura);
    test::makeSizedFile(sakura.modelPath, qint64(sakura.expectedBytes));

    struct Case {
        const char* provider;
        int port;
        QString pidFile;
        bool crash;
    };
    const Case cases[] = {{"sakura", 8080, layout.logsFolder() + "/" + sakura.logName + ".pid", false},
                          {"ollamaLocal", 11434, layout.logsFolder() + "/ollama.pid", false},
                          {"sakura", 8080, layout.logsFolder() + "/" + sakura.logName + ".pid", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.provider) + (c.crash ? " crashing" : ""));
        if (somethingListensOn(c.port)) GTEST_SKIP() << "port " << c.port << " is taken on this machine";
        QProcess start;
        // A failed check still ends the command by a signal, so it stops its server.
        const auto stopCommand = qScopeGuard([&] {
            start.terminate();
            start.waitForFinished(10000);
        });
        QByteArray said;
        start.start(OVISU_BINARY, {"local", "start", c.provider});
        ASSERT_TRUE(test::waitUntil(
            [&] {
                said += start.readAllStandardOutput();
                return said.contains("已就绪");
            },
            20000))
            << start.readAllStandardError().toStdString();
        ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(c.pidFile); }, 5000));
        const qint64 server = readBytes(c.pidFile).trimmed().toLongLong();
        ASSERT_GT(server, 0);
        const CommandRun status = localCommand({"status", c.provider});
        EXPECT_TRUE(status.out.contains("127.0.0.1:" + QString::number(c.port))) << qPrintable(status.out);

        if (c.crash) {
            ::kill(pid_t(server), SIGKILL);
        } else {
            const CommandRun stop = localCommand({"stop", c.provider});
            EXPECT_EQ(stop.status, 0) << qPrintable(stop.err);
            EXPECT_TRUE(stop.out.endsWith("服务已停止\n")) << qPrintable(stop.out);
        }
        ASSERT_TRUE(start.waitForFinished(15000));
        said += start.readAllStandardOutput();
        EXPECT_EQ(start.exitCode(), c.crash ? 1 : 0) << said.toStdString();
        EXPECT_TRUE(said.endsWith(c.crash ? "服务已结束\n" : "服务已停止\n")) << said.toStdString();
        EXPECT_FALSE(QFileInfo::exists(c.pidFile));
        EXPECT_FALSE(somethingListensOn(c.port));
    }
}

}  // namespace
}  // namespace ovisu
