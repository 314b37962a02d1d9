#include "base/SettingsStore.h"
#include "local/LlamaServerService.h"
#include "LocalTestPrograms.h"
#include "support/TestFiles.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/fake/LoopbackPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <memory>

namespace ovisu {
namespace {

using namespace std::chrono_literals;

using test::processExists;

class LlamaServerServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No llama-server of the machine's may stand in for the bundled one.
        qputenv("PATH", (test::currentHome() + "/no-programs").toUtf8());
        qputenv("FAKE_LLAMA_LOAD_MS", "300");
        service = std::make_unique<LlamaServerService>(settings, catalogue);
        service->setPollInterval(20ms);
        for (Provider provider : {Provider::sakura, Provider::qwenLocal, Provider::hyMTLocal}) {
            ports[provider] = fake::freeLoopbackPort();
            service->setPortOverride(provider, ports[provider]);
        }
        QObject::connect(service.get(), &LlamaServerService::statusChanged,
                         [this](Provider provider, const QString& status) { statuses[provider].append(status); });
        QObject::connect(service.get(), &LlamaServerService::ready, [this](Provider provider) { readied.append(provider); });
    }
    void TearDown() override {
        service.reset();
        qputenv("PATH", savedPath);
        for (const char* name : {"FAKE_LLAMA_LOAD_MS", "FAKE_LLAMA_CRASH_MS", "FAKE_LLAMA_IGNORE_SIGTERM"}) qunsetenv(name);
    }

    void installRuntime() { test::installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), layout.bundledLlamaServer()); }
    LocalModelSpec modelSpec(Provider provider) const { return *catalogue.localModelSpec(provider); }
    void installModel(Provider provider, qint64 missingBytes = 0) {
        test::makeSizedFile(modelSpec(provider).modelPath, qint64(modelSpec(provider).expectedBytes) - missingBytes);
    }
    QString logOf(Provider provider) const { return test::fileText(layout.logsFolder() + "/" + modelSpec(provider).logName); }
    QString lastStatus(Provider provider) const { return statuses[provider].value(statuses[provider].size() - 1); }
    bool waitForReady(Provider provider) {
        return test::waitUntil([&] { return readied.contains(provider); }, 10000);
    }

    const QByteArray savedPath = qgetenv("PATH");
    SettingsStore settings;
    LocalInstallLayout layout{test::currentHome() + "/disk/Ovisu-Sakura"};
    LocalModelCatalogue catalogue{settings, layout};
    std::unique_ptr<LlamaServerService> service;
    std::map<Provider, int> ports;
    mutable std::map<Provider, QStringList> statuses;
    QList<Provider> readied;
};

TEST_F(LlamaServerServiceTest, SakuraLoadsWithItsCommandLineLogAndModelSetting) {
    installRuntime();
    installModel(Provider::sakura);
    const QString runtimeFolder = QFileInfo(layout.bundledLlamaServer()).path();
    const QByteArray savedLibraryPath = qgetenv("LD_LIBRARY_PATH");
    qputenv("LD_LIBRARY_PATH", "/opt/example-libs");
    const int port = ports[Provider::sakura];
    const QString address = "127.0.0.1:" + QString::number(port);

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(service->start(Provider::sakura));
    qputenv("LD_LIBRARY_PATH", savedLibraryPath);
    EXPECT_EQ(lastStatus(Provider::sakura), "正在加载 Sakura 模型，请稍候…");
    EXPECT_TRUE(service->isRunning(Provider::sakura));
    EXPECT_EQ(service->serviceRow(Provider::sakura),
              (LocalServiceRow{"Sakura 正在运行 · " + address, "停止本地 Sakura", true, true}));
    EXPECT_EQ(settings.stringValue("model.9"), "Sakura-1.5B-Qwen2.5-v1.0");

    ASSERT_TRUE(waitForReady(Provider::sakura)) << qPrintable(statuses[Provider::sakura].join(" | "));
    EXPECT_GE(clock.elapsed(), 250) << "the loading server's 503 answers are not readiness";
    EXPECT_EQ(lastStatus(Provider::sakura), "Sakura 已就绪 · " + address);

    // The fake logs what it was launched with, on both of its output channels.
    const QString log = logOf(Provider::sakura);
    EXPECT_TRUE(log.contains("main: arguments: --model " + modelSpec(Provider::sakura).modelPath +
                             " --alias Sakura-1.5B-Qwen2.5-v1.0 --host 127.0.0.1 --port " + QString::number(port) +
                             " --ctx-size 2048 --parallel 1 --threads 6 --n-gpu-layers 99\n"))
        << qPrintable(log);
    EXPECT_TRUE(log.contains("main: working folder: " + runtimeFolder + "\n")) << qPrintable(log);
    EXPECT_TRUE(log.contains("main: LD_LIBRARY_PATH=" + runtimeFolder + ":/opt/example-libs\n")) << qPrintable(log);
    EXPECT_TRUE(log.contains("server is listening on http://" + address)) << "stderr goes to the log too";

    // A new launch starts a fresh log.
    const qint64 first = *service->processId(Provider::sakura);
    service->stop(Provider::sakura);
    EXPECT_EQ(lastStatus(Provider::sakura), "Sakura 已安装 · 当前未启动");
    ASSERT_TRUE(test::waitUntil([&] { return !processExists(first); }));
    readied.clear();
    ASSERT_TRUE(service->start(Provider::sakura));
    ASSERT_TRUE(waitForReady(Provider::sakura));
    EXPECT_EQ(logOf(Provider::sakura).count("main: arguments:"), 1);
}

TEST_F(LlamaServerServiceTest, QwenGetsTheChatTemplateSwitchAndStopsARunningSakuraFirst) {
    installRuntime();
    installModel(Provider::sakura);
    installModel(Provider::qwenLocal);
    int hookCalls = 0;
    service->setStopOtherLocalServers([&] { ++hookCalls; });

    ASSERT_TRUE(service->start(Provider::sakura));
    ASSERT_TRUE(waitForReady(Provider::sakura));
    const qint64 sakuraPid = *service->processId(Provider::sakura);

    ASSERT_TRUE(service->start(Provider::qwenLocal));
    EXPECT_EQ(hookCalls, 2);
    EXPECT_FALSE(service->isRunning(Provider::sakura));
    EXPECT_TRUE(statuses[Provider::sakura].contains("Sakura 已安装 · 当前未启动"));
    EXPECT_TRUE(test::waitUntil([&] { return !processExists(sakuraPid); })) << "Sakura's server is still running";
    ASSERT_TRUE(waitForReady(Provider::qwenLocal)) << qPrintable(logOf(Provider::qwenLocal));
    EXPECT_EQ(settings.stringValue("model.10"), "Qwen3-1.7B-Q8_0");
    EXPECT_TRUE(logOf(Provider::qwenLocal).contains("--n-gpu-layers 99 --jinja\n")) << qPrintable(logOf(Provider::qwenLocal));
    EXPECT_TRUE(logOf(Provider::sakura).contains("--n-gpu-layers 99\n")) << "Qwen3's launch keeps Sakura's log";

    // Starting what runs already neither restarts it nor stops it.
    const qint64 qwenPid = *service->processId(Provider::qwenLocal);
    ASSERT_TRUE(service->start(Provider::qwenLocal));
    EXPECT_EQ(service->processId(Provider::qwenLocal), qwenPid);
}

TEST_F(LlamaServerServiceTest, AServerThatDiesIsForgottenAndItsRowGoesBackToInstalled) {
    installRuntime();
    installModel(Provider::hyMTLocal);
    qputenv("FAKE_LLAMA_LOAD_MS", "600000");
    qputenv("FAKE_LLAMA_CRASH_MS", "300");

    ASSERT_TRUE(service->start(Provider::hyMTLocal));
    ASSERT_TRUE(test::waitUntil([&] { return !service->isRunning(Provider::hyMTLocal); }));
    EXPECT_EQ(lastStatus(Provider::hyMTLocal), "Hy-MT2 已安装 · 当前未启动");
    EXPECT_EQ(service->serviceRow(Provider::hyMTLocal),
              (LocalServiceRow{"Hy-MT2 已安装 · 当前未启动", "启动本地 Hy-MT2", true, true}));
    EXPECT_TRUE(logOf(Provider::hyMTLocal).contains("GGML_ASSERT"));
    test::spin(100);
    EXPECT_TRUE(readied.isEmpty());
    EXPECT_EQ(lastStatus(Provider::hyMTLocal), "Hy-MT2 已安装 · 当前未启动") << "no poll outlives the process";
}

TEST_F(LlamaServerServiceTest, AServerThatNeverBecomesHealthyTimesOutAfterNinetyPolls) {
    installRuntime();
    installModel(Provider::sakura);
    qputenv("FAKE_LLAMA_LOAD_MS", "600000");
    service->setPollInterval(1ms);
    QStringList timeouts;  // what ends the wait of translations behind the server
    QObject::connect(service.get(), &LlamaServerService::loadTimedOut,
                     [&](Provider, const QString& message) { timeouts << message; });

    ASSERT_TRUE(service->start(Provider::sakura));
    ASSERT_TRUE(test::waitUntil([&] { return statuses[Provider::sakura].size() == 2; }, 20000));
    EXPECT_EQ(lastStatus(Provider::sakura), "模型加载超时，请查看 logs 文件夹中的日志");
    EXPECT_EQ(timeouts, QStringList{lastStatus(Provider::sakura)});
    EXPECT_TRUE(readied.isEmpty());
}

TEST_F(LlamaServerServiceTest, AnOutsideServerOnThePortIsShownAndOurOwnLaunchThereEnds) {
    installRuntime();
    installModel(Provider::sakura);
    const int port = ports[Provider::sakura];
    const auto probe = [&] {
        std::optional<LocalServiceRow> row;
        service->probeExternalServer(Provider::sakura, [&](LocalServiceRow found) { row = found; });
        EXPECT_FALSE(row) << "the answer never comes inside the call";
        EXPECT_TRUE(test::waitUntil([&] { return row.has_value(); }));
        return row.value_or(LocalServiceRow{});
    };
    const LocalServiceRow installed{"Sakura 已安装 · 当前未启动", "启动本地 Sakura", true, true};
    EXPECT_EQ(probe(), installed) << "nothing serves the port";

    QProcess outside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("FAKE_LLAMA_LOAD_MS", "0");
    outside.setProcessEnvironment(environment);
    outside.start(OVISU_FAKE_LLAMA_SERVER_BINARY, LlamaServerService::serverArguments(Provider::sakura, modelSpec(Provider::sakura), port));
    ASSERT_TRUE(outside.waitForStarted());
    const LocalServiceRow external{"Sakura 服务已在运行 · 127.0.0.1:" + QString::number(port), "服务由外部进程运行", false, true};
    ASSERT_TRUE(test::waitUntil([&] { return probe() == external; }));

    // Our own server is not launched onto a taken port: the outside one would answer its
    // readiness probe.
    const auto refused = service->start(Provider::sakura);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().startsWith("端口 " + QString::number(port) + " 已被其他程序占用")) << qPrintable(refused.error());
    EXPECT_FALSE(service->isRunning(Provider::sakura));

    outside.terminate();
    ASSERT_TRUE(outside.waitForFinished());
    EXPECT_EQ(probe(), installed);
}

TEST_F(LlamaServerServiceTest, RowsFollowTheRuntimeAndTheModelFile) {
    if (!test::systemHasLlamaServer()) {
        EXPECT_EQ(service->serviceRow(Provider::sakura),
                  (LocalServiceRow{"尚未安装运行组件和 Sakura 模型", "安装并启动 Sakura", true, true}));
        const auto refused = service->start(Provider::hyMTLocal);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), "尚未安装运行组件和 Hy-MT2 模型");
        EXPECT_EQ(lastStatus(Provider::hyMTLocal), refused.error());
    }
    EXPECT_FALSE(service->serviceRow(Provider::openAI).visible);
    EXPECT_FALSE(service->start(Provider::openAI));

    installRuntime();
    EXPECT_EQ(service->serviceRow(Provider::sakura), (LocalServiceRow{"Sakura 模型尚未安装", "下载并启动 Sakura", true, true}));
    test::makeSizedFile(modelSpec(Provider::sakura).modelPath, 2000000000);
    EXPECT_EQ(service->serviceRow(Provider::sakura),
              (LocalServiceRow{"模型已下载 56.2%，可断点续传", "继续下载并启动 Sakura", true, true}));
    installModel(Provider::sakura, 1);
    EXPECT_EQ(service->serviceRow(Provider::sakura).status, "模型已下载 99.9%，可断点续传") << "never 100 % while short";
    installModel(Provider::qwenLocal, -1);
    EXPECT_EQ(service->serviceRow(Provider::qwenLocal).status, "Qwen3 已安装 · 当前未启动") << "a larger file counts";

    // A server of the system's runs when there is no bundled one, and the row says which.
    QFile::remove(layout.bundledLlamaServer());
    const QString systemCopy = test::currentHome() + "/programs/llama-server";
    test::installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), systemCopy);
    qputenv("PATH", QFileInfo(systemCopy).path().toUtf8());
    const QString note = " · 使用系统的 llama-server（" + systemCopy + "）";
    EXPECT_EQ(service->serviceRow(Provider::qwenLocal).status, "Qwen3 已安装 · 当前未启动" + note);
    ASSERT_TRUE(service->start(Provider::qwenLocal));
    ASSERT_TRUE(waitForReady(Provider::qwenLocal)) << qPrintable(logOf(Provider::qwenLocal));
    EXPECT_EQ(service->serviceRow(Provider::qwenLocal),
              (LocalServiceRow{"Qwen3 正在运行 · 127.0.0.1:" + QString::number(ports[Provider::qwenLocal]) + note,
                               "停止本地 Qwen3", true, true}));
    EXPECT_TRUE(logOf(Provider::qwenLocal).contains("main: working folder: " + QFileInfo(systemCopy).path() + "\n"));
}

TEST_F(LlamaServerServiceTest, ALaunchThatCannotHappenSaysWhyAndLeavesNothingRunning) {
    installModel(Provider::sakura);
    // An executable that is no program: the system refuses to run it.
    test::makeSizedFile(layout.bundledLlamaServer(), 64);
    QFile(layout.bundledLlamaServer()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const auto refused = service->start(Provider::sakura);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().startsWith("启动失败：")) << qPrintable(refused.error());
    EXPECT_GT(refused.error().size(), QString("启动失败：").size()) << "with the system's reason";
    EXPECT_EQ(lastStatus(Provider::sakura), refused.error());
    EXPECT_FALSE(service->isRunning(Provider::sakura));

    // A log that cannot be written: nothing is launched without one.
    installRuntime();
    ASSERT_TRUE(QDir(layout.logsFolder()).removeRecursively());
    test::makeSizedFile(layout.logsFolder(), 0);
    const auto noLog = service->start(Provider::sakura);
    ASSERT_FALSE(noLog);
    EXPECT_EQ(noLog.error(), "无法创建 Sakura 日志文件");
    EXPECT_FALSE(service->isRunning(Provider::sakura));
    EXPECT_FALSE(settings.contains("model.9"));
}

TEST_F(LlamaServerServiceTest, StopOnlyAsksButTheServiceLeavesNoServerBehind) {
    installRuntime();
    installModel(Provider::sakura);
    installModel(Provider::qwenLocal);
    qputenv("FAKE_LLAMA_IGNORE_SIGTERM", "1");

    ASSERT_TRUE(service->start(Provider::sakura));
    ASSERT_TRUE(waitForReady(Provider::sakura));
    const qint64 stubborn = *service->processId(Provider::sakura);
    service->stop(Provider::sakura);
    EXPECT_FALSE(service->isRunning(Provider::sakura));
    test::spin(300);
    EXPECT_TRUE(processExists(stubborn)) << "stop sends SIGTERM only";

    qunsetenv("FAKE_LLAMA_IGNORE_SIGTERM");
    ASSERT_TRUE(service->start(Provider::qwenLocal));
    const qint64 running = *service->processId(Provider::qwenLocal);
    ASSERT_TRUE(processExists(running));

    service.reset();
    EXPECT_FALSE(processExists(running));
    EXPECT_FALSE(processExists(stubborn)) << "a server ignoring SIGTERM is killed at the end";
}

}  // namespace
}  // namespace ovisu
