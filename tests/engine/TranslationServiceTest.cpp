#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationService.h"
#include "support/EventLoopWait.h"
#include "support/fake/FakeService.h"

#include <QMap>

#include <optional>
#include <gtest/gtest.h>

using namespace ovisu;
using fake::FakeService;
using fake::Route;
using fake::ScriptedReply;

namespace {

ScriptedReply translated(const QString& text, int delayMs) {
    ScriptedReply reply;
    reply.body = FakeService::defaultBody(Route::chatCompletions, text);
    reply.delayMs = delayMs;
    return reply;
}

ScriptedReply streamed(const QStringList& pieces, int delayMs) {
    ScriptedReply reply;
    reply.contentType = "text/event-stream";
    reply.chunks = FakeService::chatCompletionsStream(pieces);
    reply.chunkDelayMs = 30;
    reply.delayMs = delayMs;
    return reply;
}

// Several texts at once, as the window's many labels need them, through a real transport to a
// service on loopback.
class TranslationServiceTest : public ::testing::Test {
protected:
    FakeService fakeService;
    SettingsStore settings;
    ProviderSettings providerSettings{settings, [] { return QList<TranslationHistoryRecord>{}; }};
    HttpTransport transport;
    TranslationService service{settings, providerSettings, transport, nullptr};
    QMap<QString, TranslationServiceResult> results;  // by the text asked for
    QMap<QString, QStringList> previews;

    void SetUp() override {
        ASSERT_TRUE(fakeService.isListening());
        ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(Provider::sakura)),
                                       fakeService.baseUrl() + "/v1/chat/completions"));
        service.setRetryDelayScale(0.02);
    }

    TranslationService::RequestID ask(const QString& text, bool streaming = false, Provider provider = Provider::sakura) {
        TranslationService::Handlers handlers;
        handlers.preview = [this, text](const QString& soFar) { previews[text].append(soFar); };
        handlers.done = [this, text](TranslationServiceResult result) { results.insert(text, std::move(result)); };
        return service.translate(text, provider, streaming, std::move(handlers));
    }

    // What the service answered to the request that carried `text`: replies go out in the order
    // requests arrive, which need not be the order they were made in.
    QString answerFor(const QString& text, const QStringList& scripted) const {
        const auto requests = fakeService.requests();
        for (qsizetype i = 0; i < requests.size(); ++i)
            if (FakeService::chatTextToTranslate(requests[i].body) == text) return scripted.value(i);
        return {};
    }
};

TEST_F(TranslationServiceTest, RequestsRunAtOnceAndEachResultReachesItsOwnCaller) {
    // The first reply is the slowest, so results come back in another order than asked.
    const QStringList scripted{u"甲"_qs, u"乙"_qs, u"丙"_qs};
    fakeService.enqueue(Route::chatCompletions, translated(scripted[0], 600));
    fakeService.enqueue(Route::chatCompletions, translated(scripted[1], 0));
    fakeService.enqueue(Route::chatCompletions, translated(scripted[2], 300));

    const QStringList texts{u"一つ目の台詞"_qs, u"二つ目の台詞"_qs, u"三つ目の台詞"_qs};
    QList<TranslationService::RequestID> ids;
    for (const QString& text : texts) ids.append(ask(text));
    EXPECT_EQ(service.activeCount(), 3);
    EXPECT_TRUE(results.isEmpty()) << "a result may never arrive inside translate()";
    EXPECT_EQ(QSet<TranslationService::RequestID>(ids.begin(), ids.end()).size(), 3);

    std::optional<QString> firstBack;
    ASSERT_TRUE(test::waitUntil([&] {
        if (!firstBack && !results.isEmpty()) firstBack = results.first().translation.value_or(QString());
        return results.size() == 3;
    }));
    // One at a time, the request the service answered slowest (it arrived first) would also be the
    // first back; at once, a quicker answer overtakes it.
    EXPECT_NE(firstBack, scripted[0]);
    for (const QString& text : texts) {
        ASSERT_TRUE(results[text].translation) << text.toStdString();
        EXPECT_EQ(*results[text].translation, answerFor(text, scripted)) << text.toStdString();
    }
    EXPECT_EQ(service.activeCount(), 0);
}

TEST_F(TranslationServiceTest, ACancelledRequestSaysNothingMoreAndLeavesTheOthersAlone) {
    fakeService.enqueue(Route::chatCompletions, translated(u"甲"_qs, 300));
    fakeService.enqueue(Route::chatCompletions, translated(u"乙"_qs, 300));
    fakeService.enqueue(Route::chatCompletions, streamed({u"丙"_qs, u"丁"_qs}, 300));
    const auto kept = ask(u"残る台詞"_qs);
    const auto cancelled = ask(u"取り消す台詞"_qs);
    const auto cancelledStream = ask(u"流れる台詞"_qs, true);
    service.cancel(cancelled);
    service.cancel(cancelledStream);
    service.cancel(cancelled);  // twice is harmless
    EXPECT_TRUE(service.isActive(kept));
    EXPECT_FALSE(service.isActive(cancelled));

    ASSERT_TRUE(test::waitUntil([&] { return results.contains(u"残る台詞"_qs); }));
    test::spin(700);
    EXPECT_EQ(results.size(), 1);
    EXPECT_TRUE(previews.isEmpty());
    EXPECT_EQ(service.activeCount(), 0);
}

TEST_F(TranslationServiceTest, StreamedRequestsShowTheirOwnTextAsItGrows) {
    fakeService.enqueue(Route::chatCompletions, streamed({u"你"_qs, u"好"_qs}, 0));
    fakeService.enqueue(Route::chatCompletions, streamed({u"再"_qs, u"见"_qs}, 0));
    ask(u"こんにちは"_qs, true);
    ask(u"さようなら"_qs, true);
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }));
    for (const QString& text : {u"こんにちは"_qs, u"さようなら"_qs}) {
        const QString answer = answerFor(text, {u"你好"_qs, u"再见"_qs});
        ASSERT_TRUE(results[text].translation);
        EXPECT_EQ(*results[text].translation, answer);
        ASSERT_FALSE(previews[text].isEmpty());
        EXPECT_EQ(previews[text].last(), answer);
        EXPECT_TRUE(answer.startsWith(previews[text].first()));
    }
}

TEST_F(TranslationServiceTest, FailuresComeBackAsValuesWithTheKeyMasked) {
    // Retried once after a passing failure, then the service's words, without the key it echoed.
    ASSERT_TRUE(settings.setString(SettingsKeys::perSource(SettingsKeys::endpointPrefix, rawValue(Provider::groq)),
                                   fakeService.baseUrl() + "/openai/v1/chat/completions"));
    ASSERT_TRUE(LocalCredentialStore::save("sk-secret-123456", ProviderCatalogue::credentialAccount(Provider::groq)));
    ScriptedReply busy;
    busy.status = 503;
    ScriptedReply refused;
    refused.status = 401;
    refused.body = R"({"error":{"message":"invalid key sk-secret-123456"}})";
    fakeService.enqueue(Route::chatCompletions, busy);
    fakeService.enqueue(Route::chatCompletions, refused);
    ask(u"台詞"_qs, false, Provider::groq);
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(fakeService.requestCount(), 2);
    const TranslationServiceResult& result = results.first();
    EXPECT_FALSE(result.translation);
    EXPECT_EQ(result.httpStatus, 401);
    EXPECT_EQ(result.retries, 1);
    ASSERT_TRUE(result.errorDetail);
    EXPECT_FALSE(result.errorDetail->contains("sk-secret-123456")) << result.errorDetail->toStdString();

    // A reply that is empty once cleaned is no translation, and no service error either.
    fakeService.enqueue(Route::chatCompletions, translated(u"<think>考虑中</think>"_qs, 0));
    ASSERT_TRUE(settings.setBool(SettingsKeys::filterThinkingOutput, true));
    ask(u"別の台詞"_qs);
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }));
    EXPECT_FALSE(results[u"別の台詞"_qs].translation);
    EXPECT_FALSE(results[u"別の台詞"_qs].errorDetail);
}

}  // namespace
