#include <QCoreApplication>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ovisu::test {
void installFreshHomeListener();
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    ovisu::test::installFreshHomeListener();
    return RUN_ALL_TESTS();
}
