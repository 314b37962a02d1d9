// A small stand-in for a visual novel: a picture-like background, a translucent dialogue box with
// a name plate and a page mark, and Japanese lines revealed character by character. It logs what
// it shows, with times, so tests can compare what Ovisu read and translated with what was on screen.
// With --menu it shows menu screens instead: menu words, a status line and buttons over the picture.
#include "support/TestGameMenu.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRasterWindow>
#include <QTextStream>
#include <QTimer>

namespace {

void paintScenery(QPainter& p, int width, int height) {
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(250, 190, 200));
    sky.setColorAt(0.5, QColor(120, 150, 220));
    sky.setColorAt(1, QColor(60, 90, 60));
    p.fillRect(QRect(0, 0, width, height), sky);
    for (int i = 0; i < 12; ++i)  // a little scenery behind the box
        p.fillRect(QRect((i * 97) % width, height / 3 + (i * 53) % (height / 3), 60, 90), QColor(255, 255, 255, 60));
}

void logEvent(QFile& log, const QJsonObject& event) {
    if (!log.isOpen()) return;
    QJsonObject line = event;
    line.insert("time", QDateTime::currentMSecsSinceEpoch() / 1000.0);
    log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    log.flush();
}

struct Page {
    QString speaker;
    QString text;  // "\n" between the box's lines
};

// One page per line of the script: "speaker<TAB>text", with "\n" (two characters) for a line break.
QList<Page> readScript(const QString& path) {
    QList<Page> pages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return pages;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        Page page{tab >= 0 ? line.left(tab) : QString(), tab >= 0 ? line.mid(tab + 1) : line};
        page.text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        pages.append(page);
    }
    return pages;
}

class GameWindow : public QRasterWindow {
public:
    GameWindow(QList<Page> pages, QFont font, int charMs, int holdMs, QString logPath)
        : m_pages(std::move(pages)), m_font(std::move(font)), m_holdMs(holdMs), m_log(logPath) {
        if (!logPath.isEmpty()) (void)m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
        m_reveal.setInterval(charMs);
        connect(&m_reveal, &QTimer::timeout, this, [this] { revealNext(); });
        m_hold.setSingleShot(true);
        connect(&m_hold, &QTimer::timeout, this, [this] { advance(); });
    }

    void begin() { showPage(0); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        paintScenery(p, width(), height());

        const QRect box(width() / 20, height() * 2 / 3, width() * 9 / 10, height() * 3 / 10);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 40, 180));
        p.drawRoundedRect(box, 12, 12);
        if (m_index >= m_pages.size()) return;
        const Page& page = m_pages[m_index];

        QFont small = m_font;
        small.setPixelSize(std::max(12, m_font.pixelSize() * 2 / 3));
        if (!page.speaker.isEmpty()) {
            const QRect plate(box.left() + 16, box.top() - 28, 160, 36);
            p.setBrush(QColor(200, 90, 130, 230));
            p.drawRoundedRect(plate, 8, 8);
            p.setFont(small);
            p.setPen(Qt::white);
            p.drawText(plate, Qt::AlignCenter, page.speaker);
        }
        p.setFont(small);
        p.setPen(QColor(255, 255, 255, 200));
        p.drawText(box.adjusted(0, 0, -16, -8), Qt::AlignRight | Qt::AlignBottom,
                   QStringLiteral("%1/%2").arg(m_index + 1).arg(m_pages.size()));

        // White text with a dark outline, as games draw their subtitles.
        const QStringList lines = page.text.left(m_revealed).split(QLatin1Char('\n'));
        const QFontMetrics metrics(m_font);
        int y = box.top() + 24 + metrics.ascent();
        for (const QString& text : lines) {
            QPainterPath path;
            path.addText(box.left() + 32, y, m_font, text);
            p.setPen(QPen(QColor(30, 20, 40), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPath(path);
            y += metrics.height() + 8;
        }
    }

    void mousePressEvent(QMouseEvent*) override {
        if (m_revealed < m_pages.value(m_index).text.size()) {
            m_revealed = m_pages[m_index].text.size();
            pageRevealed();
        } else {
            advance();
        }
    }

private:
    void showPage(int index) {
        m_index = index;
        m_revealed = 0;
        if (m_index >= m_pages.size()) {
            log(QStringLiteral("finished"), QString());
            update();
            return;
        }
        log(QStringLiteral("page"), m_pages[m_index].text);
        m_reveal.start();
        update();
    }
    void revealNext() {
        ++m_revealed;
        update();
        if (m_revealed >= m_pages[m_index].text.size()) pageRevealed();
    }
    void pageRevealed() {
        m_reveal.stop();
        update();
        log(QStringLiteral("revealed"), m_pages[m_index].text);
        if (m_holdMs > 0) m_hold.start(m_holdMs);
    }
    void advance() { showPage(m_index + 1); }
    void log(const QString& event, const QString& text) {
        logEvent(m_log, {{"event", event}, {"page", m_index}, {"text", text}});
    }

    QList<Page> m_pages;
    QFont m_font;
    int m_holdMs;
    QFile m_log;
    QTimer m_reveal;
    QTimer m_hold;
    qsizetype m_index = 0;
    qsizetype m_revealed = 0;
};

// Menu screens as games draw them: light words on a dark translucent panel, a status line in a
// light bar, and dark words on light buttons. A click turns to the other page.
class MenuWindow : public QRasterWindow {
public:
    MenuWindow(QFont font, QString logPath) : m_font(std::move(font)), m_log(logPath) {
        if (!logPath.isEmpty()) (void)m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    void begin() { logEvent(m_log, {{"event", "menu-page"}, {"page", m_page}}); }

protected:
    void paintEvent(QPaintEvent*) override {
        using namespace ovisu::test;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        paintScenery(p, width(), height());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(15, 15, 30, 170));
        const QRect panel(width() / 16, height() / 5, width() / 4, height() * 3 / 5);
        p.drawRoundedRect(panel, 10, 10);

        const QStringList words = m_page == 0 ? TestGameMenu::titleMenuWords() : TestGameMenu::settingsScreenTexts();
        p.setFont(m_font);
        const int rowHeight = panel.height() / int(words.size() + 1);
        for (int i = 0; i < words.size(); ++i) {
            p.setPen(i == 0 ? QColor(255, 225, 150) : QColor(235, 235, 245));
            p.drawText(QRect(panel.left() + 32, panel.top() + rowHeight / 2 + i * rowHeight, panel.width() - 40, rowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, words[i]);
        }
        if (m_page != 0) return;

        QFont small = m_font;
        small.setPixelSize(std::max(14, m_font.pixelSize() * 2 / 3));
        p.setFont(small);
        p.setBrush(QColor(255, 255, 255, 200));
        const QRect bar(width() / 2, height() / 24, width() * 7 / 16, height() / 12);
        p.drawRoundedRect(bar, 6, 6);
        p.setPen(QColor(60, 40, 60));
        const QStringList status = TestGameMenu::titleStatusTexts();
        p.drawText(bar.adjusted(24, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, status.value(0));
        p.drawText(bar.adjusted(0, 0, -24, 0), Qt::AlignRight | Qt::AlignVCenter, status.value(1));

        const QStringList buttons = TestGameMenu::titleButtons();
        for (int i = 0; i < buttons.size(); ++i) {
            const QRect button(width() * 5 / 8 + i * (width() / 6), height() * 4 / 5, width() / 8, height() / 12);
            p.setPen(QPen(QColor(120, 80, 100), 2));
            p.setBrush(QColor(245, 235, 240));
            p.drawRoundedRect(button, 8, 8);
            p.setPen(QColor(50, 30, 50));
            p.drawText(button, Qt::AlignCenter, buttons[i]);
        }
    }
    void mousePressEvent(QMouseEvent*) override {
        m_page = 1 - m_page;
        begin();
        update();
    }

private:
    QFont m_font;
    QFile m_log;
    int m_page = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A game-like window that plays a script of Japanese dialogue."));
    parser.addHelpOption();
    const QCommandLineOption scriptOption("script", "Script file: one page per line, speaker<TAB>text, \\n for a break.", "FILE");
    const QCommandLineOption fontOption("font", "Font family.", "FAMILY", "Noto Sans CJK JP");
    const QCommandLineOption sizeOption("size", "Text size in pixels.", "PX", "30");
    const QCommandLineOption charOption("char-ms", "Milliseconds per revealed character (typewriter).", "MS", "40");
    const QCommandLineOption holdOption("hold-ms", "Milliseconds a revealed page stays before the next (0: wait for a click).", "MS", "3000");
    const QCommandLineOption logOption("log", "Append what is shown, with times, as JSON lines.", "FILE");
    const QCommandLineOption titleOption("title", "Window title.", "TITLE", "Ovisu Test Game");
    const QCommandLineOption sizeWindowOption("window-size", "Window size.", "WxH", "1280x720");
    const QCommandLineOption menuOption("menu", "Show the menu screens instead of dialogue.");
    for (const auto& option : {scriptOption, fontOption, sizeOption, charOption, holdOption, logOption, titleOption,
                               sizeWindowOption, menuOption})
        parser.addOption(option);
    parser.process(app);
    const QStringList size = parser.value(sizeWindowOption).split(QLatin1Char('x'));
    QFont font(parser.value(fontOption));
    font.setPixelSize(parser.value(sizeOption).toInt());

    if (parser.isSet(menuOption)) {
        MenuWindow menu(font, parser.value(logOption));
        menu.resize(size.value(0).toInt(), size.value(1).toInt());
        menu.setTitle(parser.value(titleOption));
        menu.show();
        QTimer::singleShot(300, &menu, [&menu] { menu.begin(); });
        return app.exec();
    }

    const QList<Page> pages = readScript(parser.value(scriptOption));
    if (pages.isEmpty()) {
        QTextStream(stderr) << "ovisu-test-game: no pages in the script (--script FILE)\n";
        return 2;
    }
    GameWindow window(pages, font, parser.value(charOption).toInt(), parser.value(holdOption).toInt(), parser.value(logOption));
    window.resize(size.value(0).toInt(), size.value(1).toInt());
    window.setTitle(parser.value(titleOption));
    window.show();
    QTimer::singleShot(300, &window, [&window] { window.begin(); });
    return app.exec();
}
