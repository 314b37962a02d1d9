#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/OllamaVersionProbe.h"
#include "local/LlamaServerService.h"
#include "local/LocalModelDownloads.h"
#include "local/OllamaRuntime.h"
#include "LocalTestPrograms.h"
#include "support/TestFiles.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/fake/FileServer.h"
#include "support/fake/LoopbackPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace ovisu {
namespace {

using namespace std::chrono_literals;

using test::fileText;
using test::processExists;

bool listening(int port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(200);
}

// A .tgz of `files` (relative path → source file to copy), packed by tar as the release is.
QByteArray packArchive(const QString& staging, const QMap<QString, QString>& files) {
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        test::installProgram(file.value(), staging + "/tree/" + file.key());
        if (::testing::Test::HasFatalFailure()) return {};
    }
    return test::tarGz(staging + "/tree", ".");
}

// What an install ended with, as `install` below returns it: none while it has not ended.
std::optional<std::optional<QString>> ended(std::optional<QString> error) {
    return std::optional<std::optional<QString>>(std::in_place, std::move(error));
}

using Answers = QList<std::optional<QString>>;
const Answers ready{std::nullopt};

// Each callback's answers, in the order the callbacks ran.
struct Waiters {
    QStringList order;
    QMap<QString, Answers> answers;

    LocalServerStartup::Callback callback(const QString& name) {
        return [this, name](std::optional<QString> error) {
            order.append(name);
            answers[name].append(error);
        };
    }
};

class OllamaRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No ollama of the machine's may stand in for the one under the test's root; tar still
        // needs gzip to pack and unpack the archives.
        const QString programs = test::currentHome() + "/programs";
        QDir().mkpath(programs);
        if (const auto gzip = LocalInstallLayout::systemExecutable("gzip"))
            QFile::link(*gzip, programs + "/gzip");
        qputenv("PATH", programs.toUtf8());
        qputenv("FAKE_OLLAMA_LAUNCH_LOG", launchLog.toUtf8());
        port = fake::freeLoopbackPort();
        ASSERT_NE(port, 0);
        server = QUrl("http://127.0.0.1:" + QString::number(port));
        llamaServers = std::make_unique<LlamaServerService>(settings, catalogue);
        llamaServers->setPollInterval(20ms);
        runtime = std::make_unique<OllamaRuntime>(transport, catalogue, downloads, *llamaServers, server);
        runtime->setProbeInterval(20ms);
        QObject::connect(runtime.get(), &OllamaRuntime::statusChanged,
                         [this](const QString& status) { statuses.append(status); });
    }
    void TearDown() override {
        runtime.reset();
        llamaServers.reset();
        qputenv("PATH", savedPath);
        for (const char* name : {"FAKE_OLLAMA_LAUNCH_LOG", "FAKE_OLLAMA_LOAD_MS", "FAKE_OLLAMA_STOP_MS", "FAKE_LLAMA_LOAD_MS"}) qunsetenv(name);
    }

    void installFakeOllama() { test::installProgram(OVISU_FAKE_OLLAMA_BINARY, layout.bundledOllama()); }
    int launches() const { return int(fileText(launchLog).count("serve ")); }
    bool waitFor(const Waiters& waiters, qsizetype count, int milliseconds = 10000) {
        return test::waitUntil([&] { return waiters.order.size() >= count; }, milliseconds);
    }
    // One more waiter for `at`, waited for: what it was answered (none: the server is ready).
    std::optional<QString> answerTo(Waiters& waiters, const QString& name, const QUrl& at) {
        const qsizetype before = waiters.order.size();
        runtime->whenReady(at, waiters.callback(name));
        if (!waitFor(waiters, before + 1)) return QString("(no answer)");
        return waiters.answers[name].constLast();
    }

    const QByteArray savedPath = qgetenv("PATH");
    const QString launchLog = test::currentHome() + "/launches.log";
    SettingsStore settings;
    LocalInstallLayout layout{test::currentHome() + "/disk/Ovisu-Sakura"};
    LocalModelCatalogue catalogue{settings, layout};
    HttpTransport transport;
    LocalModelDownloads downloads{settings};
    std::unique_ptr<LlamaServerService> llamaServers;
    std::unique_ptr<OllamaRuntime> runtime;
    int port = 0;
    QUrl server;
    QStringList statuses;
};

TEST_F(OllamaRuntimeTest, WaitersWhileTheServerIsDownShareOneLaunchAndAreAnsweredInOrder) {
    installFakeOllama();
    // Still starting up at the first probes: the start-up keeps asking.
    qputenv("FAKE_OLLAMA_LOAD_MS", "300");
    Waiters waiters;
    runtime->whenReady(server, waiters.callback("first"));
    runtime->whenReady(QUrl(server.toString() + "/api/chat"), waiters.callback("second"));
    EXPECT_TRUE(waiters.order.isEmpty()) << "nobody is answered inside the call";

    ASSERT_TRUE(waitFor(waiters, 2)) << qPrintable(fileText(layout.logsFolder() + "/ollama.log"));
    EXPECT_EQ(waiters.order, QStringList({"first", "second"}));
    EXPECT_EQ(waiters.answers["first"] + waiters.answers["second"], ready + ready);
    EXPECT_EQ(launches(), 1);
    EXPECT_TRUE(runtime->isReady(server));
    EXPECT_TRUE(runtime->isReady(QUrl("http://localhost:" + QString::number(port) + "/api/chat")))
        << "localhost is the same server";
    // The fake refuses to serve without a model store and listens where the server URL says.
    EXPECT_TRUE(QFileInfo(catalogue.ollamaModelDirectory()).isDir());
    EXPECT_TRUE(fileText(layout.logsFolder() + "/ollama.log").contains("Listening on 127.0.0.1:" + QString::number(port)));

    // Ready already: answered once, later, without another launch.
    runtime->whenReady(server, waiters.callback("third"));
    EXPECT_EQ(waiters.order.size(), 2);
    ASSERT_TRUE(waitFor(waiters, 3));
    test::spin(100);
    EXPECT_EQ(waiters.order, QStringList({"first", "second", "third"}));
    EXPECT_EQ(waiters.answers["third"], ready);
    EXPECT_EQ(launches(), 1);

    // stop() ends our server; the destructor would too.
    const qint64 pid = *runtime->processId();
    runtime->stop();
    EXPECT_FALSE(runtime->isReady(server));
    EXPECT_FALSE(runtime->isProcessRunning());
    EXPECT_TRUE(test::waitUntil([&] { return !processExists(pid); }));

    ASSERT_EQ(answerTo(waiters, "fourth", server), std::nullopt);
    const qint64 second = *runtime->processId();
    runtime.reset();
    EXPECT_FALSE(processExists(second)) << "the destructor leaves no serve process behind";
}

// The pull is a client of the server: started before serve listens, it would fail.
TEST_F(OllamaRuntimeTest, APullWaitsUntilTheServerItStartsAnswers) {
    installFakeOllama();
    qputenv("FAKE_OLLAMA_LOAD_MS", "300");
    QStringList failures;
    std::optional<LocalModelDownloadCompletion> completion;
    QObject::connect(&downloads, &LocalModelDownloads::finished,
                     [&](const LocalModelDownloadCompletion& ended) { completion = ended; });
    runtime->pullModel("qwen3:4b-instruct", [&](const QString& error) { failures << error; });
    ASSERT_TRUE(test::waitUntil([&] { return completion.has_value() || !failures.isEmpty(); }, 15000));
    EXPECT_TRUE(failures.isEmpty()) << qPrintable(failures.join(" | "));
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->succeeded()) << qPrintable(completion->message()) << qPrintable(downloads.status());
    EXPECT_EQ(launches(), 1);
    EXPECT_TRUE(runtime->isProcessRunning()) << "serve keeps running for the translations that follow";
}

TEST_F(OllamaRuntimeTest, OtherServersAreOnlyAskedAndOneAlreadyListeningIsUsedAndNeverStoppedByUs) {
    installFakeOllama();
    const QUrl elsewhere("http://127.0.0.1:" + QString::number(fake::freeLoopbackPort()));
    Waiters waiters;
    EXPECT_EQ(answerTo(waiters, "elsewhere", elsewhere), OllamaVersionProbe::notRunningMessage());
    EXPECT_FALSE(runtime->isReady(elsewhere));

    QProcess outside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("FAKE_OLLAMA_LAUNCH_LOG");
    environment.insert("OLLAMA_HOST", "127.0.0.1:" + QString::number(port));
    environment.insert("OLLAMA_MODELS", test::currentHome() + "/outside-models");
    outside.setProcessEnvironment(environment);
    outside.start(OVISU_FAKE_OLLAMA_BINARY, {"serve"});
    ASSERT_TRUE(outside.waitForStarted());
    ASSERT_TRUE(test::waitUntil([&] { return listening(port); }));

    EXPECT_EQ(answerTo(waiters, "first", server), std::nullopt);
    EXPECT_TRUE(runtime->isReady(server));
    EXPECT_EQ(launches(), 0);
    EXPECT_FALSE(runtime->isProcessRunning());
    EXPECT_FALSE(QFileInfo::exists(layout.logsFolder() + "/ollama.log"));

    runtime->stop();
    runtime.reset();
    test::spin(200);
    EXPECT_EQ(outside.state(), QProcess::Running);
    EXPECT_TRUE(listening(port));
    outside.terminate();
    outside.waitForFinished();
}

TEST_F(OllamaRuntimeTest, AServerThatNeverAnswersFailsEveryWaiterAfterThirtyOneProbes) {
    installFakeOllama();
    qputenv("FAKE_OLLAMA_LOAD_MS", "600000");
    Waiters waiters;
    QElapsedTimer clock;
    clock.start();
    runtime->whenReady(server, waiters.callback("first"));
    runtime->whenReady(server, waiters.callback("second"));
    ASSERT_TRUE(waitFor(waiters, 2, 30000));
    EXPECT_GE(clock.elapsed(), (OllamaRuntime::maximumProbes - 1) * 20) << "it gave up before its last probe";
    EXPECT_EQ(waiters.order, QStringList({"first", "second"}));
    EXPECT_EQ(waiters.answers["first"] + waiters.answers["second"],
              Answers(2, OllamaRuntime::noAnswerMessage()));
    EXPECT_EQ(launches(), 1);
    EXPECT_FALSE(runtime->isReady(server));

    // Our server still starting is not launched twice: the next waiter asks it again.
    runtime->whenReady(server, waiters.callback("third"));
    ASSERT_TRUE(waitFor(waiters, 3, 30000));
    EXPECT_EQ(launches(), 1);
}

TEST_F(OllamaRuntimeTest, WhatCannotStartSaysWhyAndLaunchesNothing) {
    Waiters waiters;
    EXPECT_EQ(answerTo(waiters, "missing", server), QString("未找到 Ollama。请在“本地模型管理”中点击“后台安装 Ollama”。"));

    installFakeOllama();
    const QString blocked = test::currentHome() + "/a-file/models";
    test::makeSizedFile(test::currentHome() + "/a-file", 0);
    ASSERT_TRUE(settings.setString("ollamaModelDirectory", blocked));
    const auto store = runtime->startOllamaProcessIfNeeded();
    EXPECT_EQ(store, "无法访问 Ollama 模型目录：" + blocked);
    ASSERT_TRUE(settings.setString("ollamaModelDirectory", ""));

    // An executable that is no program: the system refuses to run it.
    test::makeSizedFile(layout.bundledOllama(), 64);
    QFile(layout.bundledOllama()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString broken = answerTo(waiters, "broken", server).value_or(QString());
    EXPECT_TRUE(broken.startsWith("Ollama 启动失败：")) << qPrintable(broken);
    EXPECT_GT(broken.size(), QString("Ollama 启动失败：").size()) << "with the system's reason";
    EXPECT_FALSE(runtime->isProcessRunning());
    EXPECT_EQ(launches(), 0);
}

TEST_F(OllamaRuntimeTest, AServeThatEndsIsNotReadyAndTheNextWaiterStartsAnother) {
    installFakeOllama();
    Waiters waiters;
    ASSERT_EQ(answerTo(waiters, "first", server), std::nullopt);
    ASSERT_TRUE(runtime->isReady(server));
    const qint64 first = *runtime->processId();

    ::kill(pid_t(first), SIGKILL);
    ASSERT_TRUE(test::waitUntil([&] { return !runtime->isReady(server); }));
    EXPECT_FALSE(runtime->isProcessRunning());

    // This one answers a while after SIGTERM, as a server finishing its requests.
    qputenv("FAKE_OLLAMA_STOP_MS", "300");
    EXPECT_EQ(answerTo(waiters, "second", server), std::nullopt);
    EXPECT_EQ(launches(), 2);
    const qint64 second = *runtime->processId();
    EXPECT_NE(second, first);

    // A server stopped just now is not taken for the next one: the new start-up waits for it to
    // go, launches its own, and the old one's end leaves the new one alone.
    runtime->stop();
    EXPECT_EQ(answerTo(waiters, "third", server), std::nullopt);
    EXPECT_FALSE(processExists(second));
    test::spin(200);
    EXPECT_EQ(launches(), 3);
    EXPECT_TRUE(runtime->isProcessRunning());
    EXPECT_TRUE(runtime->isReady(server));
}

TEST_F(OllamaRuntimeTest, OllamaAndTheLlamaServersStopEachOther) {
    installFakeOllama();
    test::installProgram(OVISU_FAKE_LLAMA_SERVER_BINARY, layout.bundledLlamaServer());
    const LocalModelSpec sakura = *catalogue.localModelSpec(Provider::sakura);
    test::makeSizedFile(sakura.modelPath, qint64(sakura.expectedBytes));
    llamaServers->setPortOverride(Provider::sakura, fake::freeLoopbackPort());
    qputenv("FAKE_LLAMA_LOAD_MS", "0");

    const auto started = llamaServers->start(Provider::sakura);
    ASSERT_TRUE(started) << qPrintable(started.error());
    const qint64 llamaPid = *llamaServers->processId(Provider::sakura);
    Waiters waiters;
    EXPECT_EQ(answerTo(waiters, "ollama", server), std::nullopt);
    EXPECT_FALSE(llamaServers->isRunning(Provider::sakura));
    EXPECT_TRUE(test::waitUntil([&] { return !processExists(llamaPid); })) << "the llama-server still runs";

    const qint64 ollamaPid = *runtime->processId();
    ASSERT_TRUE(llamaServers->start(Provider::sakura));
    const qint64 secondLlamaPid = *llamaServers->processId(Provider::sakura);
    EXPECT_FALSE(runtime->isProcessRunning());
    EXPECT_FALSE(runtime->isReady(server));
    EXPECT_TRUE(test::waitUntil([&] { return !processExists(ollamaPid); })) << "ollama serve still runs";

    // A start-up under way when a llama-server starts ends at once instead of waiting out its probes.
    qputenv("FAKE_OLLAMA_LOAD_MS", "600000");
    runtime->whenReady(server, waiters.callback("interrupted"));
    ASSERT_TRUE(test::waitUntil([&] { return runtime->isProcessRunning(); }));
    EXPECT_FALSE(llamaServers->isRunning(Provider::sakura));
    // Its port must be free again before the next llama-server may take it.
    ASSERT_TRUE(test::waitUntil([&] { return !processExists(secondLlamaPid); }));
    const auto restarted = llamaServers->start(Provider::sakura);
    ASSERT_TRUE(restarted) << qPrintable(restarted.error());
    ASSERT_EQ(waiters.order.size(), 2);
    EXPECT_EQ(waiters.answers["interrupted"], Answers{OllamaRuntime::stoppedMessage()});
    EXPECT_FALSE(runtime->isProcessRunning());
}

class OllamaInstallTest : public OllamaRuntimeTest {
protected:
    void SetUp() override {
        OllamaRuntimeTest::SetUp();
        ASSERT_TRUE(files.isListening());
        ASSERT_TRUE(settings.setString(OllamaRuntime::runtimeURLKey(), files.url(archivePath).toString()));
    }
    // Runs an install to its end; the error it ended with.
    std::optional<std::optional<QString>> install(bool force) {
        std::optional<std::optional<QString>> result;
        int calls = 0;
        EXPECT_TRUE(runtime->installOllamaRuntimeIfNeeded(force, [&](std::optional<QString> error) {
            ++calls;
            result = error;
        }));
        test::waitUntil([&] { return result.has_value(); }, 20000);
        test::spin(50);
        EXPECT_LE(calls, 1);
        return result;
    }

    QByteArray release() {
        const QByteArray packed = packArchive(test::currentHome() + "/release", {{"bin/ollama", OVISU_FAKE_OLLAMA_BINARY}});
        EXPECT_FALSE(packed.isEmpty());
        return packed;
    }

    const QString archivePath = "/download/ollama-linux-amd64.tgz";
    const QString archiveOnDisk = layout.runtimeFolder() + "/ollama-linux-amd64.tgz";
    fake::FileServer files;
};

TEST_F(OllamaInstallTest, TheReleaseArchiveIsFetchedAndUnpackedUnderTheRuntimeFolder) {
    files.serve(archivePath, release());
    ASSERT_FALSE(layout.ollamaExecutable());

    EXPECT_EQ(install(true), ended(std::nullopt));
    EXPECT_EQ(layout.ollamaExecutable(), layout.bundledOllama());
    EXPECT_FALSE(QFileInfo::exists(archiveOnDisk)) << "the unpacked archive is not kept";
    ASSERT_GE(statuses.size(), 2);
    EXPECT_EQ(statuses.first(), "正在后台下载 Ollama…");
    EXPECT_GT(statuses.indexOf("正在安装 Ollama…"), 0);
    ASSERT_EQ(files.requests().size(), 1);
    EXPECT_EQ(files.requests().first().path, archivePath);

    // The installed program is the one serve runs.
    Waiters waiters;
    EXPECT_EQ(answerTo(waiters, "installed", server), std::nullopt);
    EXPECT_EQ(launches(), 1);

    // Installed already: done at once, nothing fetched.
    std::optional<std::optional<QString>> again;
    EXPECT_TRUE(runtime->installOllamaRuntimeIfNeeded(false, [&](std::optional<QString> error) { again = error; }));
    EXPECT_EQ(again, ended(std::nullopt));
    EXPECT_EQ(files.requests().size(), 1);
}

TEST_F(OllamaInstallTest, AnInterruptedDownloadIsContinuedOnTheRetry) {
    ASSERT_GT(release().size(), 4096);
    files.serve(archivePath, release());
    files.cutNextResponseAfter(4096);

    EXPECT_EQ(install(false), ended(OllamaRuntime::downloadFailedMessage()));
    EXPECT_EQ(statuses.last(), OllamaRuntime::downloadFailedMessage());
    EXPECT_EQ(QFileInfo(archiveOnDisk).size(), 4096) << "the partial archive stays for the retry";
    EXPECT_FALSE(layout.ollamaExecutable());

    EXPECT_EQ(install(false), ended(std::nullopt));
    ASSERT_EQ(files.requests().size(), 2);
    EXPECT_EQ(files.requests().last().range, "bytes=4096-");
    EXPECT_EQ(layout.ollamaExecutable(), layout.bundledOllama());
}

TEST_F(OllamaInstallTest, AMissingOrBrokenArchiveSaysSoAndInstallsNothing) {
    files.answerStatus(archivePath, 404);
    EXPECT_EQ(install(true), ended(OllamaRuntime::downloadFailedMessage()));
    EXPECT_FALSE(layout.ollamaExecutable());

    // An archive without bin/ollama is no Ollama release.
    const QByteArray other = packArchive(test::currentHome() + "/other", {{"lib/ollama/runner", OVISU_FAKE_OLLAMA_BINARY}});
    ASSERT_FALSE(other.isEmpty());
    files.serve(archivePath, other);
    QFile::remove(archiveOnDisk);
    EXPECT_EQ(install(true), ended(OllamaRuntime::installFailedMessage()));
    EXPECT_EQ(statuses.last(), OllamaRuntime::installFailedMessage());
    EXPECT_FALSE(layout.ollamaExecutable());
    EXPECT_FALSE(QFileInfo::exists(archiveOnDisk)) << "a broken archive is not resumed into a longer broken one";

    // Bytes that are no archive at all.
    files.serve(archivePath, QByteArray(2048, 'x'));
    EXPECT_EQ(install(true), ended(OllamaRuntime::installFailedMessage()));
    EXPECT_FALSE(layout.ollamaExecutable());
}

TEST_F(OllamaInstallTest, ABusySlotRefusesWithoutAnswering) {
    const auto sleep = LocalInstallLayout::systemExecutable("sleep");
    ASSERT_TRUE(sleep);
    ASSERT_EQ(downloads.runInstallerProcess(*sleep, {"30"}, {}, {}), LocalModelDownloads::Start::started);

    bool answered = false;
    EXPECT_FALSE(runtime->installOllamaRuntimeIfNeeded(true, [&](std::optional<QString>) { answered = true; }));
    test::spin(100);
    EXPECT_FALSE(answered);
    EXPECT_EQ(statuses, QStringList{"已有后台下载任务正在进行。"});
    EXPECT_TRUE(files.requests().isEmpty());
}

}  // namespace
}  // namespace ovisu
