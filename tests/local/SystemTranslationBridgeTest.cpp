#include "local/SystemTranslationBridge.h"
#include "support/EventLoopWait.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace ovisu {
namespace {

// A session the test answers by hand: it records every text it is given and holds the callback.
class ScriptedSession final : public SystemTranslationSession {
public:
    struct State {
        QStringList received;
        QList<Done> open;
        int mostInFlight = 0;
    };
    explicit ScriptedSession(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    void translate(const QString& text, Done done) override {
        m_state->received.append(text);
        m_state->open.append(std::move(done));
        m_state->mostInFlight = std::max(m_state->mostInFlight, int(m_state->open.size()));
    }

private:
    std::shared_ptr<State> m_state;
};

// Answers every request at once, from inside translate(), as a fast back end might.
class EchoSession final : public SystemTranslationSession {
public:
    void translate(const QString& text, Done done) override { done(QStringLiteral("译：") + text); }
};

// Answers from a thread of its own.
class ThreadedSession final : public SystemTranslationSession {
public:
    ~ThreadedSession() override {
        for (auto& worker : m_workers) worker.join();
    }
    void translate(const QString& text, Done done) override {
        m_workers.emplace_back([text, done = std::move(done)] { done(text.toUpper()); });
    }

private:
    std::vector<std::thread> m_workers;
};

struct Outcome {
    QStringList results;  // "ok:<text>" or "error:<description>"
    bool onMainThread = true;
    void record(const std::expected<QString, QString>& result) {
        results.append(result ? QStringLiteral("ok:") + *result : QStringLiteral("error:") + result.error());
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

TEST(SystemTranslationBridge, ServesRequestsOneAtATimeInOrderAndAnErrorDoesNotStopTheQueue) {
    auto state = std::make_shared<ScriptedSession::State>();
    SystemTranslationBridge bridge(std::make_unique<ScriptedSession>(state));
    Outcome outcome;
    for (const char* text : {"一", "二", "三"})
        bridge.translate(QString::fromUtf8(text), [&outcome](auto result) { outcome.record(result); });

    // Only the first is with the session; the others wait.
    EXPECT_EQ(state->received, QStringList{"一"});
    EXPECT_TRUE(bridge.isDraining());
    EXPECT_EQ(bridge.pendingCount(), 2);

    state->open.takeFirst()(QStringLiteral("one"));
    EXPECT_TRUE(outcome.results.isEmpty());  // delivered from the event loop, not inside the answer
    test::waitUntil([&] { return state->received.size() == 2; });
    EXPECT_EQ(outcome.results, QStringList{"ok:one"});
    EXPECT_EQ(state->received, (QStringList{"一", "二"}));

    state->open.takeFirst()(std::unexpected(QStringLiteral("模型未下载")));
    test::waitUntil([&] { return state->received.size() == 3; });
    // A request made while the loop runs joins the same loop, behind the others.
    bridge.translate("四", [&outcome](auto result) { outcome.record(result); });
    EXPECT_EQ(state->received.size(), 3);

    state->open.takeFirst()(QStringLiteral("three"));
    test::waitUntil([&] { return state->received.size() == 4; });
    state->open.takeFirst()(QStringLiteral("four"));
    test::waitUntil([&] { return outcome.results.size() == 4; });

    EXPECT_EQ(outcome.results, (QStringList{"ok:one", "error:模型未下载", "ok:three", "ok:four"}));
    EXPECT_EQ(state->received, (QStringList{"一", "二", "三", "四"}));
    EXPECT_EQ(state->mostInFlight, 1);
    EXPECT_TRUE(outcome.onMainThread);
    EXPECT_FALSE(bridge.isDraining());
    EXPECT_EQ(bridge.pendingCount(), 0);
}

TEST(SystemTranslationBridge, CompletionsAreNeverSynchronousAndAlwaysOnTheMainThread) {
    Outcome immediate;
    SystemTranslationBridge echo(std::make_unique<EchoSession>());
    // A completion that queues another request is served by the same loop.
    echo.translate("a", [&](auto result) {
        immediate.record(result);
        echo.translate("c", [&immediate](auto again) { immediate.record(again); });
    });
    echo.translate("b", [&immediate](auto result) { immediate.record(result); });
    EXPECT_TRUE(immediate.results.isEmpty());
    test::waitUntil([&] { return immediate.results.size() == 3; });
    EXPECT_EQ(immediate.results, (QStringList{"ok:译：a", "ok:译：b", "ok:译：c"}));

    Outcome threaded;
    {
        SystemTranslationBridge bridge(std::make_unique<ThreadedSession>());
        for (const char* text : {"x", "y", "z"})
            bridge.translate(text, [&threaded](auto result) { threaded.record(result); });
        test::waitUntil([&] { return threaded.results.size() == 3; });
    }
    EXPECT_EQ(threaded.results, (QStringList{"ok:X", "ok:Y", "ok:Z"}));
    EXPECT_TRUE(threaded.onMainThread);
}

TEST(SystemTranslationBridge, LinuxBackEndFailsEveryRequestWithTheReason) {
    SystemTranslationBridge bridge;  // no session given: the unavailable one
    Outcome outcome;
    bridge.translate("こんにちは", [&outcome](auto result) { outcome.record(result); });
    bridge.translate("さようなら", [&outcome](auto result) { outcome.record(result); });
    EXPECT_TRUE(outcome.results.isEmpty());
    test::waitUntil([&] { return outcome.results.size() == 2; });
    EXPECT_EQ(outcome.results, (QStringList{"error:当前 Linux 系统没有可用的系统翻译框架",
                                            "error:当前 Linux 系统没有可用的系统翻译框架"}));
    EXPECT_EQ(SystemTranslationBridge::failureMessage(UnavailableSystemTranslationSession::unavailableDescription()),
              "系统翻译失败：当前 Linux 系统没有可用的系统翻译框架。请在翻译源中改用其他翻译源。");
}

TEST(SystemTranslationBridge, ALateAnswerAfterTheBridgeIsGoneIsDropped) {
    auto state = std::make_shared<ScriptedSession::State>();
    bool called = false;
    {
        SystemTranslationBridge bridge(std::make_unique<ScriptedSession>(state));
        bridge.translate("孤", [&called](auto) { called = true; });
    }
    ASSERT_EQ(state->open.size(), 1);
    state->open.takeFirst()(QStringLiteral("late"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace ovisu
