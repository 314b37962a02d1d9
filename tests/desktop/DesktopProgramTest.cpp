#include "app/ui/AppDelegate.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QuickStartGuide.h"
#include "app/ui/SettingsCenterWindow.h"
#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "capture/WindowCapture.h"
#include "overlay/ui/OverlayController.h"
#include "overlay/ui/OverlayPanel.h"
#include "capture/ui/RegionPickerWindow.h"

#include "history/ui/TranslationHistoryWindow.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ui/AILocalizationWindow.h"
#include "engine/ui/ProviderManagerWindow.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "engine/ui/TranslationParametersWindow.h"
#include "engine/ui/TranslationSettingsWindows.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QFile>
#include <QFileDialog>
#include <QTextEdit>
#include <QTimer>
#include "desktop/DesktopTestSupport.h"
#include "engine/TranslationPipeline.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QJsonObject>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

namespace {

const QStringList kScript = {"今日はいい天気ですね。", "そうだね、散歩に行こうか。", "駅の近くに新しい店ができた。"};
const QString kGameTitle = QStringLiteral("Desktop Game");

class DesktopProgramTest : public ::testing::Test {
protected:
    fake::FakeService service;

    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "no private X server";
        SettingsStore settings;
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(settings.setInt("provider", 9));
        // The first-run guide has been answered, except where a test asks for it.
        ASSERT_TRUE(storeFirstRunAnswer(settings, FirstRunProviderChoice::free));
    }

    static int indexOfTitle(const AppDelegate& delegate, const QString& windowTitle) {
        const auto& targets = delegate.targets();
        for (int i = 0; i < targets.size(); ++i)
            if (targets[i].scWindow.title == windowTitle) return i;
        return -1;
    }
};

}  // namespace

TEST_F(DesktopProgramTest, StartsWithDefaultsListsTheGameAndTranslatesItsLines) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(delegate.mainWindow().isVisible());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "开始翻译");
    const int index = indexOfTitle(delegate, kGameTitle);
    ASSERT_GE(index, 0) << "the game window is not offered";

    delegate.targetChanged(index);
    EXPECT_FALSE(delegate.session().normalizedRegion());

    // The subtitle box is marked by dragging over the frozen still of the game.
    delegate.primaryRegionAction();
    RegionPickerWindow* picker = delegate.regionPicker().pickerWindow();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    const QSize size = picker->size();
    const QPoint from(qRound(size.width() * 0.06), qRound(size.height() * 0.71));
    const QPoint to(qRound(size.width() * 0.94), qRound(size.height() * 0.88));
    QTest::mousePress(picker, Qt::LeftButton, {}, from);
    QTest::mouseMove(picker, (from + to) / 2);
    QTest::mouseMove(picker, to);
    QTest::mouseRelease(picker, Qt::LeftButton, {}, to);
    ASSERT_TRUE(delegate.session().normalizedRegion());
    EXPECT_NEAR(delegate.session().normalizedRegion()->x(), 0.06, 0.01);
    EXPECT_NEAR(delegate.session().normalizedRegion()->height(), 0.17, 0.01);
    EXPECT_EQ(delegate.mainWindow().statusText(), "字幕区域已保存");
    EXPECT_TRUE(SettingsStore().dictionaryValue("normalizedRegion").has_value());
    delegate.primaryAction();
    EXPECT_TRUE(delegate.session().isRunning());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "暂停翻译");

    ASSERT_TRUE(waitUntil([&] { return service.requestCount() >= 1; }, 20000)) << game.log().toStdString();
    EXPECT_TRUE(similar(sentText(service.requests().first()), kScript.first(), 0.8));
    ASSERT_TRUE(waitUntil([&] { return delegate.pipeline().translationHistory().size() == 1; }, 5000));

    // The overlay sits over the subtitle box and shows the translation with its original.
    OverlayPanel* panel = delegate.overlay().overlay();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }, 3000));
    const QString shown = panel->textView()->toPlainText();
    EXPECT_TRUE(shown.contains(service.defaultTranslation())) << shown.toStdString();
    EXPECT_TRUE(shown.contains(delegate.pipeline().translationHistory().first().original));
    const auto gameFrame = makeWindowCapture()->windowFrame(delegate.session().selectedTarget()->windowID());
    ASSERT_TRUE(gameFrame);
    const QRect subtitleBox(gameFrame->x() + qRound(gameFrame->width() * 0.06), gameFrame->y() + qRound(gameFrame->height() * 0.71),
                            qRound(gameFrame->width() * 0.88), qRound(gameFrame->height() * 0.17));
    EXPECT_TRUE(panel->frameGeometry().intersects(subtitleBox)) << "the overlay is not over the subtitles";

    // What the loop captures never holds the overlay: the game's picture is the same with the
    // panel shown over it and hidden.
    const auto capture = makeWindowCapture();
    const quint32 gameID = delegate.session().selectedTarget()->windowID();
    const auto withPanel = capture->captureWindow(gameID);
    panel->hide();
    spin(300);
    const auto withoutPanel = capture->captureWindow(gameID);
    panel->show();
    ASSERT_TRUE(withPanel && withoutPanel);
    EXPECT_EQ(*withPanel, *withoutPanel);

    // Every theme reaches the panel on the screen, over the game: the panel's picture differs
    // from theme to theme, and the game around it stays as it was.
    const QRect panelFrame = panel->frameGeometry();
    // A corner of the game that neither the panel nor the main window covers.
    QRect besidePanel;
    for (const QPoint corner : {QPoint(10, 10), QPoint(gameFrame->width() - 210, 10), QPoint(10, gameFrame->height() / 2)}) {
        const QRect candidate(gameFrame->topLeft() + corner, QSize(200, 100));
        if (!candidate.intersects(panelFrame) && !candidate.intersects(delegate.mainWindow().frameGeometry())) {
            besidePanel = candidate;
            break;
        }
    }
    ASSERT_FALSE(besidePanel.isNull()) << "the main window and the panel cover the whole game";
    QList<QImage> panelPictures;
    QList<QImage> gamePictures;
    for (int theme : {1, 2, 0}) {
        delegate.overlayThemePresetChanged(theme);
        spin(400);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        if (const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR"); !folder.isEmpty())
            screen.save(folder + QStringLiteral("/desktop-overlay-theme-%1.png").arg(theme));
        panelPictures << screen.copy(panelFrame);
        // The latest translation stays in view: a taller theme keeps the text at its end.
        const QScrollBar* bar = panel->textView()->verticalScrollBar();
        EXPECT_EQ(bar->value(), bar->maximum()) << "theme " << theme;
        gamePictures << screen.copy(besidePanel);
    }
    EXPECT_NE(panelPictures[0], panelPictures[1]);
    EXPECT_NE(panelPictures[1], panelPictures[2]);
    EXPECT_NE(panelPictures[0], panelPictures[2]);
    EXPECT_EQ(gamePictures[0], gamePictures[1]);
    EXPECT_EQ(gamePictures[1], gamePictures[2]);

    // Pausing and resuming on the same line does not translate it again.
    delegate.primaryAction();
    EXPECT_FALSE(delegate.session().isRunning());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "继续翻译");
    delegate.primaryAction();
    spin(3000);
    EXPECT_EQ(service.requestCount(), 1);
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, GlobalHotKeysStartAndPauseTheSession) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));
    ASSERT_TRUE(SettingsStore().setDictionary(
        "normalizedRegion", QJsonObject{{"x", 0.06}, {"y", 0.71}, {"width", 0.88}, {"height", 0.17}}));
    ASSERT_TRUE(SettingsStore().setString("targetWindowTitle", "ovisu-test-game — " + kGameTitle));

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(delegate.session().selectedTarget());
    ASSERT_EQ(delegate.session().selectedTarget()->scWindow.title, kGameTitle);
    ASSERT_TRUE(delegate.session().normalizedRegion());

    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    ASSERT_TRUE(waitUntil([&] { return delegate.session().isRunning(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() >= 1; }, 20000));

    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    ASSERT_TRUE(waitUntil([&] { return !delegate.session().isRunning(); }, 5000));
    EXPECT_EQ(delegate.session().state().kind, RealtimeTranslationState::Kind::paused);

    // Turned off in the settings, the keys do nothing.
    ASSERT_TRUE(delegate.settings().setBool("globalHotKeysEnabled", false));
    delegate.configureGlobalHotKeys();
    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    spin(800);
    EXPECT_FALSE(delegate.session().isRunning());
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, ClipboardModeTranslatesACopiedLineOnceAndTheHistoryWindowExportsIt) {
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("既にあった文章です。");  // already there: not translated

    delegate.toggleClipboardMonitoring();
    ASSERT_TRUE(delegate.clipboardMonitor().clipboardMonitoringEnabled());
    EXPECT_TRUE(SettingsStore().boolValue("clipboardMonitoringEnabled", false));
    EXPECT_EQ(delegate.mainWindow().statusText(), "正在监听剪贴板 · 发现日文后自动翻译");

    clipboard->setText("お茶をどうぞ。");
    ASSERT_TRUE(waitUntil([&] { return delegate.pipeline().translationHistory().size() == 1; }, 5000));
    clipboard->setText("お茶をどうぞ。");             // the same line again
    clipboard->setText(service.defaultTranslation());  // the translation, copied from the overlay
    spin(2000);
    ASSERT_EQ(sentTexts(service), QStringList{"お茶をどうぞ。"});

    // The history window shows the line; its export writes it to the chosen file.
    delegate.openTranslationHistory();
    auto* window = delegate.historyController().historyWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil([&] { return window->historyText().contains("原文：お茶をどうぞ。"); }, 5000))
        << window->historyText().toStdString();
    // The dialog proposes "Ovisu翻译历史.txt"; the player picks the folder and accepts.
    const QString exported = currentHome() + "/Ovisu翻译历史.txt";
    QTimer::singleShot(800, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->setDirectory(currentHome());
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    delegate.exportTranslationHistory();
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("原文：お茶をどうぞ。")) << text.toStdString();
    EXPECT_TRUE(text.contains("译文：" + service.defaultTranslation()));

    // Starting realtime translation switches the clipboard mode off.
    delegate.toggleClipboardMonitoring();
    EXPECT_FALSE(delegate.clipboardMonitor().clipboardMonitoringEnabled());
    EXPECT_FALSE(SettingsStore().boolValue("clipboardMonitoringEnabled", true));
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, AFirstLaunchShowsTheDefaultsAndTheTrayDecidesWhetherClosingQuits) {
    ASSERT_TRUE(SettingsStore().remove("firstRun.contentChoice"));
    ASSERT_TRUE(SettingsStore().remove("firstRun.providerChoice"));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.mainWindow().statusText(), "准备就绪");

    // The quick-start guide comes up once; answering "I have a key" opens the source configuration.
    ASSERT_TRUE(waitUntil([&] { return delegate.quickStartGuide() && delegate.quickStartGuide()->isVisible(); }, 3000));
    QuickStartGuide* guide = delegate.quickStartGuide();
    if (const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR"); !folder.isEmpty())
        guide->grab().save(folder + QStringLiteral("/desktop-quick-start.png"));
    guide->selectChoice(FirstRunProviderChoice::apiKey);
    guide->startButton()->click();
    EXPECT_FALSE(guide->isVisible());
    ProviderSettingsWindow* sourceWindow = delegate.translationWindows().providerSettingsWindow();
    ASSERT_NE(sourceWindow, nullptr);
    EXPECT_TRUE(sourceWindow->isVisible());
    EXPECT_EQ(sourceWindow->providerSettingsProvider(), Provider::openAI);
    EXPECT_EQ(SettingsStore().intValue("provider", -1), rawValue(Provider::openAI));
    EXPECT_EQ(SettingsStore().intValue("firstRun.providerChoice", -9), 1);
    sourceWindow->doneButton()->click();
    EXPECT_FALSE(firstRunGuidePending(SettingsStore()));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());  // the tray icon keeps the program running

    delegate.openSettingsCenter();
    SettingsCenterWindow* settings = delegate.settingsWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    const auto* fontSize = settings->findChild<QLabel*>("overlayFontSize");
    ASSERT_NE(fontSize, nullptr);
    EXPECT_TRUE(fontSize->text().startsWith("24")) << fontSize->text().toStdString();
    const auto* limit = settings->findChild<QComboBox*>("overlayHistoryLimit");
    ASSERT_NE(limit, nullptr);
    EXPECT_EQ(limit->currentText(), "8 句");

    // Turning the tray icon off in the settings makes closing the main window quit.
    auto* trayBox = settings->findChild<QCheckBox*>("menuBarIconEnabled");
    ASSERT_NE(trayBox, nullptr);
    ASSERT_TRUE(trayBox->isChecked());
    trayBox->click();
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_FALSE(SettingsStore().boolValue("menuBarIconEnabled", true));
    trayBox->click();
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, ANewcomerPastesAKeyPicksAModelAndTestsTheConnection) {
    service.requireKey("sk-newcomer");
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();

    // The source configuration is reached from the application menu.
    QAction* configure = nullptr;
    for (QAction* menu : delegate.mainWindow().menuBar()->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == QStringLiteral("配置当前引擎…")) configure = item;
    ASSERT_NE(configure, nullptr);
    configure->trigger();
    ProviderSettingsWindow* window = delegate.translationWindows().providerSettingsWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->providerSettingsProvider(), Provider::sakura);  // the current source

    window->providerPopup()->setCurrentIndex(window->providerPopup()->findData(rawValue(Provider::openAI)));
    ASSERT_EQ(window->providerSettingsProvider(), Provider::openAI);
    window->endpointField()->setText(service.baseUrl() + QStringLiteral("/v1/responses"));

    // A wrong key first: the guide's 401 message, and the key itself nowhere in it.
    QGuiApplication::clipboard()->setText(QStringLiteral("sk-wrong-key"));
    window->pasteButton()->click();
    window->testButton()->click();
    ASSERT_TRUE(waitUntil([&] { return window->statusLabel()->text().contains(QStringLiteral("HTTP 401")); }, 10000))
        << window->statusLabel()->text().toStdString();
    EXPECT_FALSE(window->statusLabel()->text().contains(QStringLiteral("sk-wrong-key")));
    if (const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR"); !folder.isEmpty()) {
        window->grab().save(folder + QStringLiteral("/desktop-provider-settings-401.png"));
        // The longest note, with a long model name, for the eye only.
        window->providerPopup()->setCurrentIndex(window->providerPopup()->findData(rawValue(Provider::hyMTLocal)));
        window->modelField()->setText(QStringLiteral("HY-MT1.5-7B-Instruct-Q4_K_M-imatrix-2026-10-experimental-otome-finetune.gguf"));
        window->grab().save(folder + QStringLiteral("/desktop-provider-settings-long.png"));
        window->providerPopup()->setCurrentIndex(window->providerPopup()->findData(rawValue(Provider::openAI)));
    }

    QGuiApplication::clipboard()->setText(QStringLiteral(" sk-newcomer\n"));  // copied with a stray space and line break
    window->pasteButton()->click();
    window->modelField()->setText(QStringLiteral("gpt-4o-mini"));
    window->testButton()->click();
    ASSERT_TRUE(waitUntil([&] { return window->statusLabel()->text().startsWith(QStringLiteral("连接成功：")); }, 10000))
        << window->statusLabel()->text().toStdString();
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("连接成功：") + service.defaultTranslation());
    EXPECT_EQ(LocalCredentialStore::secret(ProviderCatalogue::credentialAccount(Provider::openAI)), "sk-newcomer");
    EXPECT_FALSE(window->windowTitle().contains("sk-newcomer"));

    // "完成" keeps the window for the next opening; choosing the source in the main window uses it.
    window->doneButton()->click();
    EXPECT_FALSE(window->isVisible());
    delegate.openProviderSettings();
    EXPECT_EQ(delegate.translationWindows().providerSettingsWindow(), window);
    EXPECT_TRUE(window->isVisible());
    window->doneButton()->click();
    delegate.providerChanged(Provider::openAI);
    EXPECT_EQ(SettingsStore().stringValue("model.1"), "gpt-4o-mini");
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, TheSettingsWindowOpensEveryTranslationWindowOnceAndKeepsIt) {
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.openSettingsCenter();
    SettingsCenterWindow* settings = delegate.settingsWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->pageTitles().contains(QStringLiteral("主页翻译源")));
    ASSERT_TRUE(settings->showPage(QStringLiteral("翻译")));
    const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR");
    const auto save = [&folder](QWidget* window, const QString& name) {
        if (!folder.isEmpty()) window->grab().save(folder + QStringLiteral("/desktop-%1.png").arg(name));
    };
    save(settings, QStringLiteral("settings-translation"));
    ASSERT_TRUE(settings->showPage(QStringLiteral("主页翻译源")));
    save(settings, QStringLiteral("settings-home-providers"));
    ASSERT_TRUE(settings->showPage(QStringLiteral("翻译")));

    TranslationSettingsWindows& windows = delegate.translationWindows();
    const QList<std::pair<QString, std::function<QWidget*()>>> buttons = {
        {QStringLiteral("openProviderSettings"), [&] { return static_cast<QWidget*>(windows.providerSettingsWindow()); }},
        {QStringLiteral("openAILocalizationSettings"), [&] { return static_cast<QWidget*>(windows.aiLocalizationWindow()); }},
        {QStringLiteral("openTranslationSettings"), [&] { return static_cast<QWidget*>(windows.translationParametersWindow()); }},
        {QStringLiteral("openProviderManager"), [&] { return static_cast<QWidget*>(windows.providerManagerWindow()); }},
    };
    for (const auto& [name, built] : buttons) {
        auto* button = settings->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        EXPECT_EQ(built(), nullptr) << name.toStdString() << " was built before it was opened";
        button->click();
        QWidget* window = built();
        ASSERT_NE(window, nullptr) << name.toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << name.toStdString();
        // Centred on the screen's usable area, within a few pixels of frame decoration.
        const QRect area = window->screen()->availableGeometry();
        EXPECT_LE((window->frameGeometry().center() - area.center()).manhattanLength(), 40) << name.toStdString();
        save(window, name);
        window->close();
        EXPECT_FALSE(window->isVisible()) << name.toStdString();
        button->click();
        EXPECT_EQ(built(), window) << name.toStdString() << " was built again";
        EXPECT_TRUE(window->isVisible()) << name.toStdString();
        window->close();
    }

    // A profile saved and applied from the page closes the windows that could write the old
    // values back, and the main window says which profile is in use.
    auto* name = settings->findChild<QLineEdit*>(QStringLiteral("profileName"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("  周末存档  "));
    settings->findChild<QPushButton*>(QStringLiteral("saveProfile"))->click();
    delegate.openAILocalizationSettings();
    delegate.openProviderSettings();
    ASSERT_TRUE(windows.aiLocalizationWindow()->isVisible());
    settings->findChild<QPushButton*>(QStringLiteral("applyProfile"))->click();
    EXPECT_EQ(delegate.mainWindow().statusText(), QStringLiteral("已切换配置：周末存档"));
    EXPECT_FALSE(windows.aiLocalizationWindow()->isVisible());
    EXPECT_FALSE(windows.providerSettingsWindow()->isVisible());
    delegate.applicationWillTerminate();
}
