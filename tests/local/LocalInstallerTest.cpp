#include "base/SettingsStore.h"
#include "local/LlamaServerService.h"
#include "local/LocalInstaller.h"
#include "local/LocalModelDownloads.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/fake/LoopbackPort.h"
#include "LocalTestPrograms.h"
#include "support/TestFiles.h"
#include "support/fake/FileServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <memory>

namespace ovisu {
namespace {

using namespace std::chrono_literals;

using test::systemHasLlamaServer;

qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }

void installFakeServer(const QString& path) { test::installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), path); }

// A release archive as the installer expects it: one top folder named after the release with the
// server (when `withServer`) and a shared library beside it.
QByteArray releaseArchive(const QString& staging, bool withServer) {
    const QString top = "llama-" + LocalInstallLayout::llamaRelease();
    QDir(staging).removeRecursively();
    test::writeBytes(staging + "/" + top + "/libggml.so", "not a library, only a file beside the server");
    if (withServer) installFakeServer(staging + "/" + top + "/llama-server");
    return test::tarGz(staging, top);
}

class LocalInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        // Only the programs the installer runs are on PATH (tar -z needs gzip), so no llama-server
        // of the machine's stands in for the one being installed.
        const QString programs = test::currentHome() + "/programs";
        QDir().mkpath(programs);
        for (const char* program : {"curl", "tar", "gzip"}) {
            const auto found = LocalInstallLayout::systemExecutable(program);
            ASSERT_TRUE(found) << program << " is needed by these tests";
            ASSERT_TRUE(QFile::link(*found, programs + "/" + program));
        }
        qputenv("PATH", programs.toUtf8());
        qputenv("FAKE_LLAMA_LOAD_MS", "100");

        ASSERT_TRUE(settings.setString(LocalModelCatalogue::hubURLKey(), server.baseUrl()));
        service = std::make_unique<LlamaServerService>(settings, catalogue);
        service->setPollInterval(20ms);
        for (Provider provider : {Provider::sakura, Provider::qwenLocal, Provider::hyMTLocal})
            service->setPortOverride(provider, fake::freeLoopbackPort());
        installer = std::make_unique<LocalInstaller>(settings, catalogue, downloads, *service);

        QObject::connect(installer.get(), &LocalInstaller::statusChanged,
                         [this](Provider provider, const QString& status) { statuses[provider].append(status); });
        QObject::connect(service.get(), &LlamaServerService::ready,
                         [this](Provider provider) { readied.append(provider); });
    }
    void TearDown() override {
        installer.reset();
        service.reset();
        qputenv("PATH", savedPath);
        qunsetenv("FAKE_LLAMA_LOAD_MS");
    }

    LocalModelSpec modelSpec(Provider provider) const { return *catalogue.localModelSpec(provider); }
    QString modelURLPath(Provider provider) const {
        return catalogue.directModels().at(LocalModelCatalogue::entryIndex(provider)).sourceURL.path();
    }
    QString lastStatus(Provider provider) const { return statuses[provider].value(statuses[provider].size() - 1); }
    QString statusTrail(Provider provider) const { return statuses[provider].join(" | "); }
    bool waitForReady(Provider provider) {
        return test::waitUntil([&] { return readied.contains(provider); }, 15000);
    }
    bool waitForInstallEnd() {
        return test::waitUntil([&] { return !installer->installingProvider().has_value(); }, 15000);
    }
    QList<fake::FileServer::Request> requestsFor(const QString& path) const {
        QList<fake::FileServer::Request> matching;
        for (const auto& request : server.requests())
            if (request.path == path) matching.append(request);
        return matching;
    }
    void serveArchive(const QString& path, bool withServer) {
        server.serve(path, releaseArchive(test::currentHome() + "/staging", withServer));
        ASSERT_TRUE(settings.setString(LocalInstaller::runtimeURLKey(), server.url(path).toString()));
    }

    const QByteArray savedPath = qgetenv("PATH");
    fake::FileServer server;
    SettingsStore settings;
    LocalInstallLayout layout{test::currentHome() + "/disk/Ovisu-Sakura"};
    LocalModelCatalogue catalogue{settings, layout};
    LocalModelDownloads downloads{settings};
    std::unique_ptr<LlamaServerService> service;
    std::unique_ptr<LocalInstaller> installer;
    mutable std::map<Provider, QStringList> statuses;
    QList<Provider> readied;
};

TEST_F(LocalInstallerTest, FromNothingTheReleaseIsUnpackedTheModelCompletedAndTheServerReady) {
    if (systemHasLlamaServer()) GTEST_SKIP() << "a system llama-server makes the release download unnecessary";
    serveArchive("/releases/llama-b10408-bin-ubuntu-x64.tar.gz", true);
    const LocalModelSpec sakura = modelSpec(Provider::sakura);
    // A multi-gigabyte model already fetched but for its last byte: only that byte may travel.
    test::makeSizedFile(sakura.modelPath, qint64(sakura.expectedBytes) - 1);
    server.serveZeros(modelURLPath(Provider::sakura), sakura.expectedBytes);

    ASSERT_TRUE(installer->installAndStartLocalProvider(Provider::sakura));
    EXPECT_EQ(installer->installingProvider(), Provider::sakura);
    const LocalServiceRow installing = installer->serviceRow(Provider::sakura);
    EXPECT_EQ(installing.buttonTitle, "后台安装中…");
    EXPECT_FALSE(installing.buttonEnabled);
    EXPECT_EQ(installing.status, "正在后台下载本地运行组件…");
    // Neither this source nor another starts a second install, and nothing else runs in the slot.
    EXPECT_FALSE(installer->installAndStartLocalProvider(Provider::sakura));
    EXPECT_FALSE(installer->installAndStartLocalProvider(Provider::qwenLocal));
    EXPECT_EQ(downloads.runInstallerProcess("/bin/sh", {"-c", "exit 0"}, {}, {}),
              LocalModelDownloads::Start::alreadyRunning);

    ASSERT_TRUE(waitForReady(Provider::sakura)) << qPrintable(statusTrail(Provider::sakura));
    EXPECT_FALSE(installer->installingProvider());
    EXPECT_TRUE(installer->retryTitle(Provider::sakura).isEmpty());
    EXPECT_TRUE(statuses[Provider::qwenLocal].isEmpty()) << "the refused press said nothing";

    const QStringList steps{"后台安装中…", "正在后台下载本地运行组件…", "正在安装本地运行组件…", "正在后台下载 Sakura 模型…"};
    QStringList said;
    for (const QString& status : statuses[Provider::sakura])
        if (steps.contains(status)) said.append(status);
    EXPECT_EQ(said, steps) << qPrintable(statusTrail(Provider::sakura));

    EXPECT_TRUE(LocalInstallLayout::isExecutableFile(layout.bundledLlamaServer()));
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(layout.bundledLlamaServer()).path() + "/libggml.so"));
    EXPECT_TRUE(QFileInfo::exists(layout.runtimeFolder() + "/llama-b10408-bin-ubuntu-x64.tar.gz"))
        << "the archive is kept";
    EXPECT_EQ(sizeOf(sakura.modelPath), qint64(sakura.expectedBytes));

    const auto modelRequests = requestsFor(modelURLPath(Provider::sakura));
    ASSERT_EQ(modelRequests.size(), 1);
    EXPECT_EQ(modelRequests[0].range, "bytes=" + QByteArray::number(qint64(sakura.expectedBytes) - 1) + "-");
    EXPECT_EQ(modelRequests[0].status, 206);
    EXPECT_EQ(installer->serviceRow(Provider::sakura), service->serviceRow(Provider::sakura));
    EXPECT_TRUE(service->isRunning(Provider::sakura));
}

TEST_F(LocalInstallerTest, ARuntimeThatCannotBeFetchedOrUnpackedSaysWhyAndOffersARetry) {
    if (systemHasLlamaServer()) GTEST_SKIP() << "a system llama-server makes the release download unnecessary";
    const LocalModelSpec sakura = modelSpec(Provider::sakura);
    test::makeSizedFile(sakura.modelPath, qint64(sakura.expectedBytes) - 1);
    server.serveZeros(modelURLPath(Provider::sakura), sakura.expectedBytes);
    const auto pressAndWait = [&] {
        statuses.clear();
        EXPECT_TRUE(installer->installAndStartLocalProvider(Provider::sakura));
        EXPECT_TRUE(waitForInstallEnd()) << qPrintable(statusTrail(Provider::sakura));
    };
    const QString installFailed = "运行组件安装失败，请再次点击启动重试。";
    const LocalServiceRow retryRow{installFailed, "重试安装并启动 Sakura", true, true};

    // A host that does not resolve: curl's own exit code reaches the user.
    ASSERT_TRUE(settings.setString(LocalInstaller::runtimeURLKey(), "http://no-such-host.invalid/x.tar.gz"));
    pressAndWait();
    const QString unreachable = "运行组件下载失败（退出码 6），请检查网络后再次点击启动。";
    EXPECT_EQ(lastStatus(Provider::sakura), unreachable);
    EXPECT_EQ(installer->retryTitle(Provider::sakura), "重试安装并启动 Sakura");
    EXPECT_EQ(installer->serviceRow(Provider::sakura), (LocalServiceRow{unreachable, "重试安装并启动 Sakura", true, true}));

    // An archive that unpacks without the server.
    serveArchive("/releases/no-server.tar.gz", false);
    pressAndWait();
    EXPECT_EQ(lastStatus(Provider::sakura), installFailed);
    EXPECT_EQ(installer->serviceRow(Provider::sakura), retryRow);
    EXPECT_TRUE(QFileInfo::exists(layout.runtimeFolder() + "/no-server.tar.gz")) << "a readable archive is kept";

    // An archive tar cannot read is fetched anew next time rather than resumed forever.
    server.serve("/releases/damaged.tar.gz", "this is not gzip data");
    ASSERT_TRUE(settings.setString(LocalInstaller::runtimeURLKey(), server.url("/releases/damaged.tar.gz").toString()));
    pressAndWait();
    EXPECT_EQ(lastStatus(Provider::sakura), installFailed);
    EXPECT_FALSE(QFileInfo::exists(layout.runtimeFolder() + "/damaged.tar.gz"));

    EXPECT_FALSE(service->isRunning(Provider::sakura));
    EXPECT_TRUE(requestsFor(modelURLPath(Provider::sakura)).isEmpty()) << "no model download without a runtime";
    EXPECT_EQ(sizeOf(sakura.modelPath), qint64(sakura.expectedBytes) - 1);

    // The retry with a good archive goes all the way, and the failure is forgotten.
    serveArchive("/releases/good.tar.gz", true);
    statuses.clear();
    ASSERT_TRUE(installer->installAndStartLocalProvider(Provider::sakura));
    EXPECT_TRUE(installer->retryTitle(Provider::sakura).isEmpty()) << "a new press clears the old failure";
    ASSERT_TRUE(waitForReady(Provider::sakura)) << qPrintable(statusTrail(Provider::sakura));
    EXPECT_EQ(installer->serviceRow(Provider::sakura), service->serviceRow(Provider::sakura));
}

TEST_F(LocalInstallerTest, AModelDownloadThatFailsKeepsItsBytesAndTheNextPressFetchesOnlyTheRest) {
    installFakeServer(layout.bundledLlamaServer());
    ASSERT_TRUE(settings.setString(LocalInstaller::runtimeURLKey(), "http://no-such-host.invalid/x.tar.gz"));
    const LocalModelSpec qwen = modelSpec(Provider::qwenLocal);
    const qint64 missing = 1000;
    test::makeSizedFile(qwen.modelPath, qint64(qwen.expectedBytes) - missing);
    const QString path = modelURLPath(Provider::qwenLocal);
    const QByteArray firstRange = "bytes=" + QByteArray::number(qint64(qwen.expectedBytes) - missing) + "-";

    // The host cuts the answer off part way: what arrived stays.
    server.serveZeros(path, qwen.expectedBytes);
    server.cutNextResponseAfter(400);
    ASSERT_TRUE(installer->installAndStartLocalProvider(Provider::qwenLocal));
    ASSERT_TRUE(waitForInstallEnd());
    const QString unfinished = "Qwen3 下载未完成，可再次点击启动继续下载。";
    EXPECT_EQ(lastStatus(Provider::qwenLocal), unfinished);
    EXPECT_EQ(installer->serviceRow(Provider::qwenLocal), (LocalServiceRow{unfinished, "重试安装并启动 Qwen3", true, true}));
    EXPECT_EQ(sizeOf(qwen.modelPath), qint64(qwen.expectedBytes) - missing + 400);
    EXPECT_FALSE(service->isRunning(Provider::qwenLocal));

    // How each kind of failed download keeps its part is LocalModelDownloadsTest's; here that the
    // installer keeps it too and resumes from it.
    server.serveZeros(path, qwen.expectedBytes);
    ASSERT_TRUE(installer->installAndStartLocalProvider(Provider::qwenLocal));
    ASSERT_TRUE(waitForReady(Provider::qwenLocal)) << qPrintable(statusTrail(Provider::qwenLocal));
    EXPECT_EQ(sizeOf(qwen.modelPath), qint64(qwen.expectedBytes));

    const auto requests = requestsFor(path);
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].range, firstRange);
    EXPECT_EQ(requests[1].range, "bytes=" + QByteArray::number(qint64(qwen.expectedBytes) - missing + 400) + "-");
    EXPECT_FALSE(statuses[Provider::qwenLocal].contains("正在后台下载本地运行组件…")) << "the runtime was there already";
}

TEST_F(LocalInstallerTest, NothingIsDoneForOtherSourcesOrBesideAManagerDownload) {
    EXPECT_FALSE(installer->installAndStartLocalProvider(Provider::openAI));
    EXPECT_FALSE(installer->installingProvider());
    std::optional<std::optional<QString>> answer;
    installer->installLocalModelIfNeeded(Provider::ollamaLocal, [&](std::optional<QString> error) { answer = error; });
    ASSERT_TRUE(answer.has_value()) << "answered inside the call";
    EXPECT_EQ(*answer, QString("不支持的本地翻译模型。"));

    // A complete model needs nothing, and says so at once.
    const LocalModelSpec hy = modelSpec(Provider::hyMTLocal);
    test::makeSizedFile(hy.modelPath, qint64(hy.expectedBytes));
    answer.reset();
    installer->installLocalModelIfNeeded(Provider::hyMTLocal, [&](std::optional<QString> error) { answer = error; });
    ASSERT_TRUE(answer.has_value()) << "answered inside the call";
    EXPECT_EQ(*answer, std::nullopt);

    // While the manager's slot is busy a press is refused; a step asked for directly says why.
    std::optional<int> managerExit;
    ASSERT_EQ(downloads.runInstallerProcess("/bin/sh", {"-c", "sleep 0.3"}, {}, [&](int code) { managerExit = code; }),
              LocalModelDownloads::Start::started);
    EXPECT_FALSE(installer->installAndStartLocalProvider(Provider::hyMTLocal));
    EXPECT_FALSE(installer->installingProvider());
    test::makeSizedFile(hy.modelPath, qint64(hy.expectedBytes) - 1);
    answer.reset();
    installer->installLocalModelIfNeeded(Provider::hyMTLocal, [&](std::optional<QString> error) { answer = error; });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QString("另一个下载正在进行，请等它结束后再次点击启动。"));
    ASSERT_TRUE(test::waitUntil([&] { return managerExit.has_value(); }));
    EXPECT_TRUE(requestsFor(modelURLPath(Provider::hyMTLocal)).isEmpty());
    EXPECT_TRUE(statuses[Provider::hyMTLocal].isEmpty()) << qPrintable(statusTrail(Provider::hyMTLocal));
}

}  // namespace
}  // namespace ovisu
