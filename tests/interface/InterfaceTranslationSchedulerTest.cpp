#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationService.h"
#include "interface/InterfaceTranslationScheduler.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

using fake::FakeService;
using fake::Route;
using fake::ScriptedReply;

ScriptedReply answer(const QString& text, int delayMs) {
    ScriptedReply reply;
    reply.body = FakeService::defaultBody(Route::chatCompletions, text);
    reply.delayMs = delayMs;
    return reply;
}

UIOCRTextBlock block(const QString& text, double x = 0.1) { return {text, QRectF(x, 0.5, 0.1, 0.05), 0.9f}; }

// Interface mode as the scheduler sees it: a revision, whether the session runs, and what it
// was told.
class RecordingClient : public InterfaceTranslationSchedulerClient {
public:
    int revision = 1;
    bool running = true;
    int started = 0;
    int settled = 0;
    QMap<QString, QString> arrived;  // by comparison form
    QStringList arrivals;            // in order
    QStringList failures;

    int currentPipelineRevision() const override { return revision; }
    bool acceptsInterfaceTranslations() const override { return running; }
    void interfaceTranslationStarted() override { ++started; }
    void interfaceTranslationArrived(const QString& key, const QString&, const QString& translation) override {
        arrived.insert(key, translation);
        arrivals.append(key);
    }
    void interfaceTranslationFailed(const QString& message) override { failures.append(message); }
    void interfaceTranslationsSettled() override { ++settled; }
};

class InterfaceTranslationSchedulerTest : public ::testing::Test {
protected:
    FakeService fakeService;
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    HttpTransport transport;
    TranslationService service{settings, providerSettings, transport, nullptr};
    RecordingClient client;
    InterfaceTranslationScheduler scheduler{service, selection, providerSettings, client};

    void SetUp() override {
        ASSERT_TRUE(fakeService.isListening());
        ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(Provider::sakura)),
                                       fakeService.baseUrl() + "/v1/chat/completions"));
        selection.useTransiently(Provider::sakura);
        service.setRetryDelayScale(0.02);
    }
};

TEST_F(InterfaceTranslationSchedulerTest, OneRequestPerTextAndAtMostThreeInFlight) {
    fakeService.enqueue(Route::chatCompletions, answer(u"设置"_qs, 400));
    // Ten blocks of one text (設定 and 「設定」 are one text) ask once.
    for (int i = 0; i < 10; ++i) scheduler.requestInterfaceTranslation(block(i % 2 ? u"設定"_qs : u"「設定」"_qs, i * 0.08));
    EXPECT_EQ(scheduler.inFlightCount(), 1);
    EXPECT_EQ(scheduler.queuedCount(), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !scheduler.hasPendingWork(); }));
    EXPECT_EQ(fakeService.requestCount(), 1);
    EXPECT_EQ(client.arrived.value(u"設定"_qs), u"设置"_qs);
    EXPECT_EQ(client.settled, 1);

    // Five new texts: three start at once, the fourth only when an answer frees a place, and the
    // waiting ones in the order they were asked for. Replies go out in the order requests arrive.
    for (int delay : {300, 1500, 1500, 1500, 0})
        fakeService.enqueue(Route::chatCompletions, answer(QString::number(delay), delay));
    for (const QString& text : {u"はじめから"_qs, u"つづきから"_qs, u"ギャラリー"_qs, u"終了"_qs, u"戻る"_qs})
        scheduler.requestInterfaceTranslation(block(text));
    EXPECT_EQ(scheduler.inFlightCount(), 3);
    EXPECT_EQ(scheduler.queuedCount(), 2);
    ASSERT_TRUE(test::waitUntil([&] { return fakeService.requestCount() == 1 + 4; }));
    test::spin(300);
    EXPECT_EQ(fakeService.requestCount(), 1 + 4) << "the fifth waits for another answer";
    EXPECT_EQ(scheduler.inFlightCount(), 3);
    EXPECT_EQ(FakeService::chatTextToTranslate(fakeService.requests().at(4).body), u"終了"_qs);
    ASSERT_TRUE(test::waitUntil([&] { return !scheduler.hasPendingWork(); }));
    EXPECT_EQ(FakeService::chatTextToTranslate(fakeService.requests().at(5).body), u"戻る"_qs);
    EXPECT_EQ(client.arrived.size(), 6);

    // A text still in flight is not asked for again by a second recognition.
    fakeService.enqueue(Route::chatCompletions, answer(u"状态"_qs, 300));
    scheduler.requestInterfaceTranslation(block(u"ステータス"_qs));
    scheduler.requestInterfaceTranslation(block(u"ステータス"_qs, 0.6));
    ASSERT_TRUE(test::waitUntil([&] { return !scheduler.hasPendingWork(); }));
    EXPECT_EQ(fakeService.requestCount(), 7);
}

TEST_F(InterfaceTranslationSchedulerTest, AnswersOfAnOldScreenAreDroppedAndQueuedTextsPruned) {
    for (const char* text : {"一", "二", "三"}) fakeService.enqueue(Route::chatCompletions, answer(QString::fromUtf8(text), 300));
    for (const QString& text : {u"はじめから"_qs, u"つづきから"_qs, u"ギャラリー"_qs, u"終了"_qs, u"戻る"_qs})
        scheduler.requestInterfaceTranslation(block(text));
    // A new recognition shows only 戻る of the queued texts.
    scheduler.pruneQueue({u"戻る"_qs, u"はじめから"_qs});
    EXPECT_EQ(scheduler.queuedCount(), 1);

    // The screen goes: late answers of the old revision are neither shown nor stored.
    client.revision = 2;
    ASSERT_TRUE(test::waitUntil([&] { return !scheduler.hasPendingWork(); }));
    EXPECT_TRUE(client.arrived.isEmpty());
    EXPECT_EQ(fakeService.requestCount(), 3);  // the queued 戻る was of the old revision too

    // Cancelling forgets identities: a cancelled request never reports.
    fakeService.enqueue(Route::chatCompletions, answer(u"设置"_qs, 300));
    scheduler.requestInterfaceTranslation(block(u"設定"_qs));
    scheduler.cancelAll();
    EXPECT_FALSE(scheduler.hasPendingWork());
    test::waitUntil([] { return false; }, 600);
    EXPECT_TRUE(client.arrived.isEmpty());
    EXPECT_TRUE(client.failures.isEmpty());

    // A stopped session starts nothing.
    client.running = false;
    scheduler.requestInterfaceTranslation(block(u"設定"_qs));
    EXPECT_FALSE(scheduler.hasPendingWork());
    EXPECT_EQ(client.started, 4);
}

TEST_F(InterfaceTranslationSchedulerTest, FailuresAreTheSourcesMessageAndLeaveTheErrorStanding) {
    // An answer of white space is no translation.
    fakeService.enqueue(Route::chatCompletions, answer(u"  \n "_qs, 0));
    scheduler.requestInterfaceTranslation(block(u"設定"_qs));
    ASSERT_TRUE(test::waitUntil([&] { return !client.failures.isEmpty(); }));
    EXPECT_TRUE(client.failures.first().startsWith(ProviderCatalogue::title(Provider::sakura))) << client.failures.first().toStdString();
    EXPECT_TRUE(client.arrived.isEmpty());
    EXPECT_EQ(client.settled, 0);
    // The key is free again: a later recognition may ask once more.
    EXPECT_FALSE(scheduler.hasPendingWork());

    // A source without a usable address fails at once, naming it.
    ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(Provider::sakura)),
                                   u"not a url"_qs));
    scheduler.requestInterfaceTranslation(block(u"終了"_qs));
    EXPECT_EQ(client.failures.last(),
              ProviderCatalogue::title(Provider::sakura) + u"：接口地址无效，请打开配置检查完整 URL。"_qs);
    EXPECT_FALSE(scheduler.hasPendingWork());

    // This system has no on-device translator.
    selection.useTransiently(Provider::systemTranslation);
    scheduler.requestInterfaceTranslation(block(u"戻る"_qs));
    ASSERT_TRUE(test::waitUntil([&] { return client.failures.size() == 3; }));
    EXPECT_TRUE(client.failures.last().contains(u"系统翻译失败"_qs)) << client.failures.last().toStdString();
}

}  // namespace
}  // namespace ovisu
