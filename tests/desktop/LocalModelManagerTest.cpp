// The local model manager, opened from a source's 下载 button: a download cut short keeps its part,
// the next click resumes it from there to the exact size, and the source's row then says the
// model is installed.

#include "app/DesktopComponents.h"
#include "app/ui/AppDelegate.h"
#include "desktop/DesktopTestSupport.h"
#include "desktop/TopLevelWindows.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "local/ui/LocalModelManagerWindow.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestFiles.h"
#include "support/fake/FileServer.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

TEST_F(DesktopFixture, TheManagerResumesACutDownloadToTheExactSizeAndTheSourceSeesTheModel) {
    DesktopComponents parts;
    fake::FileServer host;
    ASSERT_TRUE(host.isListening());
    ASSERT_TRUE(parts.settings.setString(LocalModelCatalogue::hubURLKey(), host.baseUrl()));
    DirectLocalModelDownload qwen;
    for (const DirectLocalModelDownload& model : parts.local.catalogue().directModels())
        if (model.preferenceKey == QLatin1String("qwenModelPath")) qwen = model;
    ASSERT_FALSE(qwen.filename.isEmpty());
    // Gigabytes of zeros, made as they are sent: an earlier run left all but the last 24 MB, which
    // come at 12 MB/s so the progress can be seen.
    host.serveZeros(qwen.sourceURL.path(), qwen.expectedBytes);
    host.setBytesPerSecond(12 * 1024 * 1024);
    const qint64 earlier = qint64(qwen.expectedBytes) - 24 * 1024 * 1024;
    const QString folder = parts.local.catalogue().localModelDownloadDirectory();
    const QString destination = QDir(folder).filePath(qwen.filename);
    makeSizedFile(destination, earlier);
    installProgram(QStringLiteral(OVISU_FAKE_LLAMA_SERVER_BINARY), parts.local.catalogue().layout().bundledLlamaServer());

    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    delegate.openProviderSettings();
    auto* source = topLevel<ProviderSettingsWindow>();
    ASSERT_NE(source, nullptr);
    source->providerPopup()->setCurrentIndex(source->providerPopup()->findData(rawValue(Provider::qwenLocal)));
    ASSERT_EQ(source->providerSettingsProvider(), Provider::qwenLocal);
    EXPECT_EQ(source->localServiceStatus()->text(), "Qwen3 模型尚未安装");
    ASSERT_TRUE(source->acquisitionButton()->isVisible());
    source->acquisitionButton()->click();
    auto* manager = topLevel<LocalModelManagerWindow>();
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(waitUntil([&] { return manager->isVisible(); }, 3000));
    EXPECT_EQ(manager->entryList()->currentIndex(), qwen.selectionIndex) << "the source's model is chosen";
    EXPECT_EQ(manager->folderField()->text(), folder);

    // First attempt: the host drops the connection after 4 MB.
    host.cutNextResponseAfter(4 * 1024 * 1024);
    manager->downloadButton()->click();
    ASSERT_TRUE(waitUntil([&] { return manager->statusLabel()->text().startsWith("下载中断（退出码"); }, 20000))
        << manager->statusLabel()->text().toStdString();
    const qint64 afterCut = QFileInfo(destination).size();
    EXPECT_EQ(afterCut, earlier + 4 * 1024 * 1024) << "the part fetched before the cut is kept";
    screenshot("local-manager-interrupted.png");

    // Second attempt: resumed from the end of the part, seen mid-way, finished at the exact size.
    manager->downloadButton()->click();
    ASSERT_TRUE(waitUntil([&] { return manager->statusLabel()->text().startsWith("正在下载 " + qwen.name + " · "); }, 10000))
        << manager->statusLabel()->text().toStdString();
    spin(600);
    screenshot("local-manager-resuming.png");
    EXPECT_EQ(host.requests().constLast().range, "bytes=" + QByteArray::number(afterCut) + "-");
    ASSERT_TRUE(waitUntil([&] { return !parts.local.downloads().isRunning(); }, 30000));
    EXPECT_EQ(manager->statusLabel()->text(), qwen.name + " 下载完成并通过文件大小校验。");
    EXPECT_EQ(std::uint64_t(QFileInfo(destination).size()), qwen.expectedBytes);
    screenshot("local-manager-complete.png");

    ASSERT_TRUE(waitUntil([&] { return source->localServiceStatus()->text() == "Qwen3 已安装 · 当前未启动"; }, 5000))
        << source->localServiceStatus()->text().toStdString();
    delegate.applicationWillTerminate();
}
