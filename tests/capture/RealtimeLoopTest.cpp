#include "base/SettingsStore.h"
#include "capture/RealtimeLoop.h"
#include "capture/RealtimeStatusPresentation.h"
#include "capture/WindowCapture.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

using namespace ovisu;
using test::spin;
using test::waitUntil;

namespace {

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// The game window, seen and read. A frame is filled with a colour made from the window's
// identifier, so a result tells which window it came from. A held capture waits as a slow display
// server does; a held reading waits like a long pass and, like Tesseract, gives up when asked to.
struct Game : WindowCapture {
    QMutex mutex;
    std::optional<PlatformWindow> window = PlatformWindow{42, QRect(0, 0, 640, 360), QString("Game"), true, 0, 1, QString("Game")};
    std::optional<CaptureFailure> failure;
    std::atomic<bool> capturesHeld = false, readingsHeld = false;
    std::atomic<int> captures = 0, readings = 0, readingsCancelled = 0;
    // Captures, frame tasks and readings done on the main thread: all belong on the worker.
    std::atomic<int> workOnMainThread = 0;

    std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() override {
        QMutexLocker lock(&mutex);
        return window ? QList<PlatformWindow>{*window} : QList<PlatformWindow>{};
    }
    std::expected<QRect, CaptureFailure> windowFrame(quint32) override { return QRect(0, 0, 640, 360); }
    std::expected<QImage, CaptureFailure> captureWindow(quint32 windowID) override {
        ++captures;
        workOnMainThread += onMainThread();
        while (capturesHeld) QThread::msleep(2);
        QMutexLocker lock(&mutex);
        if (failure) return std::unexpected(*failure);
        QImage image(64, 36, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(windowID));
        return image;
    }
};

class GameReader : public TextRecognizer {
public:
    explicit GameReader(Game& game) : m_game(game) {}
    std::expected<QList<RecognizedLine>, QString> recognize(const QImage&, const TextRecognitionRequest&) override {
        ++m_game.readings;
        m_game.workOnMainThread += onMainThread();
        while (m_game.readingsHeld) {
            if (m_cancelCheck && m_cancelCheck()) {
                ++m_game.readingsCancelled;
                return std::unexpected(QStringLiteral("文字识别已取消"));
            }
            QThread::msleep(2);
        }
        return QList<RecognizedLine>{{QStringLiteral("読めた"), 0.9, QRectF(0, 0, 1, 1)}};
    }
    void setCancelCheck(std::function<bool()> check) override { m_cancelCheck = std::move(check); }

private:
    Game& m_game;
    std::function<bool()> m_cancelCheck;
};

// A mode that is not the dialogue: it fingerprints the whole window on the worker (here the
// identifier the colour carries) and reads the window on every frame.
class WholeWindowHandler : public RealtimeFrameHandler {
public:
    RealtimeLoop* loop = nullptr;
    std::atomic<int>* workOnMainThread = nullptr;
    QList<quint32> frames;  // the window each delivered frame came from
    QStringList readings;
    QList<CaptureFailure> failures;
    int stepsOffMainThread = 0;

    FrameTask frameTask() override {
        return [this](const QImage& frame) -> MainThreadStep {
            *workOnMainThread += onMainThread();
            return [this, windowID = frame.pixel(0, 0) & 0xffffff] {
                stepsOffMainThread += !onMainThread();
                frames.append(windowID);
                loop->recognize([this](TextRecognizer& recognizer) -> MainThreadStep {
                    const auto lines = recognizer.recognize(QImage(), {});
                    return [this, text = lines ? lines->first().text : lines.error()] { readings.append(text); };
                });
            };
        };
    }
    void captureFailed(const CaptureFailure& failure) override { failures.append(failure); }
};

class StateLog : public RealtimeLoopClient {
public:
    QStringList statusLabels;
    QList<TargetWindow> movedTargets;
    QList<CaptureFailure> captureFailures;
    void windowCaptureFailed(const CaptureFailure& failure) override { captureFailures.append(failure); }
    void statusLabelChanged(const QString& text) override { statusLabels.append(text); }
    void targetGeometryChanged(const TargetWindow& target) override { movedTargets.append(target); }
};

class RealtimeLoopTest : public ::testing::Test {
protected:
    SettingsStore settings;
    Game game;
    StateLog log;
    WholeWindowHandler handler;
    RealtimeLoop loop{settings, game, log, handler, [this] { return std::make_unique<GameReader>(game); }};

    void SetUp() override {
        handler.loop = &loop;
        handler.workOnMainThread = &game.workOnMainThread;
        loop.setPollingIntervalOverride(0.02);
        loop.setTarget(TargetWindow::make(*game.window));
    }
    // Changes what the worker sees of the game.
    void onGame(const std::function<void()>& change) {
        QMutexLocker lock(&game.mutex);
        change();
    }
    // Held work would keep the loop's destructor waiting.
    void TearDown() override { game.capturesHeld = game.readingsHeld = false; }
};

const TargetWindow kOtherWindow =
    TargetWindow::make(PlatformWindow{43, QRect(0, 0, 640, 360), QString("Other"), true, 0, 4, QString("Other")});

}  // namespace

TEST_F(RealtimeLoopTest, FramesAreMadeOnTheWorkerAndHandledOnTheMainThread) {
    loop.start();
    EXPECT_TRUE(loop.isRunning());
    EXPECT_EQ(loop.state().kind, RealtimeTranslationState::Kind::capturing);
    ASSERT_TRUE(waitUntil([&] { return handler.readings.size() >= 3; }));
    EXPECT_EQ(handler.frames.first(), 42u);
    EXPECT_EQ(handler.readings.first(), "読めた");
    EXPECT_EQ(game.workOnMainThread, 0);
    EXPECT_EQ(handler.stepsOffMainThread, 0);
    EXPECT_GE(loop.captureCycleCount(), 3);
}

// What is in flight for a window is dropped once another is chosen or the loop stops, and the
// loop is free at once; the same window again is no change.
TEST_F(RealtimeLoopTest, AStopOrAnotherTargetDropsTheFrameInFlight) {
    game.capturesHeld = true;
    loop.captureFrame();  // one capture, the loop not running
    ASSERT_TRUE(waitUntil([&] { return game.captures == 1; }));
    EXPECT_FALSE(loop.setTarget(TargetWindow::make(*game.window)));
    game.capturesHeld = false;
    ASSERT_TRUE(waitUntil([&] { return handler.readings.size() == 1; }));

    game.capturesHeld = true;
    loop.start();
    ASSERT_TRUE(waitUntil([&] { return game.captures == 2; }));
    loop.stop();
    EXPECT_FALSE(loop.isCycleBusy());
    game.capturesHeld = false;
    spin(150);
    EXPECT_EQ(handler.frames.size(), 1);

    game.capturesHeld = true;
    loop.start();
    ASSERT_TRUE(waitUntil([&] { return game.captures == 3; }));
    EXPECT_TRUE(loop.setTarget(kOtherWindow));
    game.capturesHeld = false;
    ASSERT_TRUE(waitUntil([&] { return handler.readings.size() >= 3; }));
    EXPECT_EQ(handler.frames.count(42u), 1) << "a late frame of the window before was delivered";
}

TEST_F(RealtimeLoopTest, ASupersededRecognitionIsCancelledHalfWayAndDropped) {
    game.readingsHeld = true;
    loop.start();
    ASSERT_TRUE(waitUntil([&] { return game.readings == 1; }));
    loop.stop();
    ASSERT_TRUE(waitUntil([&] { return game.readingsCancelled == 1; }, 2000)) << "the pass went on for nothing";

    loop.start();
    ASSERT_TRUE(waitUntil([&] { return game.readings == 2; }));
    loop.setTarget(kOtherWindow);
    ASSERT_TRUE(waitUntil([&] { return game.readingsCancelled == 2; }, 2000));
    spin(100);
    EXPECT_TRUE(handler.readings.isEmpty()) << "a cancelled pass was delivered";
}

TEST_F(RealtimeLoopTest, AFailedCaptureReachesTheModeTypedAndTheLoopGoesOn) {
    onGame([&] { game.failure = CaptureFailure(QStringLiteral("目标窗口已关闭或不可访问")); });
    loop.start();
    ASSERT_TRUE(waitUntil([&] { return !handler.failures.isEmpty(); }));
    EXPECT_FALSE(handler.failures.first().isDisplayUnavailable());
    EXPECT_EQ(loop.state(), RealtimeTranslationState::error("采集失败：目标窗口已关闭或不可访问"));
    EXPECT_EQ(loop.lastErrorMessage(), "采集失败：目标窗口已关闭或不可访问");
    EXPECT_TRUE(loop.isRunning());
    ASSERT_FALSE(log.captureFailures.isEmpty()) << "the desktop program was not told the window gave no image";
    EXPECT_EQ(log.captureFailures.first().message, "目标窗口已关闭或不可访问");

    onGame([&] { game.failure = CaptureFailure(CaptureFailure::Kind::displayUnavailable, QStringLiteral("连接已断开")); });
    ASSERT_TRUE(waitUntil([&] { return handler.failures.last().isDisplayUnavailable(); }));
    EXPECT_EQ(loop.state(), RealtimeTranslationState::displayUnavailable());
    // No display at all has its own guidance: the client hears only of windows that give no image.
    for (const CaptureFailure& failure : log.captureFailures) EXPECT_FALSE(failure.isDisplayUnavailable());
    onGame([&] { game.failure.reset(); });
    ASSERT_TRUE(waitUntil([&] { return !handler.readings.isEmpty(); }));
}

// No X display at all (here: one that does not exist): the window list shows the availability
// state with its guidance, and the primary button offers help instead of a start.
TEST_F(RealtimeLoopTest, AWindowListWithoutAnXDisplayShowsTheAvailabilityState) {
    const QByteArray previous = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":4998");
    const auto listed = makeWindowCapture()->listWindows();
    if (previous.isEmpty())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", previous);
    ASSERT_FALSE(listed.has_value());

    loop.showWindowListingFailure(listed.error());
    EXPECT_EQ(loop.state(), RealtimeTranslationState::displayUnavailable());
    EXPECT_EQ(loop.state().message, "无法连接 X 显示服务器：请在图形桌面中运行，或设置 DISPLAY");
    EXPECT_TRUE(RealtimeStatusPresentation::primaryActionOpensPermissionHelp(loop.state()));

    // Any other listing failure is reported as it is.
    loop.showWindowListingFailure(CaptureFailure(QStringLiteral("读取窗口列表失败：X 服务器没有回答")));
    EXPECT_EQ(loop.state().message, "读取窗口失败：读取窗口列表失败：X 服务器没有回答");
    EXPECT_FALSE(RealtimeStatusPresentation::primaryActionOpensPermissionHelp(loop.state()));
}

TEST_F(RealtimeLoopTest, WindowFollowingTracksMovesLossAndANewIdentifierUnlessTurnedOff) {
    ASSERT_TRUE(settings.setBool("interfaceWindowFollowEnabled", false));
    loop.start();
    onGame([&] { game.window->frame = QRect(300, 200, 640, 360); });
    ASSERT_TRUE(waitUntil([&] { return loop.captureCycleCount() >= 8; }));
    EXPECT_TRUE(log.movedTargets.isEmpty());
    EXPECT_EQ(loop.target()->frame(), QRect(0, 0, 640, 360));

    ASSERT_TRUE(settings.setBool("interfaceWindowFollowEnabled", true));
    ASSERT_TRUE(waitUntil([&] { return !log.movedTargets.isEmpty(); }));
    EXPECT_EQ(log.movedTargets.last().frame(), QRect(300, 200, 640, 360));
    EXPECT_EQ(loop.target()->frame(), QRect(300, 200, 640, 360));

    onGame([&] { game.window.reset(); });
    ASSERT_TRUE(waitUntil([&] { return log.statusLabels.contains("目标游戏窗口暂时不可见，等待恢复…"); }));
    EXPECT_EQ(loop.target()->windowID(), 42u);  // kept while it is away

    // The game comes back as a new window with the same title: it is found by that title and the
    // loop goes on reading it.
    onGame([&] { game.window = PlatformWindow{77, QRect(0, 0, 640, 360), QString("Game"), true, 0, 3, QString("Game")}; });
    ASSERT_TRUE(waitUntil([&] { return loop.target()->windowID() == 77u; }));
    ASSERT_TRUE(waitUntil([&] { return handler.frames.count(77u) >= 5; }));
}
