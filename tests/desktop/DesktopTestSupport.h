#pragma once

#include "support/fake/FakeService.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace ovisu::test {

// The test game on the private X server, playing a script, with its log.
class TestGame {
public:
    // holdMilliseconds 0: each page stays until the game is clicked.
    TestGame(const QStringList& lines, const QString& title, int holdMilliseconds);
    ~TestGame();
    bool waitUntilListed(int milliseconds);
    QString log() const;
    QString title() const { return m_title; }

private:
    QProcess m_process;
    QString m_title;
    QString m_logPath;
};

// The text of a chat request's last user line: what was sent for translation.
QString sentText(const fake::RecordedRequest& request);
QStringList sentTexts(const fake::FakeService& service);

// Runs a command line tool on the private display (xdotool, for keys and clicks).
bool runOnDisplay(const QString& program, const QStringList& arguments);

}  // namespace ovisu::test
