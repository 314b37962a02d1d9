#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "capture/WindowCapture.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace ovisu;

namespace {

// Ten pages of dialogue, revealed by typewriter.
const QStringList kScript = {
    "今日はいい天気ですね。",     "そうだね、散歩に行こうか。", "駅の近くに新しい店ができた。",
    "あの店のケーキは美味しい。", "明日は雨が降るらしい。",     "傘を持って行った方がいい。",
    "先生に会いに行きます。",     "図書館で本を借りました。",   "夜になると星が見える。",
    "また明日会いましょう。",
};

}  // namespace

// The whole road on a real X server: the game window is found and captured, its dialogue box
// recognised by Tesseract while the text is still being typed out, and every line translated
// through the fake service exactly once.
TEST(WatchGame, EveryLineOfATypewriterScriptIsTranslatedExactlyOnce) {
    test::XvfbSession display;
    ASSERT_TRUE(display.isRunning()) << display.error().toStdString();
    fake::FakeService service;
    ASSERT_TRUE(SettingsStore().setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));

    const QString home = test::currentHome();
    QFile script(home + "/script.txt");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Text));
    for (const QString& line : kScript) script.write(QStringLiteral("葵\t%1\n").arg(line).toUtf8());
    script.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    QProcess game;
    game.setProcessEnvironment(environment);
    game.start(QStringLiteral(OVISU_TEST_GAME_BINARY),
               {"--script", script.fileName(), "--log", home + "/game.log", "--char-ms", "40", "--hold-ms", "2500",
                "--size", "34", "--title", "E2E Game"});
    ASSERT_TRUE(game.waitForStarted(5000));

    const auto capture = makeWindowCapture();
    ASSERT_TRUE(test::pollUntil(
        [&] {
            const auto windows = capture->listWindows();
            return windows && std::any_of(windows->begin(), windows->end(), [](const PlatformWindow& w) {
                       return w.isOnScreen && w.title == QStringLiteral("E2E Game");
                   });
        },
        10000))
        << "the game window did not appear";

    QProcess watch;
    watch.start(QStringLiteral(OVISU_BINARY), {"watch", "--window", "E2E Game", "--region", "0.06,0.71,0.88,0.17",
                                               "--provider", "sakura", "--interval", "0.5", "--json"});
    ASSERT_TRUE(watch.waitForStarted(5000));
    // The game logs "finished" after its last page; give the last line time to be read twice.
    const bool finished = test::pollUntil(
        [&] {
            QFile log(home + "/game.log");
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("\"finished\"");
        },
        60000);
    QThread::msleep(1500);
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(10000));
    game.terminate();
    game.waitForFinished(5000);
    ASSERT_TRUE(finished) << "the game did not finish its script";
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();

    const auto requests = service.requests();
    QStringList sent;
    for (const auto& request : requests) sent.append(fake::FakeService::chatTextToTranslate(request.body));
    const QByteArray output = watch.readAllStandardOutput();
    ASSERT_EQ(sent.size(), kScript.size()) << sent.join(" | ").toStdString() << "\n" << output.toStdString();
    for (int i = 0; i < kScript.size(); ++i) {
        // Recognition may misread a character; a half-revealed line would be far shorter.
        const QString expected = kScript[i];
        EXPECT_TRUE(similar(sent[i], expected, 0.8)) << i << ": sent " << sent[i].toStdString() << " for "
                                                     << expected.toStdString();
    }
    int translations = 0;
    for (const QByteArray& line : output.split('\n'))
        if (QJsonDocument::fromJson(line).object().value("event").toString() == "translation") ++translations;
    EXPECT_EQ(translations, kScript.size());
}
