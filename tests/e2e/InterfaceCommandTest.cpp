#include "base/SettingsStore.h"
#include "capture/InterfaceScreenScore.h"
#include "capture/WindowCapture.h"
#include "support/EventLoopWait.h"
#include "support/OvisuProcess.h"
#include "support/RenpyTutorial.h"
#include "support/TestEnvironment.h"
#include "support/TestGameMenu.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace ovisu;

namespace {

const QString kMenuTitle = QStringLiteral("Ovisu Menu Game");

struct Recognition {
    QStringList accepted;
    QStringList rejected;
};

QList<QJsonObject> eventsOf(const QByteArray& output, const QString& kind) {
    QList<QJsonObject> events;
    for (const QByteArray& line : output.split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.value("event").toString() == kind) events.append(event);
    }
    return events;
}

Recognition recognitionOf(const QJsonObject& event) {
    Recognition recognition;
    for (const QJsonValue& value : event.value("blocks").toArray()) {
        const QJsonObject block = value.toObject();
        (block.value("accepted").toBool() ? recognition.accepted : recognition.rejected)
            .append(block.value("text").toString());
    }
    return recognition;
}

bool found(const QStringList& blocks, const QString& word) {
    return std::any_of(blocks.begin(), blocks.end(), [&](const QString& block) {
        return test::lineReadsWord(test::screenForm(block), test::screenForm(word));
    });
}

int junkCount(const QStringList& blocks, const QStringList& expected) {
    return int(std::count_if(blocks.begin(), blocks.end(), [&](const QString& block) {
        return std::none_of(expected.begin(), expected.end(), [&](const QString& word) {
            return test::lineBelongsToWord(test::screenForm(block), test::screenForm(word));
        });
    }));
}

// Runs `ovisu interface --once` on the window and checks what every screen must give: each word
// found, at most one block that is none of the texts on screen, and no text asked for twice.
// The run's output, empty when it failed.
QByteArray expectReadWholeAndEachTextSentOnce(const fake::FakeService& service, const QString& window,
                                               const QStringList& words, const QStringList& otherTexts = {}) {
    const int sentBefore = service.requestCount();
    const auto run = test::runOvisu({"interface", "--window", window, "--provider", "sakura", "--once", "--json"}, {},
                                    120000);
    const QList<QJsonObject> recognitions = eventsOf(run.out.toUtf8(), "recognition");
    if (run.exitCode != 0 || recognitions.size() != 1) {
        ADD_FAILURE() << "exit " << run.exitCode << " " << run.err.toStdString() << run.out.toStdString();
        return {};
    }
    const Recognition recognition = recognitionOf(recognitions.first());
    for (const QString& word : words)
        EXPECT_TRUE(found(recognition.accepted, word))
            << word.toStdString() << " not among " << recognition.accepted.join(" | ").toStdString();
    EXPECT_LE(junkCount(recognition.accepted + recognition.rejected, words + otherTexts), 1)
        << (recognition.accepted + recognition.rejected).join(" | ").toStdString();
    QStringList sent;
    for (const auto& request : service.requests().mid(sentBefore))
        sent << fake::FakeService::chatTextToTranslate(request.body);
    EXPECT_EQ(QSet<QString>(sent.begin(), sent.end()).size(), sent.size()) << sent.join(" | ").toStdString();
    return run.out.toUtf8();
}

class MenuGame {
public:
    MenuGame() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(OVISU_TEST_GAME_BINARY), {"--menu", "--title", kMenuTitle, "--size", "34"});
        m_process.waitForStarted(5000);
        // Listed (mapped), then painted: a loaded machine can take a while over either.
        const auto capture = makeWindowCapture();
        test::pollUntil(
            [&] {
                const auto windows = capture->listWindows();
                return windows && std::any_of(windows->begin(), windows->end(), [](const PlatformWindow& window) {
                           return window.isOnScreen && window.title.value_or(QString()).contains(kMenuTitle);
                       });
            },
            20000);
        QThread::msleep(1000);
    }
    ~MenuGame() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) m_process.kill();
    }

private:
    QProcess m_process;
};

}  // namespace

// The test game's title screen from the command line: every menu word, the status line and the
// buttons are found and each is translated once; an unchanged screen sends nothing more.
TEST(InterfaceCommand, TheMenuScreenIsReadWholeAndEachTextTranslatedOnce) {
    test::XvfbSession display(true, {1400, 900});
    ASSERT_TRUE(display.isRunning()) << display.error().toStdString();
    fake::FakeService service;
    ASSERT_TRUE(SettingsStore().setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
    MenuGame game;

    const QByteArray once = expectReadWholeAndEachTextSentOnce(service, kMenuTitle, test::TestGameMenu::titleScreenTexts());
    ASSERT_FALSE(once.isEmpty());
    // Every accepted block is answered.
    EXPECT_EQ(eventsOf(once, "answer").size(), recognitionOf(eventsOf(once, "recognition").first()).accepted.size())
        << once.toStdString();

    // A running watch over the unchanged screen answers from the cache and sends nothing.
    const int sentBefore = service.requestCount();
    QProcess watch;
    watch.start(QStringLiteral(OVISU_BINARY),
                {"interface", "--window", kMenuTitle, "--provider", "sakura", "--interval", "0.2", "--json"});
    ASSERT_TRUE(watch.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            output += watch.readAllStandardOutput();
            return output.contains("\"event\":\"answer\"");
        },
        60000));
    QThread::msleep(2500);  // about ten more captures
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(10000));
    output += watch.readAllStandardOutput();
    EXPECT_EQ(service.requestCount(), sentBefore);
    EXPECT_EQ(eventsOf(output, "recognition").size(), 1) << "an unchanged screen is recognised once";
    for (const QJsonObject& answer : eventsOf(output, "answer"))
        EXPECT_EQ(answer.value("from").toString(), "cache") << answer.value("text").toString().toStdString();
}

// Our real game: the Ren'Py tutorial's main menu (light words on a dark panel over a photograph)
// and, in a dialogue scene, the quick menu of small grey words under the box. Every menu word is
// found by `ovisu interface --once`, with at most one junk block, and each text is asked for once.
TEST(InterfaceCommand, TheRenpyMainMenuAndQuickMenuAreReadAndTranslatedOnce) {
    test::XvfbSession display(true, {1600, 1000});
    ASSERT_TRUE(display.isRunning()) << display.error().toStdString();
    fake::FakeService service;
    ASSERT_TRUE(SettingsStore().setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));

    struct Screen {
        QString stretch;
        QStringList menuWords;  // what must be found
        QStringList otherTexts;  // what may be found besides them without counting as junk
    };
    const QList<Screen> screens{
        {QStringLiteral("ovisu_main_menu"),
         {"スタート", "ロード", "環境設定", "バージョン情報", "ヘルプ", "終了"},
         {"Ren'Py 8.0.3.22090809u \"Heck Freezes Over\""}},
        {QStringLiteral("ovisu_e2e"),
         {"ロールバック", "ヒストリー", "スキップ", "オート", "セーブ", "Q.セーブ", "Q.ロード", "設定"},
         {"エイリーン", "こんにちは！私の名前はエイリーンです。Ren'Pyのチュートリアルに歓迎", "したいと思います。"}},
    };
    for (const Screen& screen : screens) {
        SCOPED_TRACE(screen.stretch.toStdString());
        test::RenpyTutorial game({screen.stretch, 1000, test::currentHome() + "/renpy-" + screen.stretch + ".jsonl"});
        const QString started = game.start();
        ASSERT_TRUE(started.isEmpty()) << started.toStdString();
        QThread::msleep(3000);  // the menu's or the line's dissolve is over

        expectReadWholeAndEachTextSentOnce(service, test::RenpyTutorial::windowTitle(), screen.menuWords,
                                           screen.otherTexts);
    }
}
