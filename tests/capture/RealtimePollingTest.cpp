#include "capture/RealtimePolling.h"
#include "capture/RealtimeStatusPresentation.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace ovisu {

void PrintTo(const RealtimeStatusPresentation& presentation, std::ostream* out) {
    *out << '"' << presentation.text.toStdString() << "\" tone " << presentation.tone;
}

namespace {

AdaptivePollingController afterUnchangedFrames(int count) {
    AdaptivePollingController state;
    state.recordFrame(true);
    for (int i = 0; i < count; ++i)
        state.recordFrame(false);
    return state;
}

TEST(RealtimePollingTest, NormalPollingRepeatsAtTheConfiguredInterval) {
    EXPECT_TRUE(RealtimePolling::repeats(false));
    EXPECT_FALSE(RealtimePolling::repeats(true));
    // Activity does not matter without high-performance polling.
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(false, 0.8, afterUnchangedFrames(0)), 0.8);
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(false, 1.5, afterUnchangedFrames(100)), 1.5);
    AdaptivePollingController unavailable;
    unavailable.recordCaptureFailure();
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(false, 0.5, unavailable), 0.5);
}

TEST(RealtimePollingTest, HighPerformancePollingFollowsActivity) {
    // The default base: 0.3 s below 8 unchanged frames, 0.8 s from 8 to 24, 2 s beyond.
    const struct {
        int unchanged;
        double expected;
    } cases[] = {{0, 0.3}, {7, 0.3}, {8, 0.8}, {24, 0.8}, {25, 2.0}, {20000, 2.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, 0.8, afterUnchangedFrames(c.unchanged)), c.expected)
            << c.unchanged << " unchanged frames";

    // The base interval bounds each band from the side the band allows.
    EXPECT_DOUBLE_EQ(RealtimePolling::highPerformanceInterval(0.2, afterUnchangedFrames(0)), 0.2);
    EXPECT_DOUBLE_EQ(RealtimePolling::highPerformanceInterval(1.2, afterUnchangedFrames(0)), 0.3);
    EXPECT_DOUBLE_EQ(RealtimePolling::highPerformanceInterval(1.2, afterUnchangedFrames(10)), 1.2);
    EXPECT_DOUBLE_EQ(RealtimePolling::highPerformanceInterval(0.5, afterUnchangedFrames(10)), 0.8);
    EXPECT_DOUBLE_EQ(RealtimePolling::highPerformanceInterval(2.5, afterUnchangedFrames(30)), 2.5);
}

TEST(RealtimePollingTest, AnUnreadableTargetBacksOffUntilTheNextFrame) {
    AdaptivePollingController state = afterUnchangedFrames(3);
    state.recordCaptureFailure();
    EXPECT_TRUE(state.targetUnavailable);
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, 0.8, state), 3.0);
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, 5.0, state), 3.0);

    state.recordFrame(false);
    EXPECT_FALSE(state.targetUnavailable);
    EXPECT_EQ(state.unchangedFrames, 4) << "a failure does not reset the count";
    EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, 0.8, state), 0.3);
}

TEST(RealtimePollingTest, UnchangedFramesRestartOnAChangeAndStopAtTheCap) {
    AdaptivePollingController state = afterUnchangedFrames(12);
    EXPECT_EQ(state.unchangedFrames, 12);
    state.recordFrame(true);
    EXPECT_EQ(state.unchangedFrames, 0);

    state.unchangedFrames = AdaptivePollingController::unchangedFramesCap - 1;
    state.recordFrame(false);
    state.recordFrame(false);
    EXPECT_EQ(state.unchangedFrames, 10000);

    state.recordCaptureFailure();
    state.reset();
    EXPECT_EQ(state, AdaptivePollingController{});
}

TEST(RealtimePollingTest, AnIntervalThatIsNoPositiveNumberReadsAsTheDefault) {
    for (const double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_DOUBLE_EQ(RealtimePolling::interval(false, bad, {}), 0.8) << bad;
        EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, bad, {}), 0.3) << bad;
        EXPECT_DOUBLE_EQ(RealtimePolling::interval(true, bad, afterUnchangedFrames(10)), 0.8) << bad;
    }
}

TEST(RealtimePollingTest, TimerMillisecondsAreWholeAndPositive) {
    EXPECT_EQ(RealtimePolling::milliseconds(0.8), 800);
    EXPECT_EQ(RealtimePolling::milliseconds(0.3), 300);
    EXPECT_EQ(RealtimePolling::milliseconds(0.0004), 1);
    EXPECT_EQ(RealtimePolling::milliseconds(0), 1);
    EXPECT_EQ(RealtimePolling::milliseconds(1e12), 86'400'000);
}

using State = RealtimeTranslationState;

// The wording itself is a table in the source; what must hold is which states share a text,
// that an error shows its own message and keeps its tool tip, and that the menu never shows it.
TEST(RealtimeStatusPresentationTest, MonitoringStatesShareOneTextAndErrorsShowTheirMessage) {
    for (const State& state : {State::capturing(), State::recognizing(), State::waitingForStableText(), State::showingResult()}) {
        EXPECT_EQ(RealtimeStatusPresentation::make(state, false),
                  (RealtimeStatusPresentation{u"正在监测字幕 · 文本稳定后自动翻译"_qs, 0}));
        EXPECT_EQ(RealtimeStatusPresentation::make(state, true).text, u"正在监听剪贴板 · 发现日文后自动翻译"_qs);
    }
    EXPECT_EQ(RealtimeStatusPresentation::make(State::translating(), true).text, u"正在翻译…"_qs);
    const State failed = State::error(u"采集失败：未知错误"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::make(failed, true), (RealtimeStatusPresentation{failed.message, 3}));
    EXPECT_FALSE(RealtimeStatusPresentation::clearsToolTip(RealtimeStatusPresentation::make(failed, false).tone));
    EXPECT_TRUE(RealtimeStatusPresentation::clearsToolTip(RealtimeStatusPresentation::make(State::paused(), false).tone));

    EXPECT_EQ(RealtimeStatusPresentation::statusMenuText(failed), u"需要处理"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::statusMenuLine(State::capturing(), true), u"Ovisu · 正在监测 ●"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::statusMenuLine(State::paused(), false), u"Ovisu · 已暂停 "_qs);
}

TEST(RealtimeStatusPresentationTest, PrimaryActionTitles) {
    EXPECT_EQ(RealtimeStatusPresentation::primaryActionTitle(State::idle(), false), u"开始翻译"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::primaryActionTitle(State::capturing(), true), u"暂停翻译"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::primaryActionTitle(State::paused(), false), u"继续翻译"_qs);
    EXPECT_EQ(RealtimeStatusPresentation::primaryActionTitle(State::error(u"OCR 失败：x"_qs), true), u"暂停翻译"_qs);

    const State missingPermission = State::error(u"缺少屏幕录制权限 · 点击“框选 / 重选…”进行授权"_qs);
    EXPECT_TRUE(RealtimeStatusPresentation::primaryActionOpensPermissionHelp(missingPermission));
    EXPECT_EQ(RealtimeStatusPresentation::primaryActionTitle(missingPermission, false), u"授权屏幕录制"_qs);
    EXPECT_FALSE(RealtimeStatusPresentation::primaryActionOpensPermissionHelp(State::idle()));
}

}  // namespace
}  // namespace ovisu
