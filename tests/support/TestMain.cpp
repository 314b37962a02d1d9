#include "base/AppLogger.h"

#include <QGuiApplication>
#ifdef OVISU_TEST_WIDGETS
#include <QApplication>
#endif
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ovisu::test {
void installFreshHomeListener();
}

int main(int argc, char** argv) {
    // Rendering test images (text on a QImage) needs a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef OVISU_TEST_WIDGETS
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
