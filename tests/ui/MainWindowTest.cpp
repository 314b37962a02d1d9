#include "app/ui/MainWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ovisu;

namespace {

QPushButton* buttonTitled(const QWidget& window, const QString& title) {
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == title) return button;
    return nullptr;
}

// Screenshots for looking at the window by eye: OVISU_SCREENSHOT_DIR=/tmp/shots ui_tests
void saveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR");
    if (!folder.isEmpty()) window.grab().save(folder + "/" + name + ".png");
}

}  // namespace

TEST(MainWindowTest, RegionControlsAndStatusShowWhatTheyAreGiven) {
    MainWindow window;
    window.setTargets({"ovisu-test-game — Desktop Game", "Files — Home"}, 0);
    window.setProviders({Provider::google, Provider::sakura, Provider::deepL}, 1);
    window.setProviderDetails("本地 Sakura 模型，需要先启动 llama-server。", "可以使用");
    window.setRegionControls(RegionControls::make(TranslationMode::dialogue, true, 0, 0));
    window.setStatus("等待字幕稳定", 1, QString());
    window.setStatistics("最新 0.42 秒 · 平均 0.40 秒 · 本次 3 句 · 运行 00:01:05");
    window.show();
    saveScreenshot(window, "main-window");

    EXPECT_EQ(window.statusText(), "等待字幕稳定");
    ASSERT_NE(buttonTitled(window, "查看区域"), nullptr);
    EXPECT_TRUE(buttonTitled(window, "查看区域")->isEnabled());
    window.setRegionControls(RegionControls::make(TranslationMode::dialogue, false, 0, 0));
    EXPECT_FALSE(buttonTitled(window, "删除区域")->isEnabled());

    window.setErrorDetailsButton(true, "错误详情…");
    window.setStatus("OCR 失败：引擎不可用", 3, "OCR 失败：引擎不可用");
    saveScreenshot(window, "main-window-error");
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
    QTest::mouseClick(buttonTitled(window, "界面模式"), Qt::LeftButton);
    ASSERT_EQ(modes.count(), 1);
    EXPECT_EQ(modes.first().first().value<TranslationMode>(), TranslationMode::interface);
}
