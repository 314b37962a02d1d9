#include "app/ui/AppDelegate.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QuickStartGuide.h"
#include "app/ui/SettingsCenterWindow.h"
#include "app/ui/SettingsPage.h"
#include "app/ui/StatusItem.h"
#include "app/platform/X11GlobalHotKeys.h"
#include "app/StatusMenuPresentation.h"
#include "history/TranslationHistoryStore.h"
#include "interface/ui/InterfaceLabelWindow.h"
#include "interface/ui/UIRegionEditorWindow.h"
#include "base/AppLogger.h"
#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "capture/WindowCapture.h"
#include "overlay/ui/OverlayPanel.h"
#include "capture/ui/RegionPickerWindow.h"

#include "history/ui/TranslationHistoryWindow.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ui/AILocalizationWindow.h"
#include "engine/ui/ProviderManagerWindow.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "engine/ui/TranslationParametersWindow.h"
#include "support/TestEnvironment.h"
#include "support/TestGameMenu.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenuBar>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QFileDialog>
#include <QTextEdit>
#include <QTimer>
#include "desktop/DesktopTestSupport.h"
#include "dialogue/TranslationPipeline.h"
#include "support/EventLoopWait.h"
#include "desktop/TopLevelWindows.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

namespace {

const QStringList& kScript = kDialogueScript;
const QString kGameTitle = QStringLiteral("Desktop Game");

class DesktopProgramTest : public DesktopFixture {
protected:
    static int indexOfTitle(const DesktopComponents& parts, const QString& windowTitle) {
        const auto& targets = parts.modes.targets();
        for (int i = 0; i < targets.size(); ++i)
            if (targets[i].scWindow.title == windowTitle) return i;
        return -1;
    }
    // An item of the main window's menu bar, found by its text as the player finds it.
    static QAction* menuItem(const QString& text) {
        for (QAction* menu : topLevel<MainWindow>()->menuBar()->actions())
            if (menu->menu())
                for (QAction* item : menu->menu()->actions())
                    if (item->text() == text) return item;
        return nullptr;
    }
};

}  // namespace

TEST_F(DesktopProgramTest, StartsWithDefaultsListsTheGameAndTranslatesItsLines) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(topLevel<MainWindow>()->isVisible());
    EXPECT_EQ(topLevel<MainWindow>()->primaryActionTitle(), "开始翻译");
    const int index = indexOfTitle(parts, kGameTitle);
    ASSERT_GE(index, 0) << "the game window is not offered";

    delegate.targetChanged(index);
    EXPECT_FALSE(parts.session.normalizedRegion());

    // The subtitle box is marked by dragging over the frozen still of the game.
    delegate.primaryRegionAction();  // the still is taken off the main thread
    ASSERT_TRUE(waitUntil([&] { return topLevel<RegionPickerWindow>() != nullptr; }, 5000));
    RegionPickerWindow* picker = topLevel<RegionPickerWindow>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    dragSubtitleBox(picker);
    ASSERT_TRUE(parts.session.normalizedRegion());
    EXPECT_NEAR(parts.session.normalizedRegion()->x(), 0.06, 0.01);
    EXPECT_NEAR(parts.session.normalizedRegion()->height(), 0.17, 0.01);
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "字幕区域已保存");
    EXPECT_TRUE(SettingsStore().dictionaryValue("normalizedRegion").has_value());
    delegate.primaryAction();
    EXPECT_TRUE(parts.session.isRunning());
    EXPECT_EQ(topLevel<MainWindow>()->primaryActionTitle(), "暂停翻译");

    ASSERT_TRUE(waitUntil([&] { return service.requestCount() >= 1; }, 20000)) << game.log().toStdString();
    EXPECT_TRUE(similar(sentText(service.requests().first()), kScript.first(), 0.8));
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() == 1; }, 5000));

    // The overlay sits over the subtitle box and shows the translation with its original.
    OverlayPanel* panel = topLevel<OverlayPanel>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }, 3000));
    const QString shown = panel->textView()->toPlainText();
    EXPECT_TRUE(shown.contains(service.defaultTranslation())) << shown.toStdString();
    EXPECT_TRUE(shown.contains(parts.pipeline.panelLines().first().original));
    const auto gameFrame = makeWindowCapture()->windowFrame(parts.session.selectedTarget()->windowID());
    ASSERT_TRUE(gameFrame);
    EXPECT_TRUE(panel->frameGeometry().intersects(subtitleBox(*gameFrame))) << "the overlay is not over the subtitles";

    // What the loop captures never holds the overlay: the game's picture is the same with the
    // panel shown over it and hidden.
    const auto capture = makeWindowCapture();
    const quint32 gameID = parts.session.selectedTarget()->windowID();
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
        if (!candidate.intersects(panelFrame) && !candidate.intersects(topLevel<MainWindow>()->frameGeometry())) {
            besidePanel = candidate;
            break;
        }
    }
    ASSERT_FALSE(besidePanel.isNull()) << "the main window and the panel cover the whole game";
    QList<QImage> panelPictures;
    QList<QImage> gamePictures;
    // Themes are chosen in the settings window, kept out of the pictures.
    delegate.openSettingsCenter();
    auto* settingsWindow = topLevel<SettingsCenterWindow>();
    settingsWindow->hide();
    auto* themes = settingsWindow->findChild<SegmentedControl*>(SettingsKeys::overlayThemePreset);
    ASSERT_NE(themes, nullptr);
    const auto grabScreen = [] { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); };
    QImage shownBefore = grabScreen().copy(panelFrame);
    for (int theme : {1, 2, 0}) {
        themes->button(theme)->click();
        // The panel is drawn again in the new look: wait until the screen shows it and holds still.
        QImage screen;
        ASSERT_TRUE(waitUntil(
            [&] {
                const QImage now = grabScreen();
                const bool settled = now == screen && now.copy(panelFrame) != shownBefore;
                screen = now;
                return settled;
            },
            5000))
            << "theme " << theme << " never showed";
        shownBefore = screen.copy(panelFrame);
        screenshot(QStringLiteral("desktop-overlay-theme-%1.png").arg(theme));
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
    EXPECT_FALSE(parts.session.isRunning());
    EXPECT_EQ(topLevel<MainWindow>()->primaryActionTitle(), "继续翻译");
    delegate.primaryAction();
    spin(3000);
    EXPECT_EQ(service.requestCount(), 1);
    delegate.applicationWillTerminate();
}

// Interface mode from the main window: its region buttons, the whole window read, every text of
// the test game's title screen answered, and everything gone again when the player goes back.
TEST_F(DesktopProgramTest, InterfaceModeReadsTheWholeMenuScreenAndLeavesNothingBehind) {
    const QString menuTitle = QStringLiteral("Desktop Menu Game");
    TestGame game(TestGame::MenuScreens{}, menuTitle);
    ASSERT_TRUE(game.waitUntilListed(10000));

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    const int index = indexOfTitle(parts, menuTitle);
    ASSERT_GE(index, 0);
    delegate.targetChanged(index);

    delegate.translationModeChanged(TranslationMode::interface);
    EXPECT_EQ(SettingsStore().intValue("translationMode", -1), 1);
    MainWindow* window = topLevel<MainWindow>();
    const auto texts = [window] {
        QStringList all;
        for (const QPushButton* button : window->findChildren<QPushButton*>()) all << button->text();
        for (const QLabel* label : window->findChildren<QLabel*>()) all << label->text();
        return all;
    };
    for (const char* title : {"立即识别并贴回", "编辑 UI 区域", "打开编辑器", "清空区域", "整窗口"})
        EXPECT_TRUE(texts().contains(QString::fromUtf8(title))) << title;
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == "打开编辑器") button->click();
    UIRegionEditorWindow* editor = topLevel<UIRegionEditorWindow>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    editor->hide();

    const quint32 gameWindow = parts.modes.targets()[index].windowID();
    const auto before = parts.capture->captureWindow(gameWindow);
    ASSERT_TRUE(before);

    delegate.primaryAction();
    InterfaceSession& session = parts.interfaceMode.session();
    ASSERT_TRUE(session.isRunning());
    EXPECT_EQ(window->primaryActionTitle(), "暂停翻译");
    const int expected = int(TestGameMenu::titleScreenTexts().size());
    ASSERT_TRUE(waitUntil([&] { return parts.interfacePanels.panelCount() >= expected && !session.hasPendingTranslations(); },
                          60000))
        << parts.interfacePanels.panelCount() << " panels; " << session.lastErrorMessage().toStdString();
    const QStringList sent = sentTexts(service);
    EXPECT_EQ(QSet<QString>(sent.begin(), sent.end()).size(), sent.size()) << sent.join(" | ").toStdString();

    // A label for every answered text, over the game, none over another; and none of them in our
    // own capture of the game, which would otherwise read its own labels.
    const QList<InterfaceLabelWindow*> labels = visibleInterfaceLabels();
    EXPECT_EQ(labels.size(), parts.interfacePanels.panelCount());
    for (qsizetype i = 0; i < labels.size(); ++i)
        for (qsizetype j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(labels[i]->geometry().intersects(labels[j]->geometry()));
    const auto after = parts.capture->captureWindow(gameWindow);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);

    // Back to dialogue: the interface session stops and its panels go; the buttons are the
    // dialogue's again.
    delegate.translationModeChanged(TranslationMode::dialogue);
    EXPECT_FALSE(session.isRunning());
    EXPECT_EQ(parts.interfacePanels.panelCount(), 0);
    EXPECT_TRUE(visibleInterfaceLabels().isEmpty());
    EXPECT_TRUE(texts().contains(QStringLiteral("框选 / 重选")));
}

// Automatic interface answers always come from the source in use: a profile that brings another
// source drops them, and keeps the player's corrections.
TEST_F(DesktopProgramTest, AProfileWithAnotherSourceDropsTheAutomaticInterfaceAnswers) {
    DesktopComponents parts;
    parts.modes.changeMode(TranslationMode::interface);
    ASSERT_TRUE(parts.selection.providerChanged(Provider::google));
    ASSERT_TRUE(parts.profiles.saveCurrentTranslationProfile(QStringLiteral("谷歌")));
    ASSERT_TRUE(parts.selection.providerChanged(Provider::sakura));
    ASSERT_TRUE(parts.profiles.saveCurrentTranslationProfile(QStringLiteral("Sakura")));
    UITranslationCache& cache = parts.interfaceMode.cache();
    ASSERT_TRUE(cache.save(QStringLiteral("設定"), QStringLiteral("设置"), false));
    ASSERT_TRUE(cache.save(QStringLiteral("戻る"), QStringLiteral("返回上一页"), true));

    ASSERT_TRUE(parts.modes.applyTranslationProfile(QStringLiteral("Sakura")));
    EXPECT_TRUE(cache.entry(QStringLiteral("設定"))) << "the same source keeps its answers";
    ASSERT_TRUE(parts.modes.applyTranslationProfile(QStringLiteral("谷歌")));
    EXPECT_FALSE(cache.entry(QStringLiteral("設定")));
    EXPECT_EQ(cache.entry(QStringLiteral("戻る"))->translation, QStringLiteral("返回上一页"));
    EXPECT_FALSE(parts.interfaceMode.session().isRunning());
}

TEST_F(DesktopProgramTest, GlobalHotKeysStartAndPauseTheSession) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));
    rememberGameAndSubtitleBox(kGameTitle);

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(parts.session.selectedTarget());
    ASSERT_EQ(parts.session.selectedTarget()->scWindow.title, kGameTitle);
    ASSERT_TRUE(parts.session.normalizedRegion());

    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    ASSERT_TRUE(waitUntil([&] { return parts.session.isRunning(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() >= 1; }, 20000));

    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    ASSERT_TRUE(waitUntil([&] { return !parts.session.isRunning(); }, 5000));
    EXPECT_EQ(parts.session.state().kind, RealtimeTranslationState::Kind::paused);

    // Turned off in the settings, the keys do nothing.
    ASSERT_TRUE(parts.settings.setBool("globalHotKeysEnabled", false));
    delegate.configureGlobalHotKeys();
    ASSERT_TRUE(runOnDisplay("xdotool", {"key", "ctrl+shift+p"}));
    spin(800);
    EXPECT_FALSE(parts.session.isRunning());
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, ClipboardModeTranslatesACopiedLineOnceAndTheHistoryWindowExportsIt) {
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("既にあった文章です。");  // already there: not translated

    delegate.toggleClipboardMonitoring();
    ASSERT_TRUE(parts.modes.clipboard().clipboardMonitoringEnabled());
    EXPECT_TRUE(SettingsStore().boolValue("clipboardMonitoringEnabled", false));
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "正在监听剪贴板 · 发现日文后自动翻译");

    clipboard->setText("お茶をどうぞ。");
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() == 1; }, 5000));
    ASSERT_EQ(sentTexts(service), QStringList{"お茶をどうぞ。"});

    // The history window shows the line; its export writes it to the chosen file.
    delegate.openTranslationHistory();
    auto* window = topLevel<TranslationHistoryWindow>();
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
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, AFirstLaunchShowsTheDefaultsAndWithoutATrayClosingQuits) {
    ASSERT_TRUE(SettingsStore().remove("firstRun.contentChoice"));
    ASSERT_TRUE(SettingsStore().remove("firstRun.providerChoice"));
    // The private display, like stock GNOME, has no system tray.
    ASSERT_FALSE(StatusItem::systemTrayAvailable());
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    // The tray icon is on by default, but nothing would show it: the status line says so, and
    // closing the main window quits instead of leaving an invisible process.
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "系统托盘不可用：关闭主窗口将退出程序");
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_TRUE(AppLogger::shared().combinedText().contains("系统托盘不可用：关闭主窗口将退出程序"));

    // The quick-start guide comes up once; answering "I have a key" opens the source configuration.
    ASSERT_TRUE(waitUntil([&] { return topLevel<QuickStartGuide>() && topLevel<QuickStartGuide>()->isVisible(); }, 3000));
    QuickStartGuide* guide = topLevel<QuickStartGuide>();
    screenshot("desktop-quick-start.png");
    guide->selectChoice(FirstRunProviderChoice::apiKey);
    guide->startButton()->click();
    EXPECT_FALSE(guide->isVisible());
    ProviderSettingsWindow* sourceWindow = topLevel<ProviderSettingsWindow>();
    ASSERT_NE(sourceWindow, nullptr);
    EXPECT_TRUE(sourceWindow->isVisible());
    EXPECT_EQ(sourceWindow->providerSettingsProvider(), Provider::openAI);
    EXPECT_EQ(SettingsStore().intValue("provider", -1), rawValue(Provider::openAI));
    EXPECT_EQ(SettingsStore().intValue("firstRun.providerChoice", -9), 1);
    sourceWindow->doneButton()->click();
    EXPECT_FALSE(firstRunGuidePending(SettingsStore()));

    delegate.openSettingsCenter();
    SettingsCenterWindow* settings = topLevel<SettingsCenterWindow>();
    ASSERT_NE(settings, nullptr);

    // The tray icon's setting still stores; without a tray, closing quits either way, and the
    // status line does not repeat itself.
    auto* trayBox = settings->findChild<QCheckBox*>("menuBarIconEnabled");
    ASSERT_NE(trayBox, nullptr);
    ASSERT_TRUE(trayBox->isChecked());
    topLevel<MainWindow>()->setStatusText("准备就绪");
    trayBox->click();
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_FALSE(SettingsStore().boolValue("menuBarIconEnabled", true));
    trayBox->click();
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "准备就绪");

    // Closing the main window, the last one open, really ends the program's event loop.
    settings->close();
    bool quit = false;
    const auto connection = QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quit = true; });
    QTimer::singleShot(0, &(*topLevel<MainWindow>()), [&] { topLevel<MainWindow>()->close(); });
    QTimer safetyNet;  // ends a loop that would otherwise run for ever; never the expected way out
    safetyNet.setSingleShot(true);
    QObject::connect(&safetyNet, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    safetyNet.start(3000);
    const int status = QCoreApplication::exec();
    safetyNet.stop();
    QObject::disconnect(connection);
    EXPECT_TRUE(quit);
    EXPECT_EQ(status, 0);
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, ANewcomerPastesAKeyPicksAModelAndTestsTheConnection) {
    service.requireKey("sk-newcomer");
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();

    // The source configuration is reached from the application menu.
    QAction* configure = menuItem(QStringLiteral("配置当前引擎…"));
    ASSERT_NE(configure, nullptr);
    configure->trigger();
    ProviderSettingsWindow* window = topLevel<ProviderSettingsWindow>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->providerSettingsProvider(), Provider::sakura);  // the current source

    window->providerPopup()->setCurrentIndex(window->providerPopup()->findData(rawValue(Provider::openAI)));
    ASSERT_EQ(window->providerSettingsProvider(), Provider::openAI);
    window->endpointField()->setText(service.baseUrl() + QStringLiteral("/v1/responses"));

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
    EXPECT_EQ(topLevel<ProviderSettingsWindow>(), window);
    EXPECT_TRUE(window->isVisible());
    window->doneButton()->click();
    delegate.providerChanged(Provider::openAI);
    EXPECT_EQ(SettingsStore().stringValue("model.1"), "gpt-4o-mini");
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, TheSettingsWindowOpensEveryTranslationWindowOnceAndKeepsIt) {
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    delegate.openSettingsCenter();
    SettingsCenterWindow* settings = topLevel<SettingsCenterWindow>();
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(settings->showPage(QStringLiteral("翻译")));

    const QList<std::pair<QString, std::function<QWidget*()>>> buttons = {
        {QStringLiteral("openProviderSettings"), [&] { return static_cast<QWidget*>(topLevel<ProviderSettingsWindow>()); }},
        {QStringLiteral("openAILocalizationSettings"), [&] { return static_cast<QWidget*>(topLevel<AILocalizationWindow>()); }},
        {QStringLiteral("openTranslationSettings"), [&] { return static_cast<QWidget*>(topLevel<TranslationParametersWindow>()); }},
        {QStringLiteral("openProviderManager"), [&] { return static_cast<QWidget*>(topLevel<ProviderManagerWindow>()); }},
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
        screenshot("desktop-" + name + ".png");
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
    ASSERT_TRUE(topLevel<AILocalizationWindow>()->isVisible());
    settings->findChild<QPushButton*>(QStringLiteral("applyProfile"))->click();
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), QStringLiteral("已切换配置：周末存档"));
    EXPECT_FALSE(topLevel<AILocalizationWindow>()->isVisible());
    EXPECT_FALSE(topLevel<ProviderSettingsWindow>()->isVisible());
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, AfterAFallbackEveryViewShowsTheSourceInUse) {
    // Sakura fails with a passing server error; Groq, not even enabled yet, takes over.
    ASSERT_TRUE(SettingsStore().setBool("automaticFallbackEnabled", true));
    ASSERT_TRUE(SettingsStore().setInt("fallbackProvider", rawValue(Provider::groq)));
    ASSERT_TRUE(SettingsStore().setString("endpoint.22", service.baseUrl() + "/openai/v1/chat/completions"));
    ASSERT_TRUE(LocalCredentialStore::save("gsk-test", ProviderCatalogue::credentialAccount(Provider::groq)));
    fake::ScriptedReply unavailable;
    unavailable.status = 503;
    for (int i = 0; i < 3; ++i) service.enqueue(fake::Route::chatCompletions, unavailable);

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    ASSERT_EQ(topLevel<MainWindow>()->shownProvider(), Provider::sakura);
    delegate.toggleClipboardMonitoring();
    ASSERT_TRUE(parts.modes.clipboard().clipboardMonitoringEnabled());
    QGuiApplication::clipboard()->setText("助けてください。");
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() == 1; }, 15000));
    ASSERT_EQ(parts.pipeline.panelLines().first().provider, ProviderCatalogue::title(Provider::groq));

    // The main window's pop-up and note, the application menu and the tray's list all name Groq.
    EXPECT_EQ(topLevel<MainWindow>()->shownProvider(), Provider::groq);
    QAction* groqItem = menuItem(ProviderCatalogue::title(Provider::groq));
    ASSERT_NE(groqItem, nullptr) << "the fallback source is missing from the menu";
    EXPECT_TRUE(groqItem->isChecked());
    const auto trayItems = StatusMenuPresentation::providerItems(parts.pipeline.selection());
    const auto checked = std::find_if(trayItems.begin(), trayItems.end(), [](const auto& item) { return item.checked; });
    ASSERT_NE(checked, trayItems.end());
    EXPECT_EQ(checked->provider, Provider::groq);
    EXPECT_TRUE(AppLogger::shared().combinedText().contains("已切换到备用翻译源：Groq（API）"));
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, TheErrorDetailsOpenTheHelpAndTheContextResetKeepsTheSavedHistory) {
    fake::ScriptedReply refused;
    refused.status = 400;
    refused.body = R"({"error":{"message":"bad request"}})";
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    delegate.toggleClipboardMonitoring();
    QGuiApplication::clipboard()->setText("お茶をどうぞ。");
    ASSERT_TRUE(waitUntil([&] { return parts.pipeline.panelLines().size() == 1; }, 5000));
    service.enqueue(fake::Route::chatCompletions, refused);
    QGuiApplication::clipboard()->setText("もう一杯いかが。");
    ASSERT_TRUE(waitUntil([&] { return !parts.session.lastErrorMessage().isEmpty(); }, 5000));

    // "打开使用帮助" in the error details brings up the help, next to the program.
    QString detailsTitle;
    QTimer::singleShot(500, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        detailsTitle = box->windowTitle();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "打开使用帮助") button->click();
    });
    QTimer::singleShot(5000, [] {  // never leave a test hanging on a box nobody answers
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    delegate.showLastErrorDetails();
    EXPECT_EQ(detailsTitle, "Ovisu错误详情");
    const auto windows = QApplication::topLevelWidgets();
    const auto help = std::find_if(windows.begin(), windows.end(), [](QWidget* window) {
        return window->isVisible() && window->windowTitle() == "使用帮助与 API 排错";
    });
    ASSERT_NE(help, windows.end()) << "the help did not open";
    (*help)->close();

    // The source menu resets the context: the lines on screen go, the saved history stays.
    QAction* reset = menuItem("重置翻译上下文");
    ASSERT_NE(reset, nullptr);
    reset->trigger();
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "翻译上下文已重置，保存的历史记录未删除");
    EXPECT_TRUE(parts.pipeline.panelLines().isEmpty());
    ASSERT_TRUE(waitUntil([] {
        QFile saved(TranslationHistoryStore::defaultFilePath());
        return saved.open(QIODevice::ReadOnly) && QString::fromUtf8(saved.readAll()).contains("お茶をどうぞ。");
    }, 5000)) << "the saved history lost the line";
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, HotKeysHeldByAnotherProgramAreNamed) {
    // Another program got there first and holds all three combinations.
    const auto other = X11GlobalHotKeys::connect();
    ASSERT_NE(other, nullptr);
    other->configure(true);
    ASSERT_EQ(other->registeredCount(), 3);

    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    const QString taken = "快捷键 Ctrl+Shift+P、Ctrl+Shift+H、Ctrl+Shift+R 已被其他程序占用";
    EXPECT_TRUE(topLevel<MainWindow>()->statusText().contains(taken)) << topLevel<MainWindow>()->statusText().toStdString();
    EXPECT_TRUE(AppLogger::shared().combinedText().contains(taken));
    EXPECT_EQ(parts.hotKeys->registeredCount(), 0);

    // Once the other program lets go, turning the keys on again takes them and names nothing.
    other->unregisterGlobalHotKeys();
    topLevel<MainWindow>()->setStatusText("准备就绪");
    delegate.configureGlobalHotKeys();
    EXPECT_EQ(parts.hotKeys->registeredCount(), 3);
    EXPECT_EQ(topLevel<MainWindow>()->statusText(), "准备就绪");
    delegate.applicationWillTerminate();
}

TEST_F(DesktopProgramTest, NoTextNamesAnotherPlatform) {
    DesktopComponents parts;
    AppDelegate delegate(parts);
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(parts.pipeline.selection().providerVisibilityChanged(Provider::systemTranslation, true) ==
                ProviderSelection::VisibilityChange::applied);
    delegate.translationSourcesChanged();
    delegate.selectProvider(Provider::systemTranslation);
    EXPECT_EQ(topLevel<MainWindow>()->shownProvider(), Provider::systemTranslation);
    EXPECT_EQ(ProviderCatalogue::title(Provider::systemTranslation), "系统翻译（本地）");
    EXPECT_TRUE(ProviderCatalogue::note(Provider::systemTranslation).contains("没有内置的翻译功能"));

    // Every window the player can open from the settings, on every page.
    delegate.openSettingsCenter();
    SettingsCenterWindow* settings = topLevel<SettingsCenterWindow>();
    ASSERT_NE(settings, nullptr);
    for (const QString& page : settings->pageTitles()) ASSERT_TRUE(settings->showPage(page));
    delegate.openProviderSettings();
    delegate.openProviderManager();
    delegate.openAILocalizationSettings();
    delegate.openTranslationSettings();
    spin(200);

    QStringList texts;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->isWindow()) texts << widget->windowTitle();
        texts << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* box = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
        for (QAction* action : widget->actions()) texts << action->text();
    }
    texts << settings->pageTitles();
    for (const QString& text : texts)
        for (const char* word : {"菜单栏", "Apple", "macOS", "访达", "程序坞"})
            EXPECT_FALSE(text.contains(QString::fromUtf8(word))) << text.toStdString();
    EXPECT_TRUE(settings->pageTitles().contains("快捷键与系统托盘"));
    delegate.applicationWillTerminate();
}

namespace {

// The real program, started on the private display in the test's home.
class RunningOvisu {
public:
    RunningOvisu() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("OVISU_HOT_KEYS", "null");  // the keys belong to no one but the test
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(OVISU_BINARY), {});
    }
    ~RunningOvisu() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.kill();
        m_process.waitForFinished(3000);
    }

    // The main window's X identifier once it is on screen; 0 when it never came.
    quint32 waitForMainWindow() {
        const auto capture = makeWindowCapture();
        quint32 found = 0;
        waitUntil(
            [&] {
                const auto windows = capture->listWindows();
                if (!windows) return false;
                for (const PlatformWindow& window : *windows)
                    if (window.isOnScreen && window.title == "Ovisu" && window.processID == m_process.processId())
                        found = window.windowID;
                return found != 0;
            },
            15000);
        return found;
    }

    // A key on the main window, as the player types it there.
    // (The floating panel may stand in front of it, so the activation is not waited for.)
    bool type(quint32 window, const QString& keys) {
        if (!runOnDisplay("xdotool", {"windowactivate", QString::number(window)})) return false;
        spin(300);
        return runOnDisplay("xdotool", {"key", "--clearmodifiers", keys});
    }

    bool waitForExit(int milliseconds) {
        return waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, milliseconds);
    }
    int exitCode() const { return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1; }
    QString output() { return QString::fromUtf8(m_process.readAll()); }

private:
    QProcess m_process;
};

QString programLog() {
    QString text;
    for (const QFileInfo& file : QDir(paths::logFolder()).entryInfoList(QDir::Files, QDir::Name)) {
        QFile log(file.filePath());
        if (log.open(QIODevice::ReadOnly)) text += QString::fromUtf8(log.readAll());
    }
    return text;
}

}  // namespace

TEST_F(DesktopProgramTest, WhatTheFirstRunSetIsRightInTheNextRun) {
    // The player left the program in interface mode.
    ASSERT_TRUE(SettingsStore().setInt("translationMode", 1));

    {
        RunningOvisu first;
        const quint32 window = first.waitForMainWindow();
        ASSERT_NE(window, 0u) << first.output().toStdString();
        ASSERT_TRUE(waitUntil([] { return programLog().contains("翻译模式：界面模式；剪贴板监听：关闭"); }, 5000))
            << programLog().toStdString();
        // The player turns the clipboard mode on from the menu and quits with Ctrl+Q.
        ASSERT_TRUE(first.type(window, "ctrl+shift+l"));
        ASSERT_TRUE(waitUntil([] { return SettingsStore().boolValue("clipboardMonitoringEnabled", false); }, 5000));
        ASSERT_TRUE(first.type(window, "ctrl+q"));
        ASSERT_TRUE(first.waitForExit(10000)) << "Ctrl+Q did not quit";
        EXPECT_EQ(first.exitCode(), 0) << first.output().toStdString();
    }
    EXPECT_TRUE(SettingsStore().boolValue("clipboardMonitoringEnabled", false)) << "quitting switched the mode off";
    EXPECT_TRUE(programLog().contains("[app] 应用退出"));

    RunningOvisu second;
    const quint32 window = second.waitForMainWindow();
    ASSERT_NE(window, 0u) << second.output().toStdString();
    // It starts in interface mode again, listening to the clipboard: a copied line reaches the source.
    ASSERT_TRUE(waitUntil([] { return programLog().count("翻译模式：") == 2; }, 5000));
    EXPECT_TRUE(programLog().contains("翻译模式：界面模式；剪贴板监听：开启")) << programLog().toStdString();
    QGuiApplication::clipboard()->setText("おはようございます。");
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() >= 1; }, 10000)) << programLog().toStdString();
    EXPECT_EQ(sentTexts(service), QStringList{"おはようございます。"});
    ASSERT_TRUE(second.type(window, "ctrl+q"));
    ASSERT_TRUE(second.waitForExit(10000));
    EXPECT_TRUE(SettingsStore().boolValue("clipboardMonitoringEnabled", false));
}
