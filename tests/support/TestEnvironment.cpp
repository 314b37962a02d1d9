#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace ovisu::test {
namespace {

std::unique_ptr<QTemporaryDir> g_home;

// Gives every test its own OVISU_HOME so that no test sees another's files or a real home.
class FreshHomeListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        g_home = std::make_unique<QTemporaryDir>();
        qputenv("OVISU_HOME", g_home->path().toUtf8());
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        g_home.reset();
        qunsetenv("OVISU_HOME");
    }
};

}  // namespace

QString currentHome() { return g_home ? g_home->path() : QString(); }

void installFreshHomeListener() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshHomeListener);
}

}  // namespace ovisu::test
