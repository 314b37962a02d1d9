#include "app/LocalServices.h"
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "support/TestFiles.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/fake/LoopbackPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// A local source about to translate asks for its llama-server the way the pipeline does: by the
// server's address. The fake server stands in for llama-server, on a free port.
class LocalServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = fake::freeLoopbackPort();
        local.llamaServers().setPortOverride(Provider::sakura, port);
        local.llamaServers().setPollInterval(std::chrono::milliseconds(100));
        test::installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), local.catalogue().layout().bundledLlamaServer());
    }
    void installModel() {
        const LocalModelSpec modelSpec = *local.catalogue().localModelSpec(Provider::sakura);
        test::makeSizedFile(modelSpec.modelPath, qint64(modelSpec.expectedBytes));
    }
    QUrl server() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)); }

    SettingsStore settings;
    HttpTransport transport;
    LocalServices local{settings, transport};
    int port = 0;
};

TEST_F(LocalServicesTest, TranslationsWaitForOneStartOfAnInstalledModelsServer) {
    installModel();
    EXPECT_FALSE(local.isReady(server()));
    QList<std::optional<QString>> answers;
    local.whenReady(server(), [&](std::optional<QString> error) { answers.append(error); });
    local.whenReady(server(), [&](std::optional<QString> error) { answers.append(error); });
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 2; }, 15000));
    EXPECT_EQ(answers, (QList<std::optional<QString>>{std::nullopt, std::nullopt}));
    EXPECT_TRUE(local.isReady(server()));
    const auto pid = local.llamaServers().processId(Provider::sakura);
    ASSERT_TRUE(pid);

    // The server ending makes the next translation start it again.
    local.llamaServers().stop(Provider::sakura);
    ASSERT_TRUE(test::waitUntil([&] { return !local.llamaServers().isRunning(Provider::sakura); }, 5000));
    EXPECT_FALSE(local.isReady(server()));
    local.whenReady(server(), [&](std::optional<QString> error) { answers.append(error); });
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 3; }, 15000));
    EXPECT_EQ(answers.last(), std::nullopt);
    EXPECT_NE(local.llamaServers().processId(Provider::sakura), pid);
}

TEST_F(LocalServicesTest, AMissingModelSaysWhereToInstallItAndSomeoneElsesServerIsUsedAsItIs) {
    std::optional<std::optional<QString>> answer;
    local.whenReady(server(), [&](std::optional<QString> error) { answer = error; });
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }, 5000));
    EXPECT_EQ(*answer, QStringLiteral("尚未安装 Sakura 模型或运行组件，请在“配置翻译源”中点击“安装并启动 Sakura”。"));
    EXPECT_FALSE(local.llamaServers().isRunning(Provider::sakura));

    // Someone else's server answering on the port is used as it is: nothing of ours is launched
    // (ours could not have the port anyway).
    installModel();
    QProcess outside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("FAKE_LLAMA_LOAD_MS", "0");
    outside.setProcessEnvironment(environment);
    outside.start(OVISU_FAKE_LLAMA_SERVER_BINARY,
                  LlamaServerService::serverArguments(Provider::sakura, *local.catalogue().localModelSpec(Provider::sakura), port));
    ASSERT_TRUE(outside.waitForStarted());
    ASSERT_TRUE(test::waitUntil([&] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(port));
        return probe.waitForConnected(100);
    }, 5000));
    answer.reset();
    local.whenReady(server(), [&](std::optional<QString> error) { answer = error; });
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }, 5000));
    EXPECT_EQ(*answer, std::nullopt);
    EXPECT_FALSE(local.llamaServers().isRunning(Provider::sakura)) << "nothing of ours was launched";
    EXPECT_TRUE(local.isReady(server()));
    outside.terminate();
    outside.waitForFinished();
}

}  // namespace
}  // namespace ovisu
