#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QProcess>
#include <QStyle>
#include <QStyleOptionButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>

using namespace ovisu;

namespace {

QPushButton* buttonTitled(const QWidget& window, const QString& title) {
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == title) return button;
    return nullptr;
}

}  // namespace

// Which region buttons are enabled is RegionControls'; the window must apply it.
TEST(MainWindowTest, RegionControlsAndTheErrorButtonFollowWhatTheyAreGiven) {
    MainWindow window;
    window.setRegionControls(RegionControls::make(TranslationMode::dialogue, true, 0, 0));
    window.show();
    ASSERT_NE(buttonTitled(window, "查看区域"), nullptr);
    EXPECT_TRUE(buttonTitled(window, "查看区域")->isEnabled());
    window.setRegionControls(RegionControls::make(TranslationMode::dialogue, false, 0, 0));
    EXPECT_FALSE(buttonTitled(window, "删除区域")->isEnabled());

    window.setErrorDetailsButton(true, "错误详情…");
    EXPECT_TRUE(buttonTitled(window, "错误详情…")->isVisible());
}

TEST(MainWindowTest, OnlyTheUsersChoicesBecomeRequests) {
    MainWindow window;
    QSignalSpy providers(&window, &MainWindow::providerChosen);
    QSignalSpy targets(&window, &MainWindow::targetChosen);
    QSignalSpy opacity(&window, &MainWindow::overlayOpacityChosen);
    window.setProviders({Provider::google, Provider::sakura}, 1);
    window.setTargets({"A", "B"}, 1);
    window.setOverlayOpacity(0.5);
    EXPECT_EQ(providers.count(), 0);
    EXPECT_EQ(targets.count(), 0);
    EXPECT_EQ(opacity.count(), 0);

    auto* sources = window.findChildren<QComboBox*>().at(1);
    emit sources->activated(0);
    ASSERT_EQ(providers.count(), 1);
    EXPECT_EQ(providers.first().first().value<Provider>(), Provider::google);

    window.findChild<QSlider*>()->setValue(40);
    ASSERT_EQ(opacity.count(), 1);
    EXPECT_DOUBLE_EQ(opacity.first().first().toDouble(), 0.4);

    QSignalSpy modes(&window, &MainWindow::translationModeChosen);
    QPushButton* interfaceMode = buttonTitled(window, "界面模式");
    ASSERT_NE(interfaceMode, nullptr);
    QTest::mouseClick(interfaceMode, Qt::LeftButton);
    QTest::mouseClick(buttonTitled(window, "对白模式"), Qt::LeftButton);
    ASSERT_EQ(modes.count(), 2);
    EXPECT_EQ(modes.first().first().value<TranslationMode>(), TranslationMode::interface);
    EXPECT_EQ(modes.last().first().value<TranslationMode>(), TranslationMode::dialogue);
}

// Every button of the main window is tall enough for its label with room above and below,
// whatever the titles it takes on. The suite runs this once more in a child at twice the scale.
TEST(MainWindowTest, EveryButtonFitsItsText) {
    MainWindow window;
    window.setProviders({Provider::google}, 0);
    window.setErrorDetailsButton(true, "错误详情…");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto check = [&](const QString& when) {
        QApplication::processEvents();
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            const QFontMetrics metrics(button->font());
            const int textHeight = std::max(metrics.height(), metrics.boundingRect(button->text()).height());
            const QString what = when + " " + button->text() + " at scale " + qEnvironmentVariable("QT_SCALE_FACTOR", "1");
            // A third of a line above and below the text.
            EXPECT_GE(button->height(), textHeight + 2 * ((metrics.height() + 2) / 3)) << what.toStdString();
            EXPECT_GE(button->width(), metrics.horizontalAdvance(button->text())) << what.toStdString();
            // What the style leaves for the label inside its frame and padding holds a whole line.
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect label = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            EXPECT_GE(label.height(), metrics.height()) << what.toStdString();
        }
    };
    check("at first");
    window.setPrimaryActionTitle("暂停翻译");
    window.setRegionControls(RegionControls::make(TranslationMode::dialogue, true, 0, 0));
    check("running");
    window.setPrimaryActionTitle("继续翻译");
    window.setErrorDetailsButton(true, "上次错误…");
    check("paused");
}

TEST(MainWindowTest, EveryButtonFitsItsTextAtTwiceTheScale) {
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) GTEST_SKIP() << "this is the child";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", "2");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=MainWindowTest.EveryButtonFitsItsText"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
