// Interface labels over a real game window on the private X server: what the player does with
// the mouse and the Alt key, what the game still receives, and where the labels land.

#include "app/DesktopComponents.h"
#include "app/ui/AppDelegate.h"
#include "app/ui/MainWindow.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "desktop/DesktopTestSupport.h"
#include "desktop/TopLevelWindows.h"
#include "interface/InterfacePanelPlacement.h"
#include "interface/ui/InterfaceLabelWindow.h"
#include "interface/ui/InterfaceTranslationCenterWindow.h"
#include "interface/ui/UICacheManagerWindow.h"
#include "interface/ui/UIDictionaryEditorWindow.h"
#include "interface/ui/UIRegionEditorWindow.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestGameMenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

namespace {

const QString kMenuTitle = QStringLiteral("Label Menu Game");

InterfaceLabelWindow* labelReading(const QString& source) {
    for (InterfaceLabelWindow* label : visibleInterfaceLabels())
        if (label->source() == source) return label;
    return nullptr;
}

// A click of the pointer at a point of the screen in device pixels, as the player's mouse does it.
bool clickAt(QPoint devicePoint, int repeat = 1) {
    return runOnDisplay("xdotool", {"mousemove", QString::number(devicePoint.x()), QString::number(devicePoint.y()),
                                    "click", "--repeat", QString::number(repeat), "--delay", "120", "1"});
}

// Clicks the button of a window that reads the title.
void clickButton(QWidget* window, const QString& title) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == title) {
            button->click();
            return;
        }
    ADD_FAILURE() << "no button " << title.toStdString();
}

class InterfaceLabelsOverGameTest : public DesktopFixture {
protected:
    // The program started on the menu game in interface mode, running, every title text answered.
    struct Running {
        DesktopComponents parts;
        AppDelegate delegate{parts};
        quint32 gameWindow = 0;
    };

    static void startOnMenu(Running& app) {
        app.delegate.applicationDidFinishLaunching();
        const auto& targets = app.parts.modes.targets();
        int index = -1;
        for (int i = 0; i < targets.size(); ++i)
            if (targets[i].scWindow.title == kMenuTitle) index = i;
        ASSERT_GE(index, 0);
        app.delegate.targetChanged(index);
        app.gameWindow = targets[index].windowID();
        app.delegate.translationModeChanged(TranslationMode::interface);
        app.delegate.primaryAction();
        ASSERT_TRUE(app.parts.interfaceMode.session().isRunning());
        topLevel<MainWindow>()->hide();  // the player looks at the game
        waitForAnswers(app, int(TestGameMenu::titleScreenTexts().size()));
    }

    static void waitForAnswers(Running& app, int count) {
        InterfaceSession& session = app.parts.interfaceMode.session();
        ASSERT_TRUE(waitUntil([&] { return app.parts.interfacePanels.panelCount() >= count && !session.hasPendingTranslations(); },
                              60000))
            << app.parts.interfacePanels.panelCount() << " panels; " << session.lastErrorMessage().toStdString();
        spin(300);
    }

    // The dialog is modal: it is answered from the event loop it runs, once it shows.
    static void answerCorrectionWith(QTimer& answer, const QString& typed, bool& answered) {
        QObject::connect(&answer, &QTimer::timeout, [&answer, typed, &answered] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(widget);
                    dialog && dialog->isVisible() && dialog->windowTitle() == "永久修正界面译文") {
                    answer.stop();
                    answered = true;
                    screenshot("interface-correction-dialog.png");
                    dialog->findChild<QLineEdit*>()->setText(typed);
                    dialog->accept();
                }
        });
        answer.start(100);
    }

};

}  // namespace

// Labels let every click through to the game; while Alt is held they take the mouse, and an
// Alt-double-click opens the permanent correction, which outlives the program. In the covering
// style the labels sit over the words, and a new screen of the game takes the old labels away.
TEST_F(InterfaceLabelsOverGameTest, AltDoubleClickCorrectsAPlainClickReachesTheGameAndCoveringLabelsCoverTheWords) {
    TestGame game(TestGame::MenuScreens{}, kMenuTitle);
    ASSERT_TRUE(game.waitUntilListed(10000));
    {
        Running app;
        startOnMenu(app);
        screenshot("interface-labels-beside.png");
        InterfaceLabelWindow* quit = labelReading("終了");
        ASSERT_NE(quit, nullptr);
        const QPoint quitCentre = quit->geometry().center();

        QTimer answer;
        bool answered = false;
        answerCorrectionWith(answer, "退出游戏", answered);
        ASSERT_TRUE(runOnDisplay("xdotool", {"keydown", "alt"}));
        spin(400);  // the held key is noticed within a tenth of a second
        ASSERT_TRUE(clickAt(quitCentre, 2));
        const bool corrected = waitUntil([&] { return answered && quit->isManuallyCorrected(); }, 5000);
        ASSERT_TRUE(runOnDisplay("xdotool", {"keyup", "alt"}));
        ASSERT_TRUE(corrected) << "an Alt-double-click on the label did not open the correction";
        EXPECT_EQ(quit->translation(), "退出游戏");
        EXPECT_EQ(game.log().count("menu-page"), 1) << "the game received the Alt-double-click";
        // A compositor is asked for the shadow the settings want.
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(quit->winId()), "_COMPTON_SHADOW"});
        ASSERT_TRUE(xprop.waitForFinished(5000));
        EXPECT_TRUE(xprop.readAll().contains("_COMPTON_SHADOW(CARDINAL) = 1"));
        app.delegate.applicationWillTerminate();
    }

    // Started again: the correction answers at once and is marked as one.
    Running app;
    startOnMenu(app);
    InterfaceLabelWindow* quit = labelReading("終了");
    ASSERT_NE(quit, nullptr);
    EXPECT_TRUE(quit->isManuallyCorrected());
    EXPECT_EQ(quit->translation(), "退出游戏");

    // The player drags the game elsewhere: the labels follow within a few captures.
    const QRect before = quit->geometry();
    const auto gameAt = app.parts.capture->windowFrame(app.gameWindow);
    ASSERT_TRUE(gameAt);
    ASSERT_TRUE(runOnDisplay("xdotool", {"search", "--name", kMenuTitle, "windowmove", QString::number(gameAt->x() + 40),
                                        QString::number(gameAt->y() + 30)}));
    EXPECT_TRUE(waitUntil([&] { return quit->geometry().topLeft() == before.topLeft() + QPoint(40, 30); }, 10000))
        << rectText(before) << " -> " << rectText(quit->geometry());

    // The covering style from the interface centre: every label lies over its own word.
    app.delegate.openInterfaceTranslationCenter();
    InterfaceTranslationCenterWindow* centre = topLevel<InterfaceTranslationCenterWindow>();
    ASSERT_NE(centre, nullptr);
    clickButton(centre, "中文原位覆盖");
    EXPECT_EQ(SettingsStore().intValue(SettingsKeys::interfaceOverlayStyle, 0), 1);
    screenshot("interface-centre.png");

    // The centre's way to the stores: the correction made before the restart is listed, a
    // dictionary term typed in shows in the editor.
    clickButton(centre, "查看缓存与修正…");
    UICacheManagerWindow* cache = topLevel<UICacheManagerWindow>();
    ASSERT_NE(cache, nullptr);
    EXPECT_TRUE(cache->textView()->toPlainText().contains("[永久人工修正]"));
    EXPECT_TRUE(cache->textView()->toPlainText().contains("译文：退出游戏"));
    screenshot("interface-cache-manager.png");
    cache->hide();
    ASSERT_TRUE(app.parts.interfaceMode.storedTranslations()
                    .addDictionaryEntry("環境設定", "系统设置", UIElementKind::menu)
                    .changed);
    clickButton(centre, "UI 固定词典…");
    UIDictionaryEditorWindow* dictionary = topLevel<UIDictionaryEditorWindow>();
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->table()->rowCount(), 1);
    screenshot("interface-dictionary-editor.png");
    dictionary->hide();
    clickButton(centre, "编辑 UI 区域…");
    UIRegionEditorWindow* regions = topLevel<UIRegionEditorWindow>();
    ASSERT_NE(regions, nullptr);
    EXPECT_TRUE(regions->isVisible());
    screenshot("interface-region-editor.png");
    regions->hide();
    centre->hide();
    spin(300);
    const auto gameFrame = app.parts.capture->windowFrame(app.gameWindow);
    ASSERT_TRUE(gameFrame);
    for (const UIOCRTextBlock& block : app.parts.interfaceMode.session().interfaceBlocks()) {
        const InterfaceLabelWindow* label = labelReading(block.text);
        if (!label) continue;  // a block the kinds or the words test left out
        const QRect word = InterfacePanelPlacement::blockOnScreen(QRectF(*gameFrame), block.normalizedRect).toAlignedRect();
        EXPECT_TRUE(label->geometry().intersects(word))
            << block.text.toStdString() << ": label " << rectText(label->geometry()) << " word " << rectText(word);
    }
    screenshot("interface-labels-covering.png");

    // A plain click on a label reaches the game, which turns to its settings page; the labels of
    // the title screen go and those of the new page come.
    const InterfaceLabelWindow* start = labelReading("はじめから");
    ASSERT_NE(start, nullptr);
    ASSERT_TRUE(clickAt(start->geometry().center()));
    ASSERT_TRUE(waitUntil([&] { return game.log().contains("\"page\":1"); }, 5000)) << game.log().toStdString();
    ASSERT_TRUE(waitUntil([&] { return labelReading("文字の速さ") != nullptr && labelReading("はじめから") == nullptr; },
                          60000));
    for (const InterfaceLabelWindow* label : visibleInterfaceLabels())
        EXPECT_FALSE(TestGameMenu::titleMenuWords().contains(label->source())) << label->source().toStdString();
    app.delegate.applicationWillTerminate();
}

// At a scale factor of 2 X11 gives the game's frame in device pixels and Qt places windows in
// logical ones: a covering label must still lie over its word. Qt reads the scale once per
// process, so the test runs itself again in a process started at scale 2.
TEST_F(InterfaceLabelsOverGameTest, AtScaleTwoCoveringLabelsLieOverTheirWords) {
    if (!continuesAtScaleTwo("InterfaceLabelsOverGameTest.AtScaleTwoCoveringLabelsLieOverTheirWords")) return;
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    ASSERT_TRUE(SettingsStore().setInt(SettingsKeys::interfaceOverlayStyle, 1));
    TestGame game(TestGame::MenuScreens{}, kMenuTitle);
    ASSERT_TRUE(game.waitUntilListed(10000));
    Running app;
    startOnMenu(app);
    const auto gameFrame = app.parts.capture->windowFrame(app.gameWindow);
    ASSERT_TRUE(gameFrame);
    int checked = 0;
    for (const UIOCRTextBlock& block : app.parts.interfaceMode.session().interfaceBlocks()) {
        const InterfaceLabelWindow* label = labelReading(block.text);
        if (!label) continue;
        const QRectF device = InterfacePanelPlacement::blockOnScreen(QRectF(*gameFrame), block.normalizedRect);
        const QRect word = QRectF(device.topLeft() / 2, device.size() / 2).toAlignedRect();
        // From the word's left edge, over all of it (to within the pixel an odd device
        // coordinate loses when halved).
        EXPECT_LE(std::abs(label->geometry().left() - word.left()), 2) << rectText(label->geometry()) << " " << rectText(word);
        EXPECT_TRUE(label->geometry().adjusted(-2, -2, 2, 2).contains(word)) << rectText(label->geometry()) << " " << rectText(word);
        ++checked;
    }
    EXPECT_GE(checked, int(TestGameMenu::titleMenuWords().size()));
    screenshot("interface-labels-scale2.png");
    app.delegate.applicationWillTerminate();
}
