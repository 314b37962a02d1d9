#include "support/RenpyTutorial.h"

#include "support/EventLoopWait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>

namespace ovisu::test {
namespace {

// Debian's interpreter: Ren'Py's modules are built for it, not for any other python3 on PATH.
const QString kPython = QStringLiteral("/usr/bin/python3");

QString run(const QString& program, const QStringList& arguments, int timeoutMs, QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) return program + QStringLiteral(" did not start: ") + process.errorString();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return program + QStringLiteral(" did not finish in time");
    }
    const QByteArray all = process.readAll();
    if (output) *output = all;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromUtf8(all).trimmed();
    return {};
}

// The first choice of a menu in the tutorial's layout (a 1280 x 720 window): choices are centred,
// the first one sits a third of the way down.
constexpr QPoint kFirstChoice{640, 247};
// The middle of the dialogue box, clear of the quick menu under it.
constexpr QPoint kBox{640, 610};
// A click a transition swallowed is repeated when no new line shows for this long.
constexpr int kRepeatClickMs = 6000;

}  // namespace

RenpyTutorial::RenpyTutorial(Options options) : m_options(std::move(options)) {}

RenpyTutorial::~RenpyTutorial() {
    if (!m_game) return;
    m_game->terminate();
    if (!m_game->waitForFinished(5000)) {
        m_game->kill();
        m_game->waitForFinished(2000);
    }
    if (!m_home.isEmpty()) QDir(m_home).removeRecursively();
}

QString RenpyTutorial::start(int timeoutMs) {
    const QString copy = QStringLiteral(OVISU_RENPY_COPY_DIR);
    const QString prepared =
        run(kPython,
            {QStringLiteral(OVISU_RENPY_SUPPORT_DIR "/prepare_tutorial.py"), copy, QStringLiteral("--cps"),
             QString::number(m_options.charactersPerSecond)},
            120000);
    if (!prepared.isEmpty()) return prepared;
    // Saves and persistent data live beside the game; a fresh start must not remember a last run.
    QDir(copy + QStringLiteral("/demo/game/saves")).removeRecursively();
    QFile::remove(m_options.logPath);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/ovisu-renpy-home-XXXXXX"));
    home.setAutoRemove(false);
    m_home = home.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home);
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("OVISU_RENPY_LOG"), m_options.logPath);
    environment.insert(QStringLiteral("OVISU_RENPY_STRETCH"), m_options.stretch);
    m_game = std::make_unique<QProcess>();
    m_game->setProcessEnvironment(environment);
    m_game->setProcessChannelMode(QProcess::MergedChannels);
    m_game->setStandardOutputFile(m_home + QStringLiteral("/renpy-output.txt"));
    m_game->start(kPython, {copy + QStringLiteral("/renpy.py"), copy + QStringLiteral("/demo")});
    if (!m_game->waitForStarted(5000)) return QStringLiteral("Ren'Py did not start: ") + m_game->errorString();

    // The first start compiles every script of the tutorial, which takes a while.
    const bool shown = pollUntil(
        [&] { return !shownLines().isEmpty() || screenShown() || m_game->state() != QProcess::Running; }, timeoutMs);
    if (m_game->state() != QProcess::Running) {
        QFile output(m_home + QStringLiteral("/renpy-output.txt"));
        output.open(QIODevice::ReadOnly);
        return QStringLiteral("Ren'Py stopped: ") + QString::fromUtf8(output.readAll().right(2000));
    }
    if (!shown) return QStringLiteral("Ren'Py showed no line or screen in time");
    // The window's class is the interpreter's; on the tests' own display it is the only one.
    QByteArray found;
    if (const QString error = run(QStringLiteral("xdotool"), {"search", "--class", "python"}, 10000, &found);
        !error.isEmpty())
        return QStringLiteral("the game's window was not found: ") + error;
    m_windowId = found.trimmed().split('\n').constLast().toUInt();
    return m_windowId ? QString() : QStringLiteral("the game's window was not found");
}

QList<QByteArray> RenpyTutorial::logEvents() const {
    QFile log(m_options.logPath);
    if (!log.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> events;
    for (const QByteArray& line : log.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) events.append(line);
    return events;
}

ShownLine RenpyTutorial::shownLineOf(const QByteArray& event) {
    const QJsonObject object = QJsonDocument::fromJson(event).object();
    return {object.value(QStringLiteral("text")).toString(), object.value(QStringLiteral("kind")).toString(),
            object.value(QStringLiteral("time")).toDouble()};
}

QList<ShownLine> RenpyTutorial::shownLines() const {
    QList<ShownLine> lines;
    for (const QByteArray& event : logEvents())
        if (event.contains("\"shown\"")) lines.append(shownLineOf(event));
    return lines;
}

bool RenpyTutorial::screenShown() const {
    const QList<QByteArray> events = logEvents();
    return std::any_of(events.begin(), events.end(),
                       [](const QByteArray& event) { return event.contains("\"event\": \"screen\""); });
}

bool RenpyTutorial::finished() const {
    const QList<QByteArray> events = logEvents();
    return !events.isEmpty() && events.constLast().contains("\"finished\"");
}

void RenpyTutorial::click(QPoint windowPoint) const {
    // xdotool moves and clicks through XTest, as a real mouse would.
    run(QStringLiteral("xdotool"),
        {"mousemove", "--window", QString::number(m_windowId), QString::number(windowPoint.x()),
         QString::number(windowPoint.y()), "click", "1"},
        10000);
}

void RenpyTutorial::advance() const { click(kBox); }

bool RenpyTutorial::play(int holdMs, int timeoutMs, const std::function<void(const ShownLine&)>& shown) {
    QElapsedTimer total;
    total.start();
    qsizetype handledEvents = 0;
    QElapsedTimer sinceEvent;
    sinceEvent.start();
    bool menuPending = false;
    bool lineWaiting = false;
    while (!finished()) {
        if (total.elapsed() > timeoutMs || !m_game || m_game->state() != QProcess::Running) return false;
        const QList<QByteArray> events = logEvents();
        for (; handledEvents < events.size(); ++handledEvents) {
            const QByteArray& event = events[handledEvents];
            if (event.contains("\"menu\"")) menuPending = true;
            if (event.contains("\"shown\"")) {
                if (shown) shown(shownLineOf(event));
                lineWaiting = true;
                sinceEvent.restart();
            }
        }
        if (lineWaiting && sinceEvent.elapsed() >= holdMs) {
            click(menuPending ? kFirstChoice : kBox);
            menuPending = false;
            lineWaiting = false;
            sinceEvent.restart();
        } else if (!lineWaiting && sinceEvent.elapsed() >= kRepeatClickMs) {
            advance();
            sinceEvent.restart();
        }
        QThread::msleep(50);
    }
    return true;
}

}  // namespace ovisu::test
