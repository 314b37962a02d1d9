#pragma once

#include <QList>
#include <QPoint>
#include <QRectF>
#include <QProcess>
#include <QString>

#include <functional>
#include <memory>

namespace ovisu::test {

// One line the game finished revealing (its typewriter reached the end), as the game itself
// reported it, with the game's wall-clock time in seconds.
struct ShownLine {
    QString text;
    QString kind;  // "say" in the box, "nvl" on a full-screen page
    double time = 0;
};

// Ren'Py's tutorial game in Japanese, our real game: a private copy of Debian's Ren'Py tree with
// the fix it needs on Python 3.11, playing one of the stretches of tests/support/renpy. It runs on
// the current DISPLAY (the tests' own Xvfb) and reports every fully shown line to a log that the
// tests read as the truth of what a player saw.
class RenpyTutorial {
public:
    struct Options {
        // A label of tests/support/renpy; "ovisu_main_menu" stays on the tutorial's main menu.
        QString stretch = QStringLiteral("ovisu_e2e");
        int charactersPerSecond = 40;
        QString logPath;  // where the game writes its lines; required
    };

    static constexpr int windowWidth = 1280;
    static constexpr int windowHeight = 720;
    static QString windowTitle() { return QStringLiteral("Ren'Py Tutorial Game"); }
    // The subtitle region of the box: its text lines, between the name plate and the quick menu
    // (fractions of the window, top-left origin).
    static QRectF dialogueRegionRect() { return {0.19, 0.805, 0.63, 0.16}; }
    static QString dialogueRegion() { return QStringLiteral("0.19,0.805,0.63,0.16"); }  // as the command line takes it

    explicit RenpyTutorial(Options options);
    ~RenpyTutorial();
    RenpyTutorial(const RenpyTutorial&) = delete;
    RenpyTutorial& operator=(const RenpyTutorial&) = delete;

    // Prepares the copy (once per build tree) and starts the game; waits until its window shows
    // the first line (or, for the main-menu stretch, the menu). An empty string on success, else
    // why it could not.
    QString start(int timeoutMs = 180000);
    quint32 windowId() const { return m_windowId; }

    QList<ShownLine> shownLines() const;
    bool finished() const;
    // The main-menu stretch has its menu up.
    bool screenShown() const;
    // Plays the stretch to its end: `holdMs` after each line was fully shown it clicks the box
    // (or the first choice of a menu), as a reader would. `shown` runs for each line as it is
    // reported (the hold counts from its return). False when the stretch did not end in time.
    bool play(int holdMs, int timeoutMs, const std::function<void(const ShownLine&)>& shown = {});

    void click(QPoint windowPoint) const;
    // A click on the box: the next line, as a reader asks for it.
    void advance() const;

private:
    QList<QByteArray> logEvents() const;
    static ShownLine shownLineOf(const QByteArray& event);

    Options m_options;
    std::unique_ptr<QProcess> m_game;
    QString m_home;
    quint32 m_windowId = 0;
};

}  // namespace ovisu::test
