#include "local/ui/LocalModelManagerWindow.h"

#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "local/LlamaServerService.h"
#include "local/LocalInstallLayout.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"
#include "local/OllamaRuntime.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/fake/FileServer.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ovisu {
namespace {

const QString downloadLabel = QStringLiteral("下载 / 更新");
const QString installLabel = QStringLiteral("打开安装入口");

class LocalModelManagerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        window.setFolderChooser([this](QWidget*, const QString& current) {
            chooserStartedAt.append(current);
            return chosenFolder;
        });
    }

    void select(int index) { window.entryList()->setCurrentIndex(index); }
    QString status() const { return window.statusLabel()->text(); }

    const QString home = test::currentHome();
    const QString root = home + "/root";
    fake::FileServer server;
    SettingsStore settings{home + "/settings.json"};
    LocalModelCatalogue catalogue{settings, LocalInstallLayout(root)};
    LocalModelDownloads downloads{settings};
    HttpTransport transport;
    LlamaServerService llamaServers{settings, catalogue};
    OllamaRuntime runtime{transport, catalogue, downloads, llamaServers};
    LocalModelManagerWindow window{settings, catalogue, downloads, runtime};
    QString chosenFolder;
    QStringList chooserStartedAt;
};

TEST_F(LocalModelManagerWindowTest, StartsReadyWithEveryEntryListed) {
    EXPECT_EQ(window.windowTitle(), QString("本地翻译下载与管理"));
    EXPECT_EQ(status(), QString("准备就绪"));
    QStringList titles;
    for (int i = 0; i < window.entryList()->count(); ++i) titles.append(window.entryList()->itemText(i));
    EXPECT_EQ(titles, LocalModelCatalogue::entryTitles());
    EXPECT_EQ(titles.size(), LocalModelCatalogue::entryCount);
    EXPECT_EQ(window.chooseFolderButton()->text(), QString("选择…"));
}

TEST_F(LocalModelManagerWindowTest, OpeningForAGGUFSourceSelectsItsEntryAndTheModelsFolder) {
    window.presentLocalModelManager(Provider::qwenLocal);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.entryList()->currentIndex(), 1);
    EXPECT_EQ(status(), LocalModelCatalogue::entryHint(1));
    EXPECT_EQ(window.folderField()->text(), root + "/models");
    EXPECT_TRUE(window.folderField()->isEnabled());
    EXPECT_EQ(window.downloadButton()->text(), downloadLabel);

    // Closing keeps the window: a second opening finds the same one with the new source's entry.
    window.close();
    EXPECT_FALSE(window.isVisible());
    window.presentLocalModelManager(Provider::libreTranslate);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.entryList()->currentIndex(), 5);
    EXPECT_EQ(window.downloadButton()->text(), installLabel);
}

TEST_F(LocalModelManagerWindowTest, OpeningAgainShowsAFolderStoredSinceEvenForTheSameEntry) {
    window.presentLocalModelManager(Provider::sakura);
    ASSERT_EQ(window.folderField()->text(), root + "/models");
    ASSERT_TRUE(settings.setString("localModelDownloadDirectory", home + "/elsewhere"));
    window.presentLocalModelManager(Provider::sakura);
    EXPECT_EQ(window.folderField()->text(), home + "/elsewhere");
}

TEST_F(LocalModelManagerWindowTest, OllamaEntriesShowTheOllamaStore) {
    window.presentLocalModelManager(Provider::qwenLocal);
    select(3);
    EXPECT_EQ(window.folderField()->text(), root + "/models/ollama");
    EXPECT_TRUE(window.folderField()->isEnabled());
    EXPECT_EQ(window.downloadButton()->text(), downloadLabel);
    EXPECT_EQ(status(), LocalModelCatalogue::entryHint(3));

    ASSERT_TRUE(settings.setString("ollamaModelDirectory", home + "/store"));
    select(4);
    EXPECT_EQ(window.folderField()->text(), home + "/store");
    select(0);
    EXPECT_EQ(window.folderField()->text(), root + "/models");
}

TEST_F(LocalModelManagerWindowTest, TheSystemEntryOnlySaysThereIsNoneHere) {
    window.presentLocalModelManager(Provider::qwenLocal);
    select(6);
    EXPECT_FALSE(window.folderField()->isEnabled());
    EXPECT_EQ(window.downloadButton()->text(), installLabel);
    EXPECT_EQ(status(), LocalModelCatalogue::entryHint(6));

    window.downloadButton()->click();
    EXPECT_EQ(status(), QString("本系统没有内置翻译，请选择上面的本地模型。"));
    EXPECT_FALSE(downloads.isRunning());
    EXPECT_FALSE(settings.contains("localModelDownloadDirectory"));
    EXPECT_FALSE(settings.contains("ollamaModelDirectory"));
    EXPECT_FALSE(QFileInfo::exists(root + "/models"));
}

TEST_F(LocalModelManagerWindowTest, TheLibreTranslateEntrySaysItIsNotInThisBuild) {
    window.presentLocalModelManager(Provider::libreTranslate);
    EXPECT_FALSE(window.folderField()->isEnabled());
    window.downloadButton()->click();
    EXPECT_EQ(status(), QString("LibreTranslate 自动安装组件尚未包含在此构建，请先使用其他本地翻译。"));
    EXPECT_FALSE(downloads.isRunning());
    EXPECT_FALSE(settings.contains("localModelDownloadDirectory"));
}

TEST_F(LocalModelManagerWindowTest, TheChosenFolderIsStoredForTheKindOfEntry) {
    window.presentLocalModelManager(Provider::hyMTLocal);
    chosenFolder = home + "/disk/gguf";
    window.chooseFolderButton()->click();
    EXPECT_EQ(chooserStartedAt, QStringList{root + "/models"});
    EXPECT_EQ(window.folderField()->text(), chosenFolder);
    EXPECT_EQ(settings.stringValue("localModelDownloadDirectory"), chosenFolder);
    EXPECT_FALSE(settings.contains("ollamaModelDirectory"));

    select(4);
    chosenFolder = home + "/disk/ollama";
    window.chooseFolderButton()->click();
    EXPECT_EQ(chooserStartedAt.constLast(), root + "/models/ollama");
    EXPECT_EQ(window.folderField()->text(), chosenFolder);
    EXPECT_EQ(settings.stringValue("ollamaModelDirectory"), chosenFolder);
    EXPECT_EQ(settings.stringValue("localModelDownloadDirectory"), home + "/disk/gguf");

    // A cancelled chooser leaves the field and the settings alone.
    chosenFolder.clear();
    window.chooseFolderButton()->click();
    EXPECT_EQ(window.folderField()->text(), home + "/disk/ollama");
    EXPECT_EQ(settings.stringValue("ollamaModelDirectory"), home + "/disk/ollama");
}

TEST_F(LocalModelManagerWindowTest, TheStatusFollowsTheDownloadsAndTheOllamaRuntime) {
    window.presentLocalModelManager(Provider::sakura);
    emit downloads.statusChanged("slot says");
    EXPECT_EQ(status(), QString("slot says"));
    emit runtime.statusChanged("runtime says");
    EXPECT_EQ(status(), QString("runtime says"));
}

TEST_F(LocalModelManagerWindowTest, ADirectDownloadCutShortKeepsItsPartInTheChosenFolder) {
    const QString path = "/tencent/Hy-MT2-1.8B-GGUF/resolve/main/Hy-MT2-1.8B-Q4_K_M.gguf";
    ASSERT_TRUE(settings.setString("localModelHubURL", server.baseUrl()));
    server.serveZeros(path, 1133080448ULL);
    server.cutNextResponseAfter(64 * 1024);

    window.presentLocalModelManager(Provider::hyMTLocal);
    const QString folder = home + "/disk/models";
    chosenFolder = folder;
    window.chooseFolderButton()->click();
    window.downloadButton()->click();
    EXPECT_TRUE(downloads.isRunning());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(settings.stringValue("localModelDownloadDirectory"), folder);
    const QString started = status();
    EXPECT_FALSE(started.isEmpty());

    // A second press while the first download runs changes nothing, not even the folder setting.
    const QString other = home + "/other";
    window.folderField()->setText(other);
    window.downloadButton()->click();
    EXPECT_EQ(status(), started);
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_EQ(settings.stringValue("localModelDownloadDirectory"), folder);

    ASSERT_TRUE(test::waitUntil([&] { return status().startsWith("下载中断（退出码"); }, 20000)) << qPrintable(status());
    EXPECT_FALSE(downloads.isRunning());
    const QFileInfo part(folder + "/Hy-MT2-1.8B-Q4_K_M.gguf");
    EXPECT_TRUE(part.isFile());
    EXPECT_GT(part.size(), 0);
    EXPECT_LT(part.size(), 1133080448LL);
    EXPECT_EQ(settings.stringValue("hyMTModelPath"), part.filePath());
    ASSERT_FALSE(server.requests().isEmpty());
    EXPECT_EQ(server.requests().constFirst().path, path);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(LocalModelManagerWindowTest, AnOllamaModelWithoutTheRuntimeInstallsItFirstAndShowsItsFailure) {
    if (catalogue.layout().ollamaExecutable())
        GTEST_SKIP() << "an Ollama is installed on this system";
    ASSERT_TRUE(settings.setString(OllamaRuntime::runtimeURLKey(), server.url("/ollama.tgz").toString()));
    server.answerStatus("/ollama.tgz", 404);

    window.presentLocalModelManager(Provider::translateGemmaLocal);
    const QString store = home + "/disk/ollama";
    window.folderField()->setText("  " + store + " ");
    window.downloadButton()->click();
    EXPECT_TRUE(QFileInfo(store).isDir());
    EXPECT_EQ(settings.stringValue("ollamaModelDirectory"), store);
    EXPECT_FALSE(settings.contains("localModelDownloadDirectory"));
    // The runtime's own progress follows at once; the installer fetch runs in the download slot.
    EXPECT_TRUE(downloads.isRunning());

    ASSERT_TRUE(test::waitUntil([&] { return status() == OllamaRuntime::downloadFailedMessage(); }, 20000))
        << qPrintable(status());
    EXPECT_FALSE(downloads.isRunning());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().constFirst().path, QString("/ollama.tgz"));
}

TEST_F(LocalModelManagerWindowTest, TheInstallButtonReportsAFailedInstallAfterRefreshingTheEntry) {
    ASSERT_TRUE(settings.setString(OllamaRuntime::runtimeURLKey(), server.url("/ollama.tgz").toString()));
    server.answerStatus("/ollama.tgz", 404);

    window.presentLocalModelManager(Provider::qwenLocal);
    ASSERT_TRUE(settings.setString("localModelDownloadDirectory", home + "/moved"));
    window.installOllamaButton()->click();
    // Forced: even an Ollama found on the system does not skip the fetch.
    EXPECT_TRUE(downloads.isRunning());
    ASSERT_TRUE(test::waitUntil([&] { return status() == OllamaRuntime::downloadFailedMessage(); }, 20000))
        << qPrintable(status());
    EXPECT_EQ(window.folderField()->text(), home + "/moved");
    EXPECT_EQ(server.requests().size(), 1);
}

}  // namespace
}  // namespace ovisu
