#include "app/ui/AppDelegate.h"
#include "app/ui/MainWindow.h"
#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "capture/ui/RegionPickerWindow.h"
#include "desktop/DesktopTestSupport.h"
#include "engine/TranslationPipeline.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QJsonObject>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::test;

namespace {

const QStringList kScript = {"今日はいい天気ですね。", "そうだね、散歩に行こうか。", "駅の近くに新しい店ができた。"};
const QString kGameTitle = QStringLiteral("Desktop Game");

class DesktopProgramTest : public ::testing::Test {
protected:
    fake::FakeService service;

    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "no private X server";
        SettingsStore settings;
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(settings.setInt("provider", 9));
    }

    static int indexOfTitle(const AppDelegate& delegate, const QString& windowTitle) {
        const auto& targets = delegate.targets();
        for (int i = 0; i < targets.size(); ++i)
            if (targets[i].scWindow.title == windowTitle) return i;
        return -1;
    }
};

}  // namespace

TEST_F(DesktopProgramTest, StartsWithDefaultsListsTheGameAndTranslatesItsLines) {
    TestGame game(kScript, kGameTitle, 0);
    ASSERT_TRUE(game.waitUntilListed(10000));

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(delegate.mainWindow().isVisible());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "开始翻译");
    const int index = indexOfTitle(delegate, kGameTitle);
    ASSERT_GE(index, 0) << "the game window is not offered";

    delegate.targetChanged(index);
    EXPECT_FALSE(delegate.session().normalizedRegion());

    // The subtitle box is marked by dragging over the frozen still of the game.
    delegate.primaryRegionAction();
    RegionPickerWindow* picker = delegate.regionPicker().pickerWindow();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    const QSize size = picker->size();
    const QPoint from(qRound(size.width() * 0.06), qRound(size.height() * 0.71));
    const QPoint to(qRound(size.width() * 0.94), qRound(size.height() * 0.88));
    QTest::mousePress(picker, Qt::LeftButton, {}, from);
    QTest::mouseMove(picker, (from + to) / 2);
    QTest::mouseMove(picker, to);
    QTest::mouseRelease(picker, Qt::LeftButton, {}, to);
    ASSERT_TRUE(delegate.session().normalizedRegion());
    EXPECT_NEAR(delegate.session().normalizedRegion()->x(), 0.06, 0.01);
    EXPECT_NEAR(delegate.session().normalizedRegion()->height(), 0.17, 0.01);
    EXPECT_EQ(delegate.mainWindow().statusText(), "字幕区域已保存");
    EXPECT_TRUE(SettingsStore().dictionaryValue("normalizedRegion").has_value());
    delegate.primaryAction();
    EXPECT_TRUE(delegate.session().isRunning());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "暂停翻译");

    ASSERT_TRUE(waitForCondition([&] { return service.requestCount() >= 1; }, 20000)) << game.log().toStdString();
    EXPECT_TRUE(similar(sentText(service.requests().first()), kScript.first(), 0.8));
    ASSERT_TRUE(waitForCondition([&] { return delegate.pipeline().translationHistory().size() == 1; }, 5000));

    // Pausing and resuming on the same line does not translate it again.
    delegate.primaryAction();
    EXPECT_FALSE(delegate.session().isRunning());
    EXPECT_EQ(delegate.mainWindow().primaryActionTitle(), "继续翻译");
    delegate.primaryAction();
    waitForCondition([] { return false; }, 3000);
    EXPECT_EQ(service.requestCount(), 1);
    delegate.applicationWillTerminate();
}
