#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "local/LocalModelCatalogue.h"
#include "LocalTestPrograms.h"
#include "support/TestFiles.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

class LocalModelCatalogueTest : public ::testing::Test {
protected:
    SettingsStore settings;
    LocalInstallLayout layout{test::currentHome() + "/disk/Ovisu-Sakura"};
    LocalModelCatalogue catalogue{settings, layout};
};

TEST_F(LocalModelCatalogueTest, TheExternalDiskIsTheRootWhenItExistsEvenAsAPlainFile) {
    const QString disk = test::currentHome() + "/Drevio/Ovisu-Sakura";
    EXPECT_EQ(LocalInstallLayout::resolve({disk}).root(), paths::ovisuFolder() + "/LocalTranslation");
    test::makeSizedFile(disk, 0);
    EXPECT_EQ(LocalInstallLayout::resolve({test::currentHome() + "/elsewhere", disk}).root(), disk);
}

TEST_F(LocalModelCatalogueTest, AModelIsInstalledFromItsFullSizeOnWithARunnableServer) {
    const LocalModelSpec sakura = *catalogue.localModelSpec(Provider::sakura);
    EXPECT_EQ(sakura.modelPath, layout.root() + "/models/sakura-1.5b-qwen2.5-v1.0-fp16.gguf");
    EXPECT_EQ(sakura.port, 8080);
    EXPECT_FALSE(catalogue.localModelSpec(Provider::ollamaLocal));

    // A path setting of spaces is no setting; a real one moves the model.
    ASSERT_TRUE(settings.setString("sakuraModelPath", "  \n"));
    EXPECT_EQ(catalogue.localModelSpec(Provider::sakura)->modelPath, sakura.modelPath);
    const QString moved = test::currentHome() + "/big disk/sakura.gguf";
    ASSERT_TRUE(settings.setString("sakuraModelPath", " " + moved + "\n"));
    EXPECT_EQ(catalogue.localModelSpec(Provider::sakura)->modelPath, moved);

    test::makeSizedFile(moved, qint64(sakura.expectedBytes));
    const QString savedPath = qEnvironmentVariable("PATH");
    qputenv("PATH", (test::currentHome() + "/no-programs").toUtf8());
    if (!test::systemHasLlamaServer()) {
        EXPECT_FALSE(catalogue.localProviderIsInstalled(Provider::sakura)) << "no server to run it";
    }
    test::makeSizedFile(layout.bundledLlamaServer(), 10, true);
    EXPECT_EQ(layout.llamaServerExecutable(), layout.bundledLlamaServer());
    EXPECT_TRUE(catalogue.localProviderIsInstalled(Provider::sakura));
    qputenv("PATH", savedPath.toUtf8());
}

TEST_F(LocalModelCatalogueTest, OllamaFromTheRuntimeFolderBeforeTheSystemsCopy) {
    const QString programs = test::currentHome() + "/programs";
    test::makeSizedFile(programs + "/ollama", 10, true);
    const QString savedPath = qEnvironmentVariable("PATH");
    qputenv("PATH", programs.toUtf8());
    EXPECT_EQ(layout.ollamaExecutable(), programs + "/ollama");
    test::makeSizedFile(layout.bundledOllama(), 10, true);
    EXPECT_EQ(layout.ollamaExecutable(), layout.bundledOllama());
    qputenv("PATH", savedPath.toUtf8());

    EXPECT_EQ(catalogue.ollamaModelDirectory(), layout.root() + "/models/ollama");
    ASSERT_TRUE(settings.setString("ollamaModelDirectory", " /mnt/models \n"));
    EXPECT_EQ(catalogue.ollamaModelDirectory(), "/mnt/models");
}

TEST_F(LocalModelCatalogueTest, ManagerEntriesMapToDownloadsPullsAndMessages) {
    ASSERT_TRUE(settings.setString(LocalModelCatalogue::hubURLKey(), "http://127.0.0.1:9/hub/"));
    const auto hyMT = std::get<DirectLocalModelDownload>(catalogue.selection(2));
    EXPECT_EQ(hyMT.sourceURL, QUrl("http://127.0.0.1:9/hub/tencent/Hy-MT2-1.8B-GGUF/resolve/main/Hy-MT2-1.8B-Q4_K_M.gguf"));
    EXPECT_EQ(hyMT.expectedBytes, 1133080448ULL);
    EXPECT_EQ(hyMT.preferenceKey, "hyMTModelPath");
    EXPECT_EQ(catalogue.selection(3), LocalModelDownloadSelection(OllamaModelPull{"qwen3:4b-instruct"}));
    EXPECT_EQ(catalogue.selection(4), LocalModelDownloadSelection(OllamaModelPull{"translategemma:4b"}));
    EXPECT_EQ(catalogue.selection(6), LocalModelDownloadSelection(SystemTranslationEntry{}));
    for (int outside : {-1, 7}) EXPECT_EQ(catalogue.selection(outside), LocalModelDownloadSelection(UnsupportedEntry{}));
    EXPECT_EQ(LocalModelCatalogue::entryIndex(Provider::openAI), 3);

    EXPECT_EQ(LocalModelCatalogue::curlResumeArguments(QUrl("http://h/a b.gguf"), "/d/a b.gguf"),
              (QStringList{"--location", "--fail", "--continue-at", "-", "--progress-bar", "--output", "/d/a b.gguf",
                           "http://h/a%20b.gguf"}));
}

}  // namespace
}  // namespace ovisu
