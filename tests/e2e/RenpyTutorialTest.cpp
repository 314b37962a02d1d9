#include "base/SettingsStore.h"
#include "support/EventLoopWait.h"
#include "support/LineDeliveryReport.h"
#include "support/RenpyTutorial.h"
#include "support/TestEnvironment.h"
#include "support/XvfbSession.h"
#include "support/fake/FakeService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace ovisu;

// Our real game: Ren'Py's tutorial in Japanese, played by clicks as a reader plays it, with a
// typewriter at 40 characters a second, a translucent box over pictures and a sprite, a name
// plate, short replies in a row, a shake, the same line again after a scene change and a choice
// menu. `ovisu watch` reads the box; every line the game showed must reach the translation
// service exactly once, complete, and nothing else may. The synthetic test game plays in the
// desktop suite; this is the one end-to-end run of the watch command.
TEST(RenpyTutorial, EveryShownLineIsTranslatedOnceAndNothingElseIsSent) {
    test::XvfbSession display(true, {1600, 1000});
    ASSERT_TRUE(display.isRunning()) << display.error().toStdString();
    fake::FakeService service;
    ASSERT_TRUE(SettingsStore().setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));

    test::RenpyTutorial game({QStringLiteral("ovisu_e2e"), 40, test::currentHome() + "/renpy.jsonl"});
    const QString started = game.start();
    ASSERT_TRUE(started.isEmpty()) << started.toStdString();

    QProcess watch;
    watch.start(QStringLiteral(OVISU_BINARY), {"watch", "--window", test::RenpyTutorial::windowTitle(), "--region",
                                               test::RenpyTutorial::dialogueRegion(), "--provider", "sakura",
                                               "--interval", "0.5", "--json"});
    ASSERT_TRUE(watch.waitForStarted(5000));
    // The reader begins once the watch has translated the line already on the screen, as a
    // player who just started it would wait: on a loaded machine its start-up (finding the window,
    // loading the recognition models) can outlast a line held for the reader's pause.
    QByteArray output;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            output += watch.readAllStandardOutput();
            return output.contains("\"event\":\"translation\"");
        },
        60000))
        << watch.readAllStandardError().toStdString();
    const bool played = game.play(2500, 240000);
    QThread::msleep(2000);
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(10000));
    ASSERT_TRUE(played) << "the stretch did not reach its end after " << game.shownLines().size() << " lines";
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();

    QList<test::LineDeliveryReport::Line> shown;
    for (const test::ShownLine& line : game.shownLines()) shown.append({line.text, line.time});
    QList<test::LineDeliveryReport::Request> requests;
    for (const auto& request : service.requests())
        requests.append({fake::FakeService::chatTextToTranslate(request.body), request.receivedAt});
    const auto report = test::LineDeliveryReport::compare(shown, requests);

    ASSERT_GE(report.lines.size(), 20) << report.describe().toStdString();
    EXPECT_EQ(report.receivedOnce(), report.lines.size()) << report.describe().toStdString();
    EXPECT_TRUE(report.junk.isEmpty()) << report.describe().toStdString();
    // A misread character or two is recognition; a line sent half revealed is far further off.
    EXPECT_LE(report.worstCharacterError(), 0.2) << report.describe().toStdString();
    // Every answered request reaches the reader as a translation event; a line shown again may be
    // answered from the cache, with an event but no request.
    output += watch.readAllStandardOutput();
    int translations = 0;
    for (const QByteArray& line : output.split('\n'))
        if (QJsonDocument::fromJson(line).object().value("event").toString() == "translation") ++translations;
    EXPECT_GE(translations, service.requestCount());
}
