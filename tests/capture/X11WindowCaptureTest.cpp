#include "capture/platform/X11WindowCapture.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/X11TestWindow.h"
#include "support/XvfbSession.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <unistd.h>

#include <array>
#include <cstring>

using namespace ovisu;
using test::X11TestWindow;
using test::XvfbSession;
using test::kQuadrantColours;

namespace {


bool eventually(const std::function<bool()>& done, int milliseconds = 5000) {
    return test::pollUntil(done, milliseconds);
}

class X11WindowCaptureTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        session = std::make_unique<XvfbSession>(GetParam());
        ASSERT_TRUE(session->isRunning()) << session->error().toStdString();
        client = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(client));
        CaptureFailure reason(QString{});
        capture = X11WindowCapture::connect(&reason);
        ASSERT_NE(capture, nullptr) << reason.message.toStdString();
    }
    void TearDown() override {
        capture.reset();
        if (client) xcb_disconnect(client);
        session.reset();
    }

    // The window once the window manager has mapped it.
    std::optional<PlatformWindow> listed(const QString& title) {
        const auto windows = capture->listWindows();
        if (!windows) return std::nullopt;
        for (const PlatformWindow& window : *windows)
            if (window.title == title && window.isOnScreen) return window;
        return std::nullopt;
    }

    std::unique_ptr<XvfbSession> session;
    xcb_connection_t* client = nullptr;
    std::unique_ptr<X11WindowCapture> capture;
};

quint32 rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }

}  // namespace

TEST_P(X11WindowCaptureTest, ListsWindowsWithTitleApplicationProcessAndFrame) {
    X11TestWindow game(client, {120, 90, 400, 300}, "テストゲーム", QByteArray("ovisu-test\0OvisuTest\0", 21));
    X11TestWindow dock(client, {0, 0, 800, 40}, "panel", QByteArray("panel\0Panel\0", 12), "_NET_WM_WINDOW_TYPE_DOCK");
    ASSERT_TRUE(eventually([&] { return listed("テストゲーム").has_value() && listed("panel").has_value(); }));

    const PlatformWindow window = *listed("テストゲーム");
    EXPECT_EQ(window.windowID, game.id());
    EXPECT_EQ(window.applicationName, QString("OvisuTest"));
    EXPECT_EQ(window.processID, static_cast<qint64>(getpid()));
    EXPECT_EQ(window.frame.size(), QSize(400, 300));
    EXPECT_TRUE(window.isOnScreen);
    EXPECT_EQ(window.windowLayer, 0);
    EXPECT_NE(listed("panel")->windowLayer, 0);
    EXPECT_EQ(capture->windowFrame(game.id()).value_or(QRect()).size(), QSize(400, 300));
}

TEST_P(X11WindowCaptureTest, CaptureHoldsTheWindowAloneEvenUnderAnotherWindow) {
    X11TestWindow game(client, {100, 100, 400, 300}, "覆われるゲーム", QByteArray("game\0Game\0", 10));
    ASSERT_TRUE(eventually([&] { return listed("覆われるゲーム").has_value(); }));
    game.paint();
    auto first = capture->captureWindow(game.id());
    ASSERT_TRUE(first.has_value()) << first.error().message.toStdString();
    ASSERT_EQ(first->size(), QSize(400, 300));
    game.paint();  // the game's next frame, now that the window is redirected
    first = capture->captureWindow(game.id());
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(rgb(*first, 100, 75), kQuadrantColours[0]);
    EXPECT_EQ(rgb(*first, 300, 225), kQuadrantColours[3]);
    EXPECT_EQ(qAlpha(first->pixel(10, 10)), 255);

    // An overlay panel over the lower half, as Ovisu's own sits over the subtitle box.
    X11TestWindow overlay(client, {80, 260, 460, 200}, "overlay", QByteArray("ovisu\0Ovisu\0", 12), nullptr, 0xff0000);
    ASSERT_TRUE(eventually([&] { return listed("overlay").has_value(); }));
    overlay.paint();
    game.paint();
    const auto covered = capture->captureWindow(game.id());
    ASSERT_TRUE(covered.has_value()) << covered.error().message.toStdString();
    EXPECT_EQ(rgb(*covered, 100, 225), kQuadrantColours[2]);
    EXPECT_EQ(rgb(*covered, 300, 225), kQuadrantColours[3]);
    EXPECT_EQ(*covered, *first);
}

TEST_P(X11WindowCaptureTest, AClosedWindowIsAnErrorNotABlankImage) {
    quint32 id = 0;
    {
        X11TestWindow gone(client, {50, 50, 300, 200}, "消える", QByteArray("gone\0Gone\0", 10));
        ASSERT_TRUE(eventually([&] { return listed("消える").has_value(); }));
        id = gone.id();
    }
    const auto image = capture->captureWindow(id);
    ASSERT_FALSE(image.has_value());
    EXPECT_FALSE(image.error().message.isEmpty());
    EXPECT_FALSE(image.error().isDisplayUnavailable()) << "one window gone is no lost display";
    EXPECT_FALSE(capture->windowFrame(id).has_value());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutWindowManager, X11WindowCaptureTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "openbox" : "bare"; });

// A display that does not exist and no DISPLAY at all both fail every call as "no display",
// so the program can guide the user instead of reporting a failed call.
TEST(WindowCaptureLoader, WithoutADisplayEveryCallFailsAsDisplayUnavailable) {
    const QByteArray previous = qgetenv("DISPLAY");
    for (const QByteArray& display : {QByteArray(":4999"), QByteArray()}) {
        if (display.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", display);
        const auto capture = makeWindowCapture();
        const auto windows = capture->listWindows();
        ASSERT_FALSE(windows.has_value());
        EXPECT_TRUE(windows.error().isDisplayUnavailable()) << display.constData();
        EXPECT_TRUE(windows.error().message.contains("DISPLAY=" + QString::fromUtf8(display.isEmpty() ? "未设置" : display.constData())))
            << windows.error().message.toStdString();
        const auto image = capture->captureWindow(1);
        ASSERT_FALSE(image.has_value());
        EXPECT_TRUE(image.error().isDisplayUnavailable());
    }
    if (previous.isEmpty())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", previous);
}
