#pragma once

#include "support/fake/FakeService.h"

#include <QProcess>
#include <QRect>
#include <QWidget>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace ovisu {
class InterfaceLabelWindow;
}

namespace ovisu::test {

// The test game on the private X server, playing a script, with its log.
class TestGame {
public:
    // holdMilliseconds 0: each page stays until the game is clicked.
    TestGame(const QStringList& lines, const QString& title, int holdMilliseconds);
    // The game's menu screens instead of dialogue.
    struct MenuScreens {};
    TestGame(MenuScreens, const QString& title);
    ~TestGame();
    bool waitUntilListed(int milliseconds);
    QString log() const;
    QString title() const { return m_title; }

private:
    void start(const QStringList& arguments);

    QProcess m_process;
    QString m_title;
    QString m_logPath;
};

// The dialogue game's subtitle box over a frame of its window, in the frame's pixels.
QRect subtitleBox(const QRect& gameFrame);
// Marks the subtitle box by dragging over the picker's still of the game, as the player does.
void dragSubtitleBox(QWidget* picker);
// The game chosen and its subtitle box marked, as a returning player has them.
void rememberGameAndSubtitleBox(const QString& gameTitle);

// The interface labels on the screen now.
QList<InterfaceLabelWindow*> visibleInterfaceLabels();

// The text of a chat request's last user line: what was sent for translation.
QString sentText(const fake::RecordedRequest& request);
QStringList sentTexts(const fake::FakeService& service);

// Three lines of Japanese dialogue for the test game.
extern const QStringList kDialogueScript;

// The desktop program's settings for a test: the source is Sakura on the fake service, and the
// first-run guide has been answered, except where a test asks for it.
class DesktopFixture : public ::testing::Test {
protected:
    fake::FakeService service;
    void SetUp() override;
};

// Qt reads the scale factor once per process, so a test that needs a scale of 2 runs itself again
// in a child process started at that scale. True in that child, where the test goes on (the
// game it starts then draws at the server's pixels); in the parent it runs the child, reports its
// failures and answers false.
bool continuesAtScaleTwo(const QString& testName);

// Runs a command line tool on the private display (xdotool, for keys and clicks).
bool runOnDisplay(const QString& program, const QStringList& arguments);

// The whole screen into the folder OVISU_SCREENSHOT_DIR names, when it names one: for the eye only.
void screenshot(const QString& name);

// "x,y wxh", for failure messages.
std::string rectText(const QRect& rect);

}  // namespace ovisu::test
