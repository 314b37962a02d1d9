#include "base/AppLogger.h"

#include <QGuiApplication>
#if defined(OVISU_TEST_WIDGETS) || defined(OVISU_TEST_DESKTOP)
#include <QApplication>
#endif
#ifdef OVISU_TEST_DESKTOP
#include "support/XvfbSession.h"
#include <cstdio>
#include <memory>
#endif
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ovisu::test {
void installFreshHomeListener();
}

int main(int argc, char** argv) {
    // Rendering test images (text on a QImage) needs a GUI application; no display is used.
#ifdef OVISU_TEST_DESKTOP
    // The desktop program's tests run the whole program in this process on a private X server
    // with a window manager, so real windows, grabs and captures take part.
    // Without one these tests would prove nothing, so that is a failure, not a skip.
    auto display = std::make_unique<ovisu::test::XvfbSession>(true, QSize(1280, 800));
    if (!display->isRunning()) {
        std::fprintf(stderr, "the desktop tests need a private X server (Xvfb): %s\n", qPrintable(display->error()));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(OVISU_TEST_WIDGETS) || defined(OVISU_TEST_DESKTOP)
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    ::testing::InitGoogleMock(&argc, argv);

    // The shared log is created once per process; give it a home that outlives every test's own
    // OVISU_HOME, so no test leaves log folders behind in another test's removed home.
    QTemporaryDir suiteHome;
    qputenv("OVISU_HOME", suiteHome.path().toUtf8());
    ovisu::AppLogger::shared();

    ovisu::test::installFreshHomeListener();
    return RUN_ALL_TESTS();
}
