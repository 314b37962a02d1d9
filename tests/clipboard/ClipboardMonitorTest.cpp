#include "base/OCRTextCleaner.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ClipboardSource.h"
#include "clipboard/platform/Cld2LanguageGuess.h"
#include "clipboard/platform/QtClipboardSource.h"
#include "engine/HttpTransport.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

using namespace ovisu;
using test::spin;
using test::waitUntil;
using Kind = RealtimeTranslationState::Kind;

namespace {

// A clipboard the test copies into; every copy moves the change count, as the system's does.
class ScriptedClipboard : public ClipboardSource {
public:
    void copy(const QString& text) {
        ++m_count;
        m_content = text;
    }
    void copyImage() {
        ++m_count;
        m_content.reset();
    }
    qint64 changeCount() const override { return m_count; }
    std::optional<QString> text() const override { return m_content; }

private:
    qint64 m_count = 100;
    std::optional<QString> m_content;
};

class ShellLog : public ClipboardMonitorClient {
public:
    QList<RealtimeTranslationState> states;
    bool realtimeRunning = false;
    int realtimeStops = 0;
    int overlayRequests = 0;
    int clockStarts = 0;
    int settingsRenders = 0;
    int menuRefreshes = 0;

    void updateState(const RealtimeTranslationState& state) override { states.append(state); }
    bool isRealtimeSessionRunning() const override { return realtimeRunning; }
    void stopTranslation() override {
        ++realtimeStops;
        realtimeRunning = false;
    }
    void createOverlayIfNeeded() override { ++overlayRequests; }
    void startSessionClockIfNeeded() override { ++clockStarts; }
    void renderSettingsPage() override { ++settingsRenders; }
    void refreshStatusMenu() override { ++menuRefreshes; }
};

class OutcomeLog : public TranslationPipelineClient {
public:
    QList<TranslationOutcome> outcomes;
    QStringList originals() const {
        QStringList texts;
        for (const auto& outcome : outcomes) texts.append(outcome.original);
        return texts;
    }
    void translationEnded(const TranslationOutcome& outcome) override { outcomes.append(outcome); }
};

const QString kLineA = QStringLiteral("今日はいい天気ですね。");
const QString kLineB = QStringLiteral("明日も晴れるといいな。");
const QString kLineC = QStringLiteral("そろそろ帰ろうか。");

class ClipboardMonitorTest : public ::testing::Test {
protected:
    fake::FakeService service;
    SettingsStore settings;
    ProviderSelection selection{settings};
    HttpTransport transport;
    OutcomeLog outcomes;
    std::unique_ptr<TranslationPipeline> pipeline;
    ScriptedClipboard clipboard;
    ShellLog shell;
    std::unique_ptr<ClipboardMonitor> monitor;

    void SetUp() override {
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(selection.providerChanged(Provider::sakura));
        pipeline = std::make_unique<TranslationPipeline>(
            TranslationPipeline::Services{settings, selection, transport, nullptr, nullptr, nullptr}, outcomes);
        monitor = std::make_unique<ClipboardMonitor>(settings, *pipeline, clipboard, shell,
                                                     std::make_unique<Cld2LanguageGuess>());
    }

    // Copies a text and lets one poll see it.
    void copy(const QString& text) {
        clipboard.copy(text);
        monitor->pollClipboardForTranslation();
    }

    // Polls (as the timer would) until nothing is in flight and nothing waits.
    bool settle() {
        return waitUntil([&] {
            if (!pipeline->isRequestInFlight()) monitor->pollClipboardForTranslation();
            return !pipeline->isRequestInFlight() && !monitor->pendingClipboardText();
        });
    }
};

}  // namespace

TEST_F(ClipboardMonitorTest, StartLeavesWhatIsAlreadyCopiedAloneAndTranslatesTheNextCopy) {
    clipboard.copy(QStringLiteral("前からあった文章です。"));
    monitor->startClipboardMonitoring();

    EXPECT_TRUE(monitor->clipboardMonitoringEnabled());
    EXPECT_TRUE(monitor->isPolling());
    EXPECT_TRUE(settings.boolValue(SettingsKeys::clipboardMonitoringEnabled, false));
    ASSERT_FALSE(shell.states.isEmpty());
    EXPECT_EQ(shell.states.last().kind, Kind::capturing);
    EXPECT_EQ(shell.overlayRequests, 1);
    EXPECT_EQ(shell.clockStarts, 1);

    monitor->pollClipboardForTranslation();
    spin(200);
    EXPECT_EQ(service.requestCount(), 0);

    copy(kLineA);
    ASSERT_TRUE(settle());
    ASSERT_EQ(outcomes.outcomes.size(), 1);
    EXPECT_TRUE(outcomes.outcomes.first().succeeded());
    EXPECT_EQ(outcomes.outcomes.first().original, kLineA);
    EXPECT_EQ(outcomes.outcomes.first().signature, ClipboardMonitor::clipboardSignature(kLineA));
    EXPECT_TRUE(outcomes.outcomes.first().signature.startsWith("clipboard:"));
    EXPECT_EQ(service.requestCount(), 1);
}

TEST_F(ClipboardMonitorTest, TheTimerPollsWithoutHelp) {
    monitor->startClipboardMonitoring();
    clipboard.copy(kLineA);
    ASSERT_TRUE(waitUntil([&] { return outcomes.outcomes.size() == 1; }, 4000));
    EXPECT_EQ(outcomes.outcomes.first().original, kLineA);
}

TEST_F(ClipboardMonitorTest, OnlyTheLastCandidateIsRemembered) {
    monitor->startClipboardMonitoring();
    copy(kLineA);
    ASSERT_TRUE(settle());
    copy(kLineA);  // copied again: a new change, the same text
    ASSERT_TRUE(settle());
    spin(100);
    EXPECT_EQ(service.requestCount(), 1);

    copy(kLineB);
    ASSERT_TRUE(settle());
    copy(kLineA);
    ASSERT_TRUE(settle());
    EXPECT_EQ(outcomes.originals(), QStringList({kLineA, kLineB, kLineA}));
    EXPECT_EQ(service.requestCount(), 3);
}

// Which texts pass is ClipboardTranslationCandidate's; the monitor must ask it with the strict
// setting (on by default) and stay quiet about what it refuses.
TEST_F(ClipboardMonitorTest, NonTextAndNonJapaneseCopiesAreIgnoredQuietly) {
    ASSERT_TRUE(monitor->clipboardStrictJapaneseDetection());
    monitor->startClipboardMonitoring();
    const qsizetype statesBefore = shell.states.size();
    clipboard.copyImage();
    monitor->pollClipboardForTranslation();
    copy(QStringLiteral("hello world"));
    copy(QStringLiteral("我们明天一起去公园散步，你觉得怎么样？这个地方的风景非常美丽。"));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(monitor->clipboardLastText().isEmpty());
    copy(QStringLiteral("あ"));  // a single kana passes the gate
    ASSERT_TRUE(settle());
    EXPECT_EQ(outcomes.originals(), QStringList({QStringLiteral("あ")}));
    EXPECT_EQ(shell.states.size(), statesBefore);  // no message for any of them
}

TEST_F(ClipboardMonitorTest, CopiesWhileARequestIsInFlightWaitInOneSlotTheNewestWinning) {
    fake::ScriptedReply slow;
    slow.delayMs = 700;
    service.enqueue(fake::Route::chatCompletions, slow);
    monitor->startClipboardMonitoring();

    copy(kLineA);
    ASSERT_TRUE(pipeline->isRequestInFlight());
    copy(kLineB);
    copy(kLineC);
    EXPECT_EQ(monitor->pendingClipboardText(), kLineC);
    monitor->pollClipboardForTranslation();  // the first is still out: the third keeps waiting
    EXPECT_TRUE(pipeline->isRequestInFlight());
    EXPECT_EQ(monitor->pendingClipboardText(), kLineC);

    ASSERT_TRUE(settle());
    EXPECT_EQ(outcomes.originals(), QStringList({kLineA, kLineC}));
    EXPECT_EQ(service.requestCount(), 2);
    EXPECT_TRUE(outcomes.outcomes.last().succeeded());
}

TEST_F(ClipboardMonitorTest, ACopiedTranslationIsNeverSentBack) {
    monitor->toggleClipboardStrictDetection();  // Chinese may pass: only the session list stops it
    ASSERT_FALSE(monitor->clipboardStrictJapaneseDetection());
    EXPECT_FALSE(settings.boolValue(SettingsKeys::clipboardStrictJapaneseDetection, true));
    monitor->startClipboardMonitoring();

    copy(kLineA);
    ASSERT_TRUE(settle());
    ASSERT_EQ(pipeline->panelLines().size(), 1);
    const QString shown = pipeline->panelLines().first().translation;
    ASSERT_EQ(shown, service.defaultTranslation());

    copy(shown);
    ASSERT_TRUE(settle());
    EXPECT_EQ(service.requestCount(), 1);
    EXPECT_EQ(monitor->clipboardLastText(), kLineA);

    const QString chinese = QStringLiteral("我们明天一起去公园散步吧");
    copy(chinese);
    ASSERT_TRUE(settle());
    EXPECT_EQ(outcomes.originals(), QStringList({kLineA, chinese}));
}

TEST_F(ClipboardMonitorTest, ACopiedTranslationIsRecognisedThroughTheCleaner) {
    // A translation that keeps a name in katakana passes strict detection on its own, and its
    // blank line is gone once the copied text is cleaned.
    const QString translation = QStringLiteral("ナオミ说：\n\n  我们走吧。");
    service.setDefaultTranslation(translation);
    monitor->startClipboardMonitoring();
    copy(kLineA);
    ASSERT_TRUE(settle());
    ASSERT_EQ(pipeline->panelLines().size(), 1);
    const QString shown = pipeline->panelLines().first().translation;
    ASSERT_NE(OCRTextCleaner::clean(shown), shown) << "the shown text must differ from its cleaned form";

    copy(shown);
    ASSERT_TRUE(settle());
    EXPECT_EQ(service.requestCount(), 1);
    EXPECT_EQ(outcomes.originals(), QStringList({kLineA}));
}

TEST_F(ClipboardMonitorTest, AnUnconfiguredSourceKeepsTheModeOffAtStart) {
    ASSERT_TRUE(settings.setBool(SettingsKeys::clipboardMonitoringEnabled, true));
    ASSERT_TRUE(selection.providerChanged(Provider::openAI));  // no key stored
    const auto issue = pipeline->providerSettings().providerConfigurationIssue(Provider::openAI);
    ASSERT_TRUE(issue.has_value());

    monitor->restoreClipboardMonitoringAtLaunch();
    EXPECT_FALSE(monitor->clipboardMonitoringEnabled());
    EXPECT_FALSE(monitor->isPolling());
    EXPECT_FALSE(settings.boolValue(SettingsKeys::clipboardMonitoringEnabled, true));
    ASSERT_EQ(shell.states.size(), 1);
    EXPECT_EQ(shell.states.first().kind, Kind::error);
    EXPECT_EQ(shell.states.first().message, ProviderCatalogue::title(Provider::openAI) + QStringLiteral("：") + *issue);
    EXPECT_TRUE(issue->startsWith(QStringLiteral("缺少")));
    EXPECT_EQ(shell.overlayRequests, 0);

    copy(kLineA);
    spin(100);
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(ClipboardMonitorTest, ASourceBrokenWhileOnShowsTheErrorAndTheModeStaysOn) {
    monitor->startClipboardMonitoring();
    ASSERT_TRUE(selection.providerChanged(Provider::openAI));
    copy(kLineA);
    ASSERT_FALSE(shell.states.isEmpty());
    EXPECT_TRUE(shell.states.last().isError());
    EXPECT_TRUE(shell.states.last().message.startsWith(ProviderCatalogue::title(Provider::openAI) + QStringLiteral("：缺少")));
    EXPECT_TRUE(monitor->clipboardMonitoringEnabled());
    EXPECT_EQ(service.requestCount(), 0);

    ASSERT_TRUE(selection.providerChanged(Provider::sakura));
    copy(kLineB);
    ASSERT_TRUE(settle());
    EXPECT_EQ(outcomes.originals(), QStringList({kLineB}));
}

TEST_F(ClipboardMonitorTest, StoppingDropsTheAnswerInFlightAndWhatWaits) {
    fake::ScriptedReply slow;
    slow.delayMs = 400;
    service.enqueue(fake::Route::chatCompletions, slow);
    monitor->startClipboardMonitoring();
    copy(kLineA);
    copy(kLineB);
    ASSERT_TRUE(monitor->pendingClipboardText().has_value());

    monitor->toggleClipboardMonitoring();
    EXPECT_FALSE(monitor->clipboardMonitoringEnabled());
    EXPECT_FALSE(monitor->isPolling());
    EXPECT_FALSE(monitor->pendingClipboardText().has_value());
    EXPECT_FALSE(settings.boolValue(SettingsKeys::clipboardMonitoringEnabled, true));
    EXPECT_EQ(shell.states.last().kind, Kind::paused);
    EXPECT_EQ(shell.menuRefreshes, 1);
    EXPECT_EQ(shell.settingsRenders, 1);

    copy(kLineC);
    spin(900);
    EXPECT_TRUE(outcomes.outcomes.isEmpty());
    EXPECT_LE(service.requestCount(), 1);

    // Switched off for the realtime session: no state of its own.
    monitor->startClipboardMonitoring();
    const qsizetype before = shell.states.size();
    monitor->stopClipboardMonitoring(false);
    EXPECT_EQ(shell.states.size(), before);
    EXPECT_FALSE(monitor->isPolling());
}

TEST_F(ClipboardMonitorTest, StartingStopsARunningRealtimeSession) {
    shell.realtimeRunning = true;
    monitor->toggleClipboardMonitoring();
    EXPECT_EQ(shell.realtimeStops, 1);
    EXPECT_TRUE(monitor->clipboardMonitoringEnabled());
    EXPECT_EQ(shell.menuRefreshes, 1);

    // A restart of a running mode does not start a second poll or stop anything again.
    monitor->startClipboardMonitoring();
    EXPECT_EQ(shell.realtimeStops, 1);
    EXPECT_TRUE(monitor->isPolling());
}

TEST(QtClipboardSourceTest, CountsChangesAndReadsPlainTextOnly) {
    QClipboard* system = QGuiApplication::clipboard();
    ASSERT_NE(system, nullptr);
    QtClipboardSource source;
    const qint64 before = source.changeCount();

    system->setText(QStringLiteral("コピーした文"));
    QCoreApplication::processEvents();
    EXPECT_GT(source.changeCount(), before);
    EXPECT_EQ(source.text(), QStringLiteral("コピーした文"));

    const qint64 afterText = source.changeCount();
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    system->setImage(image);
    QCoreApplication::processEvents();
    EXPECT_GT(source.changeCount(), afterText);
    EXPECT_EQ(source.text(), std::nullopt);

    // The selection is not the clipboard.
    const qint64 afterImage = source.changeCount();
    if (system->supportsSelection()) {
        system->setText(QStringLiteral("選択"), QClipboard::Selection);
        QCoreApplication::processEvents();
        EXPECT_EQ(source.changeCount(), afterImage);
    }
}
