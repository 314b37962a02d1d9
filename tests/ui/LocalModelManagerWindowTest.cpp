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

TEST_F(LocalModelManagerWindowTest, EachEntryShowsItsFolderHintAndButton) {
    QStringList titles;
    for (int i = 0; i < window.entryList()->count(); ++i) titles.append(window.entryList()->itemText(i));
    EXPECT_EQ(titles, LocalModelCatalogue::entryTitles());

    window.presentLocalModelManager(Provider::qwenLocal);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.entryList()->currentIndex(), 1);
    ASSERT_TRUE(settings.setString("ollamaModelDirectory", home + "/store"));
    struct Shown {
        QString folder;  // empty: the field is disabled
        QString button;
    };
    const Shown shown[] = {{root + "/models", downloadLabel},  {root + "/models", downloadLabel},
                           {root + "/models", downloadLabel},  {home + "/store", downloadLabel},
                           {home + "/store", downloadLabel},   {{}, installLabel},
                           {{}, installLabel}};
    for (int entry = 0; entry < LocalModelCatalogue::entryCount; ++entry) {
        select(entry);
        EXPECT_EQ(status(), LocalModelCatalogue::entryHint(entry)) << entry;
        EXPECT_EQ(window.folderField()->isEnabled(), !shown[entry].folder.isEmpty()) << entry;
        if (!shown[entry].folder.isEmpty()) {
            EXPECT_EQ(window.folderField()->text(), shown[entry].folder) << entry;
        }
        EXPECT_EQ(window.downloadButton()->text(), shown[entry].button) << entry;
    }

    // Closing keeps the window: a second opening finds the same one with the new source's entry,
    // and a folder stored since, even for the same entry.
    window.close();
    ASSERT_TRUE(settings.setString("localModelDownloadDirectory", home + "/elsewhere"));
    window.presentLocalModelManager(Provider::sakura);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.entryList()->currentIndex(), 0);
    EXPECT_EQ(window.folderField()->text(), home + "/elsewhere");
    window.presentLocalModelManager(Provider::libreTranslate);
    EXPECT_EQ(window.entryList()->currentIndex(), 5);
}

TEST_F(LocalModelManagerWindowTest, TheSystemAndLibreTranslateEntriesOnlySayWhyNothingIsDownloaded) {
    const std::pair<int, QString> entries[] = {
        {6, "本系统没有内置翻译，请选择上面的本地模型。"},
        {5, "LibreTranslate 自动安装组件尚未包含在此构建，请先使用其他本地翻译。"}};
    window.presentLocalModelManager(Provider::qwenLocal);
    for (const auto& [entry, says] : entries) {
        select(entry);
        window.downloadButton()->click();
        EXPECT_EQ(status(), says);
    }
    EXPECT_FALSE(downloads.isRunning());
    EXPECT_FALSE(settings.contains("localModelDownloadDirectory"));
    EXPECT_FALSE(settings.contains("ollamaModelDirectory"));
    EXPECT_FALSE(QFileInfo::exists(root + "/models"));
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
    const QFileInfo part(folder + "/Hy-MT2-1.8B-Q4_K_M.gguf");
    EXPECT_GT(part.size(), 0);
    EXPECT_EQ(settings.stringValue("hyMTModelPath"), part.filePath());
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(LocalModelManagerWindowTest, TheInstallButtonAndAnOllamaModelWithoutTheRuntimeInstallItAndShowItsFailure) {
    ASSERT_TRUE(settings.setString(OllamaRuntime::runtimeURLKey(), server.url("/ollama.tgz").toString()));
    server.answerStatus("/ollama.tgz", 404);
    const auto waitForFailure = [&] {
        return test::waitUntil([&] { return status() == OllamaRuntime::downloadFailedMessage(); }, 20000);
    };

    // The install button refreshes the entry first, and is forced: even an Ollama found on the
    // system does not skip the fetch, which runs in the download slot.
    window.presentLocalModelManager(Provider::qwenLocal);
    ASSERT_TRUE(settings.setString("localModelDownloadDirectory", home + "/moved"));
    window.installOllamaButton()->click();
    EXPECT_TRUE(downloads.isRunning());
    ASSERT_TRUE(waitForFailure()) << qPrintable(status());
    EXPECT_EQ(window.folderField()->text(), home + "/moved");
    EXPECT_EQ(server.requests().size(), 1);

    if (catalogue.layout().ollamaExecutable())
        GTEST_SKIP() << "an Ollama is installed on this system";
    window.presentLocalModelManager(Provider::translateGemmaLocal);
    const QString store = home + "/disk/ollama";
    window.folderField()->setText("  " + store + " ");
    window.downloadButton()->click();
    EXPECT_TRUE(QFileInfo(store).isDir());
    EXPECT_EQ(settings.stringValue("ollamaModelDirectory"), store);
    EXPECT_EQ(settings.stringValue("localModelDownloadDirectory"), home + "/moved");
    EXPECT_TRUE(downloads.isRunning());
    ASSERT_TRUE(test::waitUntil([&] { return !downloads.isRunning(); }, 20000));
    EXPECT_EQ(status(), OllamaRuntime::downloadFailedMessage());
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests().constLast().path, QString("/ollama.tgz"));
}

}  // namespace
}  // namespace ovisu
