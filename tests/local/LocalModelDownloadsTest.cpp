#include "base/SettingsStore.h"
#include "local/LocalModelDownloads.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "support/fake/FileServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <csignal>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

using Completion = LocalModelDownloadCompletion;

}  // namespace

// A completion shows as the text the manager would say for it.
void PrintTo(const LocalModelDownloadCompletion& completion, std::ostream* stream) {
    *stream << completion.message().toStdString();
}

namespace {

TEST(LocalModelDownloadProgressTest, TheLastNonEmptyPieceOfAChunkIsTheProgress) {
    EXPECT_EQ(lastProgressPiece("a\r 10.0%\r 13.0%"), QString(" 13.0%"));
    EXPECT_EQ(lastProgressPiece("###  20.0%\r\n\r"), QString("###  20.0%"));
    EXPECT_EQ(lastProgressPiece("\r\n\n\r"), std::nullopt);
    EXPECT_EQ(lastProgressPiece(""), std::nullopt);

    EXPECT_EQ(lastTrimmedProgressPiece("pulling manifest\npulling 5ee4  40% \r   \r\n"), QString("pulling 5ee4  40%"));
    EXPECT_EQ(lastTrimmedProgressPiece("  \r \n"), std::nullopt);
}

// A read can end anywhere: in the middle of curl's percentage, of its error line or of one of
// Ollama's escape sequences. Only what ends at a line break is shown; the rest waits for the
// next read, so no status shows half a percentage ("· 100", then "· .0%").
TEST(LocalModelDownloadProgressTest, AReadEndingMidLineWaitsForTheRestOfIt) {
    QString unfinished;
    QStringList shown;
    for (const QString& read : {u"\r###  10.0%\r### 100"_qs, u".0%\r\ncurl: (18)"_qs, u" transfer closed\n"_qs,
                                u"\x1b[1Gpulling 40%\x1b["_qs, u"K\x1b[1Gpulling 41%"_qs}) {
        const ProgressOutputCut cut = cutAtLastLineBreak(unfinished + read);
        unfinished = cut.rest;
        if (const auto piece = lastTrimmedProgressPiece(cut.complete)) shown << *piece;
    }
    EXPECT_EQ(shown, QStringList({"###  10.0%", "### 100.0%", "curl: (18) transfer closed", "pulling 40%"}));
    EXPECT_EQ(unfinished, QString("pulling 41%"));
    EXPECT_EQ(cutAtLastLineBreak("no break yet").rest, QString("no break yet"));
}

TEST(LocalModelDownloadProgressTest, OnlyACleanExitWithTheExactSizeIsComplete) {
    struct Case {
        int exitCode;
        std::uint64_t size;
        Completion expected;
        QString message;
    };
    const Case cases[] = {
        {0, 4000, {Completion::Complete{"Tiny"}}, "Tiny 下载完成并通过文件大小校验。"},
        {0, 3999, {Completion::Incomplete{3999, 4000}}, "文件大小不完整（3999 / 4000 字节），请再次点击继续下载。"},
        {0, 4001, {Completion::Incomplete{4001, 4000}}, "文件大小不完整（4001 / 4000 字节），请再次点击继续下载。"},
        // The size does not matter once curl failed: it may have stopped exactly at the end.
        {18, 4000, {Completion::Interrupted{18}}, "下载中断（退出码 18），再次点击可断点续传。"},
        {22, 0, {Completion::Interrupted{22}}, "下载中断（退出码 22），再次点击可断点续传。"},
    };
    for (const Case& c : cases) {
        const Completion completion = directDownloadCompletion("Tiny", c.exitCode, c.size, 4000);
        EXPECT_EQ(completion, c.expected) << qPrintable(c.message);
        EXPECT_EQ(completion.message(), c.message);
        EXPECT_EQ(completion.succeeded(), std::holds_alternative<Completion::Complete>(c.expected.outcome));
    }
    EXPECT_EQ((Completion{Completion::Pulled{"qwen3:4b-instruct", 0}}).message(),
              QString("qwen3:4b-instruct 下载完成，可在主页选择 Ollama 本地翻译。"));
    EXPECT_TRUE((Completion{Completion::Pulled{"m", 0}}).succeeded());
    EXPECT_EQ((Completion{Completion::Pulled{"m", 1}}).message(), QString("下载失败（退出码 1），请检查网络或 Ollama 服务。"));
    EXPECT_FALSE((Completion{Completion::Pulled{"m", 1}}).succeeded());
}

QByteArray modelBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : bytes) byte = char(generator.bounded(256));
    return bytes;
}

class LocalModelDownloadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        QObject::connect(&downloads, &LocalModelDownloads::statusChanged,
                         [this](const QString& status) { statuses.append(status); });
        QObject::connect(&downloads, &LocalModelDownloads::finished,
                         [this](const Completion& completion) { completions.append(completion); });
    }

    DirectLocalModelDownload model(const QString& path, std::uint64_t expectedBytes) const {
        return {0, "Tiny", server.url(path), "tiny.gguf", expectedBytes, "sakuraModelPath"};
    }

    // Starts a download and waits for its end.
    std::optional<Completion> download(const DirectLocalModelDownload& what) {
        const qsizetype before = completions.size();
        EXPECT_EQ(downloads.startDirectDownload(what, folder), LocalModelDownloads::Start::started)
            << qPrintable(downloads.status());
        if (!test::waitUntil([&] { return completions.size() > before; }, 20000)) return std::nullopt;
        EXPECT_FALSE(downloads.isRunning());
        return completions.constLast();
    }

    QString writeScript(const QString& name, const QByteArray& body) {
        const QString path = test::currentHome() + "/" + name;
        writeBytes(path, "#!/bin/sh\n" + body);
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    fake::FileServer server;
    SettingsStore settings{test::currentHome() + "/settings.json"};
    LocalModelDownloads downloads{settings};
    QStringList statuses;
    QList<Completion> completions;
    const QString folder = test::currentHome() + "/models";
    const QUrl ollamaServer{"http://127.0.0.1:54321"};
    const QString destination = folder + "/tiny.gguf";
};

TEST_F(LocalModelDownloadsTest, AnInterruptedDownloadKeepsItsPartAndResumesToTheExactSize) {
    const QByteArray bytes = modelBytes(600 * 1024);
    server.serve("/tiny.gguf", bytes);
    server.cutNextResponseAfter(200 * 1024);

    ASSERT_EQ(downloads.startDirectDownload(model("/tiny.gguf", bytes.size()), folder),
              LocalModelDownloads::Start::started);
    // Stored before anything arrives, so a part is found again even if the program ends now.
    EXPECT_EQ(SettingsStore(settings.filePath()).stringValue("sakuraModelPath"), destination);
    EXPECT_EQ(downloads.status(), QString("正在连接官方下载地址…"));
    ASSERT_TRUE(test::waitUntil([&] { return !completions.isEmpty(); }, 20000));
    const Completion interrupted = completions.constFirst();
    ASSERT_TRUE(std::holds_alternative<Completion::Interrupted>(interrupted.outcome)) << qPrintable(interrupted.message());
    EXPECT_NE(std::get<Completion::Interrupted>(interrupted.outcome).exitCode, 0);
    EXPECT_TRUE(interrupted.message().startsWith("下载中断（退出码 ")) << qPrintable(interrupted.message());
    EXPECT_EQ(downloads.status(), interrupted.message());
    const QByteArray part = readBytes(destination);
    ASSERT_EQ(part.size(), 200 * 1024) << "the part stays for the resume";
    EXPECT_EQ(part, bytes.left(part.size()));

    const auto resumed = download(model("/tiny.gguf", bytes.size()));
    ASSERT_TRUE(resumed);
    EXPECT_EQ(*resumed, (Completion{Completion::Complete{"Tiny"}}));
    EXPECT_EQ(readBytes(destination), bytes);
    const QList<fake::FileServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].range, QByteArray());
    EXPECT_EQ(requests[1].range, "bytes=" + QByteArray::number(200 * 1024) + "-");
    EXPECT_EQ(requests[1].status, 206);
    // curl's bar of hashes is as wide as a terminal; the status line keeps only its percentage.
    EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [](const QString& status) {
        static const QRegularExpression percentage("^正在下载 Tiny · \\d+(\\.\\d)?%$");
        return percentage.match(status).hasMatch();
    })) << qPrintable(statuses.join(" | "));
    for (const QString& status : statuses) EXPECT_FALSE(status.contains("##")) << qPrintable(status);

    // Asked again, a complete file is reported complete without a request (a server refuses a
    // range past the end, which curl would report as an HTTP error).
    EXPECT_EQ(download(model("/tiny.gguf", bytes.size())), (Completion{Completion::Complete{"Tiny"}}));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(LocalModelDownloadsTest, AnHTTPErrorLeavesThePartAsItWas) {
    const QByteArray part = modelBytes(1000);
    writeBytes(destination, part);
    for (int status : {404, 500}) {
        server.answerStatus("/gone.gguf", status);
        const auto completion = download(model("/gone.gguf", 4000));
        ASSERT_TRUE(completion);
        EXPECT_EQ(*completion, (Completion{Completion::Interrupted{22}})) << status;
        EXPECT_EQ(readBytes(destination), part) << status;
    }
    EXPECT_EQ(server.requests().constLast().range, QByteArray("bytes=1000-"));
}

TEST_F(LocalModelDownloadsTest, AFileOfAnotherSizeIsIncompleteAndKept) {
    server.serve("/big.gguf", modelBytes(5000));
    auto completion = download(model("/big.gguf", 4000));
    ASSERT_TRUE(completion);
    EXPECT_EQ(*completion, (Completion{Completion::Incomplete{5000, 4000}}));
    EXPECT_EQ(QFileInfo(destination).size(), 5000);
    EXPECT_EQ(download(model("/big.gguf", 4000)), completion) << "no request can mend a file too large";
    EXPECT_EQ(server.requests().size(), 1);

    QFile::remove(destination);
    server.serve("/small.gguf", modelBytes(3000));
    completion = download(model("/small.gguf", 4000));
    ASSERT_TRUE(completion);
    EXPECT_EQ(*completion, (Completion{Completion::Incomplete{3000, 4000}}));
    EXPECT_EQ(QFileInfo(destination).size(), 3000);
}

TEST_F(LocalModelDownloadsTest, ARedirectToAMirrorIsFollowed) {
    const QByteArray bytes = modelBytes(4000);
    server.serve("/mirror/tiny.gguf", bytes);
    server.redirect("/resolve/main/tiny.gguf", "/mirror/tiny.gguf");
    const auto completion = download(model("/resolve/main/tiny.gguf", 4000));
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->succeeded()) << qPrintable(completion->message());
    EXPECT_EQ(readBytes(destination), bytes);
}

TEST_F(LocalModelDownloadsTest, AFolderThatCannotBeMadeIsReportedAndNothingRuns) {
    writeBytes(test::currentHome() + "/occupied", "a file, not a folder");
    const auto start = downloads.startDirectDownload(model("/tiny.gguf", 4000), test::currentHome() + "/occupied/models");
    EXPECT_EQ(start, LocalModelDownloads::Start::failed);
    EXPECT_TRUE(downloads.status().startsWith("启动下载失败：")) << qPrintable(downloads.status());
    EXPECT_FALSE(downloads.isRunning());
    EXPECT_FALSE(SettingsStore(settings.filePath()).contains("sakuraModelPath"));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(LocalModelDownloadsTest, OnePullAtATimeAndItEndsWithItsOwner) {
    const QString pidFile = test::currentHome() + "/ollama.pid";
    const QString ollama = writeScript("ollama", "echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 30\n");
    auto owner = std::make_unique<LocalModelDownloads>(settings);
    ASSERT_EQ(owner->startOllamaPull(ollama, "qwen3:4b-instruct", folder, ollamaServer), LocalModelDownloads::Start::started);
    EXPECT_TRUE(owner->isRunning());
    EXPECT_EQ(owner->status(), QString("正在下载 qwen3:4b-instruct…"));

    EXPECT_EQ(owner->startDirectDownload(model("/tiny.gguf", 4000), folder), LocalModelDownloads::Start::alreadyRunning);
    EXPECT_EQ(owner->startOllamaPull(ollama, "translategemma:4b", folder, ollamaServer), LocalModelDownloads::Start::alreadyRunning);
    EXPECT_FALSE(SettingsStore(settings.filePath()).contains("sakuraModelPath")) << "the refused start did nothing";
    EXPECT_EQ(owner->status(), QString("正在下载 qwen3:4b-instruct…"));

    ASSERT_TRUE(test::pollUntil([&] { return !readBytes(pidFile).trimmed().isEmpty(); }, 5000));
    const pid_t child = pid_t(readBytes(pidFile).trimmed().toInt());
    ASSERT_GT(child, 0);
    owner.reset();
    // Reaped, not merely signalled: no process of that id is left.
    EXPECT_NE(::kill(child, 0), 0);
}

// An installer's steps share the slot but word their own status: the slot only hands on the
// progress and the exit status.
TEST_F(LocalModelDownloadsTest, AnInstallerStepSharesTheSlotAndReportsOnlyToItsCaller) {
    QStringList pieces;
    std::optional<int> exitCode;
    const auto run = [&](const QString& program, const QStringList& arguments) {
        return downloads.runInstallerProcess(
            program, arguments, [&](const QString& piece) { pieces << piece; }, [&](int code) { exitCode = code; });
    };
    ASSERT_EQ(run("sh", {"-c", "printf 'unpacking\\r 40%%\\r 90%%'; sleep 0.2; exit 3"}),
              LocalModelDownloads::Start::started);
    EXPECT_EQ(downloads.startDirectDownload(model("/tiny.gguf", 4000), folder), LocalModelDownloads::Start::alreadyRunning);
    ASSERT_TRUE(test::waitUntil([&] { return exitCode.has_value(); }, 5000));
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(pieces.constLast(), QString(" 90%"));
    EXPECT_TRUE(statuses.isEmpty()) << qPrintable(statuses.join(" | "));
    EXPECT_TRUE(completions.isEmpty());
    EXPECT_FALSE(downloads.isRunning());

    exitCode.reset();
    EXPECT_EQ(run(test::currentHome() + "/no-such-program", {}), LocalModelDownloads::Start::failed);
    EXPECT_EQ(exitCode, -1) << "told at once";
}

TEST_F(LocalModelDownloadsTest, AnOllamaPullReportsItsProgressAndItsEnd) {
    const QString store = test::currentHome() + "/ollama store";
    const QString argumentsFile = test::currentHome() + "/arguments";
    // The store and the server reach the pull only through the environment; without them it fails.
    // Ollama redraws its progress with cursor moves and line clears, not carriage returns.
    const QByteArray script = "[ \"$OLLAMA_MODELS\" = '" + store.toUtf8() + "' ] || exit 3\n"
                              "[ \"$OLLAMA_HOST\" = 127.0.0.1:54321 ] || exit 4\n"
                              "echo \"$@\" > '" + argumentsFile.toUtf8() + "'\n"
                              "printf 'pulling manifest\\r\\npulling 5ee4f07cdb9b  40%% \\rpulling 5ee4f07cdb9b 100%%  \\r\\n'\n"
                              "sleep 0.1\n"
                              "printf '\\033[?25l\\033[1Gverifying digest \\033[K\\033[A\\033[1Gwriting manifest \\033[K\\033[?25h'\n"
                              "exit ${EXIT_CODE:-0}\n";
    const QString ollama = writeScript("ollama", script);

    auto completion = std::optional<Completion>();
    ASSERT_EQ(downloads.startOllamaPull(ollama, "qwen3:4b-instruct", store, ollamaServer), LocalModelDownloads::Start::started);
    ASSERT_TRUE(test::waitUntil([&] { return !completions.isEmpty(); }, 10000));
    EXPECT_EQ(completions.constLast(), (Completion{Completion::Pulled{"qwen3:4b-instruct", 0}}));
    EXPECT_EQ(downloads.status(), completions.constLast().message());
    EXPECT_EQ(readBytes(argumentsFile), QByteArray("pull qwen3:4b-instruct\n"));
    EXPECT_TRUE(statuses.contains("pulling 5ee4f07cdb9b 100%")) << qPrintable(statuses.join(" | "));
    EXPECT_TRUE(statuses.contains("writing manifest")) << qPrintable(statuses.join(" | "));
    for (const QString& status : statuses) EXPECT_FALSE(status.contains(QChar(0x1b))) << qPrintable(status);

    qputenv("EXIT_CODE", "1");
    const auto started = downloads.startOllamaPull(ollama, "translategemma:4b", store, ollamaServer);
    qunsetenv("EXIT_CODE");
    ASSERT_EQ(started, LocalModelDownloads::Start::started);
    ASSERT_TRUE(test::waitUntil([&] { return completions.size() == 2; }, 10000));
    EXPECT_EQ(completions.constLast(), (Completion{Completion::Pulled{"translategemma:4b", 1}}));

    EXPECT_EQ(downloads.startOllamaPull(test::currentHome() + "/missing/ollama", "m", store, ollamaServer),
              LocalModelDownloads::Start::failed);
    EXPECT_TRUE(downloads.status().startsWith("启动下载失败：")) << qPrintable(downloads.status());
    EXPECT_FALSE(downloads.isRunning());
    EXPECT_EQ(completions.size(), 2);
}

}  // namespace
}  // namespace ovisu
