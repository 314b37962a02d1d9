#include "app/SettingsCenterActions.h"
#include "capture/RecognitionSettingsActions.h"
#include "overlay/OverlayAppearance.h"
#include "overlay/OverlaySettingsActions.h"
#include "app/ui/SettingsCenterWindow.h"
#include "app/ui/SettingsPage.h"
#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace ovisu;
namespace Keys = ovisu::SettingsKeys;

namespace {

// Records every call; the operations that write settings in the shell write them here the same way.
// One recorder stands for the shell, the panel and the realtime loop, so the order of calls across
// the pages shows.
class RecordingActions : public SettingsCenterActions, public OverlaySettingsActions, public RecognitionSettingsActions {
public:
    explicit RecordingActions(SettingsStore& settings) : m_settings(settings) {}

    QStringList calls;
    std::function<void(int)> themePreset;  // what the shell writes for a preset
    bool refuseClipboardMonitoring = false;

    void applyOverlayBehavior() override { calls << "applyOverlayBehavior"; }
    void overlayHistoryLimitChanged(int limit) override {
        calls << QString("overlayHistoryLimitChanged(%1)").arg(limit);
    }
    void resetOverlayBehavior() override {
        calls << "resetOverlayBehavior";
        (void)ovisu::resetOverlayBehavior(m_settings);
    }
    void overlayThemePresetChanged(int index) override {
        calls << QString("overlayThemePresetChanged(%1)").arg(index);
        (void)m_settings.setInt(Keys::overlayThemePreset, index);
        if (themePreset) themePreset(index);
    }
    void applyOverlayStyle() override { calls << "applyOverlayStyle"; }
    void overlayWindowOpacityChanged(double opacity) override {
        calls << QString("overlayWindowOpacityChanged(%1)").arg(opacity);
    }
    void pollingIntervalChanged(double seconds) override { calls << QString("pollingIntervalChanged(%1)").arg(seconds); }
    void highPerformancePollingChanged(bool enabled) override {
        calls << QString("highPerformancePollingChanged(%1)").arg(enabled);
    }
    void frameChangeThresholdChanged(double threshold) override {
        calls << QString("frameChangeThresholdChanged(%1)").arg(threshold);
    }
    void stableHitsChanged(int hits) override { calls << QString("stableHitsChanged(%1)").arg(hits); }
    void toggleClipboardMonitoring() override {
        calls << "toggleClipboardMonitoring";
        if (!refuseClipboardMonitoring) flip(Keys::clipboardMonitoringEnabled, false);
    }
    void toggleClipboardStrictDetection() override {
        calls << "toggleClipboardStrictDetection";
        flip(Keys::clipboardStrictJapaneseDetection, true);
    }
    void toggleAutomaticSpeech() override {
        calls << "toggleAutomaticSpeech";
        flip(Keys::automaticSpeechEnabled, false);
    }
    void configureGlobalHotKeys() override { calls << "configureGlobalHotKeys"; }
    void configureStatusItem() override { calls << "configureStatusItem"; }

private:
    void flip(const QString& key, bool defaultValue) {
        (void)m_settings.setBool(key, !m_settings.boolValue(key, defaultValue));
    }
    SettingsStore& m_settings;
};

// Clicks a check box on its indicator (a box spanning a wide row has empty space at its centre).
void clickBox(QCheckBox* box) {
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void clickButton(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// What another process would read from disk now.
SettingsStore reopened() { return SettingsStore(paths::settingsFile()); }

class SettingsCenterWindowTest : public ::testing::Test {
protected:
    SettingsStore settings;
    RecordingActions actions{settings};
    std::unique_ptr<SettingsCenterWindow> window;

    void open(const QString& page = {}) {
        window = std::make_unique<SettingsCenterWindow>(settings, actions, actions, actions);
        window->show();
        if (!page.isEmpty()) window->showPage(page);
    }
    template <typename T>
    T* control(const QString& name) const {
        auto* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QString sliderText(const QString& key) const { return control<SettingsSlider>(key)->valueText(); }
};

TEST_F(SettingsCenterWindowTest, OpeningAndRenderingWriteNothingAndCallNothing) {
    open();
    EXPECT_TRUE(control<QCheckBox>(Keys::overlayShowsOriginal)->isChecked());
    EXPECT_EQ(control<QComboBox>(Keys::overlayHistoryLimit)->currentText(), "8 句");
    window->renderSettingsPage();
    EXPECT_FALSE(QFile::exists(paths::settingsFile()));

    // Changes made elsewhere (the tray menu's toggle) show once the page renders again.
    ASSERT_TRUE(settings.setBool(Keys::overlayClickThrough, true));
    ASSERT_TRUE(settings.setBool(Keys::automaticSpeechEnabled, true));
    EXPECT_FALSE(control<QCheckBox>(Keys::overlayClickThrough)->isChecked());
    window->renderSettingsPage();
    EXPECT_TRUE(control<QCheckBox>(Keys::overlayClickThrough)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(Keys::automaticSpeechEnabled)->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(", ").toStdString();
}

TEST_F(SettingsCenterWindowTest, PagesFollowTheList) {
    open();
    auto* list = control<QListWidget>("settingsPageList");
    list->setCurrentRow(5);
    EXPECT_EQ(window->currentPageTitle(), "快捷键与系统托盘");
    EXPECT_TRUE(control<QCheckBox>(Keys::globalHotKeysEnabled)->isVisible());
    EXPECT_FALSE(control<QCheckBox>(Keys::overlayShowsOriginal)->isVisible());
    EXPECT_TRUE(window->showPage("识别与轮询"));
    EXPECT_TRUE(control<QSpinBox>(Keys::ocrStableHits)->isVisible());
    EXPECT_FALSE(window->showPage("没有这一页"));
    EXPECT_EQ(window->currentPageTitle(), "识别与轮询");

    auto* extra = new QLabel("extra");
    EXPECT_EQ(window->addPage("主页翻译源", extra), 6);
    EXPECT_TRUE(window->showPage("主页翻译源"));
    EXPECT_TRUE(extra->isVisible());
}

TEST_F(SettingsCenterWindowTest, ChoosingAHistoryLimitStoresItAndTrims) {
    open();
    auto* limit = control<QComboBox>(Keys::overlayHistoryLimit);
    limit->setFocus();
    QTest::keyClick(limit, Qt::Key_Down);
    EXPECT_EQ(limit->currentText(), "12 句");
    EXPECT_EQ(reopened().intValue(Keys::overlayHistoryLimit, 0), 12);
    EXPECT_EQ(actions.calls, QStringList({"overlayHistoryLimitChanged(12)"}));
}

TEST_F(SettingsCenterWindowTest, BehaviourBoxesStoreTheirKeyAndApply) {
    open();
    const QString keys[] = {Keys::overlayShowsOriginal,  Keys::overlayShowsMetadata, Keys::overlayClickThrough,
                            Keys::overlayAlwaysOnTop,    Keys::overlayPositionLocked, Keys::overlayCompactMode,
                            Keys::overlayTextSelectable};
    for (const QString& key : keys) {
        auto* box = control<QCheckBox>(key);
        const bool before = box->isChecked();
        actions.calls.clear();
        clickBox(box);
        EXPECT_EQ(box->isChecked(), !before) << key.toStdString();
        const SettingsStore disk = reopened();
        ASSERT_TRUE(disk.contains(key)) << key.toStdString();
        EXPECT_EQ(disk.boolValue(key, before), !before) << key.toStdString();
        EXPECT_EQ(actions.calls, QStringList({"applyOverlayBehavior"})) << key.toStdString();
    }
}

TEST_F(SettingsCenterWindowTest, ResetShowsWhatTheShellRestored) {
    ASSERT_TRUE(settings.setBool(Keys::overlayClickThrough, true));
    ASSERT_TRUE(settings.setBool(Keys::overlayShowsOriginal, false));
    ASSERT_TRUE(settings.setInt(Keys::overlayHistoryLimit, 50));
    ASSERT_TRUE(settings.setBool(Keys::overlayShowsDuration, false));
    open();
    EXPECT_TRUE(control<QCheckBox>(Keys::overlayClickThrough)->isChecked());
    clickButton(control<QPushButton>("resetOverlayBehavior"));
    EXPECT_EQ(actions.calls, QStringList({"resetOverlayBehavior"}));
    EXPECT_FALSE(control<QCheckBox>(Keys::overlayClickThrough)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(Keys::overlayShowsOriginal)->isChecked());
    EXPECT_EQ(control<QComboBox>(Keys::overlayHistoryLimit)->currentText(), "8 句");
    // The duration box lives on the style page and follows the reset too.
    EXPECT_TRUE(control<QCheckBox>(Keys::overlayShowsDuration)->isChecked());
}

// The steps and limits are OverlayAppearance's; the page must store each step, show it, and
// disable the button that would leave the range.
TEST_F(SettingsCenterWindowTest, FontSizeButtonsStepStoreAndStopAtTheirLimits) {
    ASSERT_TRUE(settings.setDouble(Keys::overlayFontSize, 63));
    open("悬浮窗样式");
    auto* up = control<QPushButton>("fontUp");
    auto* down = control<QPushButton>("fontDown");
    clickButton(up);
    EXPECT_EQ(reopened().doubleValue(Keys::overlayFontSize, 0), 64);
    EXPECT_EQ(control<QLabel>(Keys::overlayFontSize)->text(), "64 pt");
    EXPECT_FALSE(up->isEnabled());
    clickButton(up);
    EXPECT_EQ(actions.calls, QStringList({"applyOverlayStyle"})) << "no call once a limit is reached";

    ASSERT_TRUE(settings.setDouble(Keys::overlayFontSize, 5));  // outside the range: stepped back into it
    window->renderSettingsPage();
    EXPECT_FALSE(down->isEnabled());
    clickButton(up);
    EXPECT_EQ(reopened().doubleValue(Keys::overlayFontSize, 0), 12);
    EXPECT_FALSE(down->isEnabled());
    EXPECT_TRUE(up->isEnabled());
}

TEST_F(SettingsCenterWindowTest, ThemePresetShowsTheValuesTheShellWrote) {
    actions.themePreset = [this](int) {
        (void)settings.setBool(Keys::blurEnabled, true);
        (void)settings.setDouble(Keys::overlayFontSize, 26);
        (void)settings.setDouble(Keys::overlayPadding, 28);
        (void)settings.setDouble(Keys::overlayLineSpacing, 1.18);
        (void)settings.setInt(Keys::overlayAlignment, 0);
    };
    open("悬浮窗样式");
    auto* theme = control<SegmentedControl>(Keys::overlayThemePreset);
    clickButton(theme->button(2));

    EXPECT_EQ(actions.calls, QStringList({"overlayThemePresetChanged(2)"}));
    EXPECT_EQ(theme->currentIndex(), 2);
    EXPECT_TRUE(control<QCheckBox>(Keys::blurEnabled)->isChecked());
    EXPECT_EQ(control<QLabel>(Keys::overlayFontSize)->text(), "26 pt");
    EXPECT_EQ(sliderText(Keys::overlayPadding), "28");
    EXPECT_EQ(sliderText(Keys::overlayLineSpacing), "1.18");
    EXPECT_EQ(control<SegmentedControl>(Keys::overlayAlignment)->currentIndex(), 0);
    // Showing the shell's values wrote nothing back.
    EXPECT_EQ(actions.calls.size(), 1);
}

TEST_F(SettingsCenterWindowTest, StoredChoicesOutsideTheirControlsAreClamped) {
    ASSERT_TRUE(settings.setInt(Keys::overlayHistoryLimit, 7));
    ASSERT_TRUE(settings.setInt(Keys::overlayThemePreset, 7));
    ASSERT_TRUE(settings.setInt(Keys::overlayAlignment, -4));
    ASSERT_TRUE(settings.setDouble(Keys::overlayPadding, 500));
    ASSERT_TRUE(settings.setDouble(Keys::ocrPollingInterval, 0.01));
    open();
    EXPECT_EQ(control<QComboBox>(Keys::overlayHistoryLimit)->currentText(), "8 句");
    EXPECT_EQ(control<SegmentedControl>(Keys::overlayThemePreset)->currentIndex(), 2);
    EXPECT_EQ(control<SegmentedControl>(Keys::overlayAlignment)->currentIndex(), 0);
    EXPECT_EQ(sliderText(Keys::overlayPadding), "64");
    EXPECT_EQ(sliderText(Keys::ocrPollingInterval), "0.3 秒");
    // Only shown: the stored values stay until the user changes them.
    EXPECT_EQ(reopened().doubleValue(Keys::overlayPadding, 0), 500);
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(SettingsCenterWindowTest, StyleControlsStoreCleanValuesAndApply) {
    open("悬浮窗样式");
    control<SettingsSlider>(Keys::overlayLineSpacing)->slider()->setValue(48);  // 0.7 + 48 × 0.01
    control<SettingsSlider>(Keys::overlayOriginalOpacity)->slider()->setValue(0);
    control<SettingsSlider>(Keys::overlayPadding)->slider()->setValue(10);
    clickButton(control<SegmentedControl>(Keys::overlayAlignment)->button(2));
    clickBox(control<QCheckBox>(Keys::blurEnabled));
    clickBox(control<QCheckBox>(Keys::overlayShowsDuration));
    control<SettingsSlider>(Keys::overlayWindowOpacity)->slider()->setValue(40);  // 0.1 + 40 × 0.01

    const SettingsStore disk = reopened();
    EXPECT_EQ(disk.doubleValue(Keys::overlayLineSpacing, 0), 1.18);
    EXPECT_EQ(disk.doubleValue(Keys::overlayOriginalOpacity, 0), 0.15);
    EXPECT_EQ(disk.doubleValue(Keys::overlayPadding, 0), 18);
    EXPECT_EQ(disk.intValue(Keys::overlayAlignment, 1), 2);
    EXPECT_TRUE(disk.boolValue(Keys::blurEnabled, false));
    EXPECT_FALSE(disk.boolValue(Keys::overlayShowsDuration, true));
    EXPECT_EQ(disk.doubleValue(Keys::overlayWindowOpacity, 0), 0.5);
    EXPECT_EQ(sliderText(Keys::overlayLineSpacing), "1.18");
    EXPECT_EQ(actions.calls, QStringList({"applyOverlayStyle", "applyOverlayStyle", "applyOverlayStyle",
                                          "applyOverlayStyle", "applyOverlayStyle", "applyOverlayStyle",
                                          "overlayWindowOpacityChanged(0.5)"}));
}

TEST_F(SettingsCenterWindowTest, ColoursAreStoredAsComponentsAndCancelKeepsThem) {
    QColor offered;
    QColor answer = QColor::fromRgbF(1.0f, 0.5f, 0.0f);
    open("悬浮窗样式");
    window->setColorPicker([&](const QColor& initial, const QString&) {
        offered = initial;
        return answer;
    });

    clickButton(control<QPushButton>(Keys::backgroundColor));
    EXPECT_NEAR(offered.redF(), 0.04, 0.01);  // the built-in colour, nothing stored yet
    EXPECT_NEAR(offered.blueF(), 0.07, 0.01);
    const auto stored = reopened().dictionaryValue(Keys::backgroundColor);
    ASSERT_TRUE(stored);
    EXPECT_DOUBLE_EQ((*stored)["red"].toDouble(), 1.0);
    EXPECT_NEAR((*stored)["green"].toDouble(), 0.5, 0.001);
    EXPECT_DOUBLE_EQ((*stored)["blue"].toDouble(), 0.0);
    EXPECT_DOUBLE_EQ((*stored)["alpha"].toDouble(), 1.0);
    EXPECT_EQ(actions.calls, QStringList({"applyOverlayStyle"}));

    clickButton(control<QPushButton>(Keys::backgroundColor));
    EXPECT_NEAR(offered.greenF(), 0.5, 0.01);  // the stored colour is offered next time

    answer = QColor();  // cancelled
    ASSERT_TRUE(settings.setString(Keys::textColor, "not a colour"));
    clickButton(control<QPushButton>(Keys::textColor));
    EXPECT_EQ(offered, QColor(Qt::white));  // unreadable reads as the built-in white
    EXPECT_EQ(reopened().stringValue(Keys::textColor), "not a colour");
    EXPECT_EQ(actions.calls.size(), 2);
}

TEST_F(SettingsCenterWindowTest, FontPopupKeepsAFontThatIsNotInstalled) {
    ASSERT_TRUE(settings.setString(Keys::fontName, "苹方"));
    open("悬浮窗样式");
    auto* font = control<QComboBox>(Keys::fontName);
    EXPECT_EQ(font->currentText(), "苹方");
    EXPECT_EQ(font->itemText(0), "系统字体");

    font->setFocus();
    QTest::keyClick(font, Qt::Key_Up);
    EXPECT_EQ(reopened().stringValue(Keys::fontName), "系统字体");
    EXPECT_EQ(actions.calls, QStringList({"applyOverlayStyle"}));
}

TEST_F(SettingsCenterWindowTest, RecognitionControlsStoreAndNotify) {
    open("识别与轮询");
    control<SettingsSlider>(Keys::ocrPollingInterval)->slider()->setValue(12);  // 0.3 + 1.2
    clickBox(control<QCheckBox>(Keys::highPerformancePollingEnabled));
    control<SettingsSlider>(Keys::ocrFrameChangeThreshold)->slider()->setValue(19);  // 0.001 + 0.019
    control<QSpinBox>(Keys::ocrStableHits)->setValue(4);

    const SettingsStore disk = reopened();
    EXPECT_EQ(disk.doubleValue(Keys::ocrPollingInterval, 0), 1.5);
    EXPECT_TRUE(disk.boolValue(Keys::highPerformancePollingEnabled, false));
    EXPECT_EQ(disk.doubleValue(Keys::ocrFrameChangeThreshold, 0), 0.02);
    EXPECT_EQ(disk.intValue(Keys::ocrStableHits, 0), 4);
    EXPECT_EQ(actions.calls, QStringList({"pollingIntervalChanged(1.5)", "highPerformancePollingChanged(1)",
                                          "frameChangeThresholdChanged(0.02)", "stableHitsChanged(4)"}));
}

TEST_F(SettingsCenterWindowTest, TogglesLeaveTheirFlagToTheShell) {
    open("剪贴板");
    auto* monitoring = control<QCheckBox>(Keys::clipboardMonitoringEnabled);
    clickBox(monitoring);
    EXPECT_TRUE(monitoring->isChecked());
    EXPECT_TRUE(settings.boolValue(Keys::clipboardMonitoringEnabled, false));

    // A start the shell refuses leaves the box as the flag is.
    actions.refuseClipboardMonitoring = true;
    ASSERT_TRUE(settings.setBool(Keys::clipboardMonitoringEnabled, false));
    window->renderSettingsPage();
    clickBox(monitoring);
    EXPECT_FALSE(monitoring->isChecked());
    EXPECT_FALSE(settings.boolValue(Keys::clipboardMonitoringEnabled, true));

    auto* strict = control<QCheckBox>(Keys::clipboardStrictJapaneseDetection);
    clickBox(strict);
    EXPECT_FALSE(strict->isChecked());
    EXPECT_FALSE(settings.boolValue(Keys::clipboardStrictJapaneseDetection, true));

    window->showPage("朗读");
    auto* speech = control<QCheckBox>(Keys::automaticSpeechEnabled);
    clickBox(speech);
    EXPECT_TRUE(speech->isChecked());
    EXPECT_EQ(actions.calls, QStringList({"toggleClipboardMonitoring", "toggleClipboardMonitoring",
                                          "toggleClipboardStrictDetection", "toggleAutomaticSpeech"}));
}

TEST_F(SettingsCenterWindowTest, HotKeysAndTrayIconStoreAndReconfigure) {
    open("快捷键与系统托盘");
    auto* list = control<QWidget>("hotKeyList");
    EXPECT_TRUE(list->isEnabled());

    clickBox(control<QCheckBox>(Keys::globalHotKeysEnabled));
    EXPECT_FALSE(reopened().boolValue(Keys::globalHotKeysEnabled, true));
    EXPECT_FALSE(list->isEnabled());
    clickBox(control<QCheckBox>(Keys::menuBarIconEnabled));
    EXPECT_FALSE(reopened().boolValue(Keys::menuBarIconEnabled, true));
    EXPECT_EQ(actions.calls, QStringList({"configureGlobalHotKeys", "configureStatusItem"}));
}

TEST(SettingsCenterWindowStoreTest, AFailedWriteIsShownAndTheChangeStillApplies) {
    // A settings folder that cannot be created: its parent is a plain file.
    const QString blocker = test::currentHome() + "/blocker";
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SettingsStore settings(blocker + "/settings.json");
    RecordingActions actions(settings);
    SettingsCenterWindow window(settings, actions, actions, actions);
    window.show();

    auto* error = window.findChild<QLabel*>("storeError");
    ASSERT_NE(error, nullptr);
    EXPECT_FALSE(error->isVisible());
    clickBox(window.findChild<QCheckBox*>(Keys::overlayCompactMode));
    EXPECT_TRUE(error->isVisible());
    EXPECT_TRUE(error->text().startsWith("设置已生效，但未能保存到磁盘：")) << error->text().toStdString();
    EXPECT_EQ(actions.calls, QStringList({"applyOverlayBehavior"}));
    EXPECT_TRUE(settings.boolValue(Keys::overlayCompactMode, false));

    // Once the folder can be made, the next change is saved and the warning goes away.
    ASSERT_TRUE(QFile::remove(blocker));
    clickBox(window.findChild<QCheckBox*>(Keys::overlayTextSelectable));
    EXPECT_FALSE(error->isVisible());
    const SettingsStore disk(blocker + "/settings.json");
    EXPECT_TRUE(disk.boolValue(Keys::overlayCompactMode, false));
    EXPECT_TRUE(disk.boolValue(Keys::overlayTextSelectable, false));
}

}  // namespace
