// The source configuration window runs a local model's server: started from its row, answering
// the connection test, stopped again, with nothing left behind.

#include "app/DesktopComponents.h"
#include "app/ui/AppDelegate.h"
#include "base/SettingsStore.h"
#include "desktop/DesktopTestSupport.h"
#include "desktop/TopLevelWindows.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "support/TestFiles.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/LoopbackPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <csignal>

using namespace ovisu;
using namespace ovisu::test;

TEST_F(DesktopFixture, TheSourceWindowStartsALocalModelsServerTestsItAndStopsIt) {
    DesktopComponents parts;
    const LocalInstallLayout& layout = parts.local.catalogue().layout();
    installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), layout.bundledLlamaServer());
    const LocalModelSpec modelSpec = *parts.local.catalogue().localModelSpec(Provider::sakura);
    makeSizedFile(modelSpec.modelPath, qint64(modelSpec.expectedBytes));
    // A free port instead of 8080, and the source's endpoint on it.
    const int port = fake::freeLoopbackPort();
    parts.local.llamaServers().setPortOverride(Provider::sakura, port);
    ASSERT_TRUE(parts.settings.setString("endpoint.9", QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(port)));

    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    delegate.openProviderSettings();
    ProviderSettingsWindow* window = topLevel<ProviderSettingsWindow>();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->providerSettingsProvider(), Provider::sakura);
    EXPECT_EQ(window->localServiceStatus()->text(), "Sakura 已安装 · 当前未启动");
    EXPECT_EQ(window->startLocalModelButton()->text(), "启动本地 Sakura");

    window->startLocalModelButton()->click();
    const QString ready = QStringLiteral("Sakura 已就绪 · 127.0.0.1:%1").arg(port);
    ASSERT_TRUE(waitUntil([&] { return window->localServiceStatus()->text() == ready; }, 15000))
        << window->localServiceStatus()->text().toStdString();
    EXPECT_EQ(window->startLocalModelButton()->text(), "停止本地 Sakura");
    EXPECT_EQ(window->modelField()->text(), modelSpec.alias) << "the model the server announces";
    const qint64 pid = parts.local.llamaServers().processId(Provider::sakura).value_or(0);
    ASSERT_GT(pid, 0);
    screenshot("local-service-row.png");

    window->testButton()->click();
    ASSERT_TRUE(waitUntil([&] { return window->statusLabel()->text().startsWith("连接成功："); }, 10000))
        << window->statusLabel()->text().toStdString();
    EXPECT_TRUE(window->statusLabel()->text().contains("译：")) << "answered by the local server";

    window->startLocalModelButton()->click();
    ASSERT_TRUE(waitUntil([&] { return window->localServiceStatus()->text() == "Sakura 已安装 · 当前未启动"; }, 10000))
        << window->localServiceStatus()->text().toStdString();
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid_t(pid), 0) != 0; }, 5000)) << "the server is gone";
    delegate.applicationWillTerminate();
}
