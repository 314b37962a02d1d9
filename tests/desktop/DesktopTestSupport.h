#pragma once

#include "support/fake/FakeService.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

}  // namespace ovisu::test
