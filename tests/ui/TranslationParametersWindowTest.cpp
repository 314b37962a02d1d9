#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ui/TranslationParametersWindow.h"
#include "support/TestEnvironment.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;
using test::RecordingTranslationSettingsActions;

TranslationParameters storedOnDisk(const SettingsStore& settings) {
    return TranslationParameters::read(SettingsStore(settings.filePath()));
}

TEST(TranslationParametersWindowTest, ResetShowsAndStoresTheDefaults) {
    SettingsStore settings;
    TranslationParameters odd;
    odd.temperature = 1.2;
    odd.maxTokens = 3000;
    odd.topP = 0.5;
    odd.contextCount = 8;
    odd.streamingEnabled = true;
    odd.deepSeekThinkingDisabled = false;
    odd.globalHotKeysEnabled = false;
    ASSERT_TRUE(persistTranslationSettings(settings, odd));
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();

    EXPECT_EQ(window.windowTitle(), "翻译参数");
    EXPECT_EQ(window.temperatureValue()->text(), "1.20");
    EXPECT_EQ(window.maxTokensValue()->text(), "3000");
    EXPECT_EQ(window.topPValue()->text(), "0.50");
    EXPECT_EQ(window.contextCountPopup()->currentText(), "8");
    EXPECT_TRUE(window.streamingBox()->isChecked());
    EXPECT_FALSE(window.deepSeekThinkingBox()->isChecked());
    EXPECT_FALSE(window.globalHotKeysBox()->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty());  // showing stores nothing

    window.resetButton()->click();
    EXPECT_EQ(window.temperatureValue()->text(), "0.30");
    EXPECT_EQ(window.maxTokensValue()->text(), "1024");
    EXPECT_EQ(window.topPValue()->text(), "0.90");
    EXPECT_EQ(window.temperatureSlider()->value(), 30);
    EXPECT_EQ(window.maxTokensSlider()->value(), 1024);
    EXPECT_EQ(window.topPSlider()->value(), 90);
    EXPECT_EQ(window.contextCountPopup()->currentText(), "3");
    EXPECT_FALSE(window.streamingBox()->isChecked());
    EXPECT_TRUE(window.deepSeekThinkingBox()->isChecked());
    EXPECT_TRUE(window.globalHotKeysBox()->isChecked());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(storedOnDisk(settings), TranslationParameters::defaults());
    EXPECT_EQ(actions.calls, QStringList({"configureGlobalHotKeys"}));
}

TEST(TranslationParametersWindowTest, ACountWithoutItsOwnItemShowsThreeUntilChosen) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setInt(Keys::translationContextCount, 4));
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();
    EXPECT_EQ(window.contextCountPopup()->currentText(), "3");

    // Another change stores every value, but leaves the count the user has not touched alone.
    window.streamingBox()->click();
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::translationContextCount, 0), 4);

    // Choosing the item already shown stores it.
    QComboBox* popup = window.contextCountPopup();
    emit popup->activated(popup->findText("3"));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::translationContextCount, 0), 3);
    emit popup->activated(popup->findText("0（关闭）"));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::translationContextCount, -1), 0);
    emit popup->activated(popup->findText("8"));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::translationContextCount, 0), 8);
}

TEST(TranslationParametersWindowTest, EveryChangeStoresAllSevenKeys) {
    SettingsStore settings;
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();

    window.deepSeekThinkingBox()->click();
    const SettingsStore disk(settings.filePath());
    for (const QString& key : {Keys::translationTemperature, Keys::translationMaxTokens, Keys::translationTopP,
                               Keys::translationContextCount, Keys::translationStreamingEnabled,
                               Keys::deepSeekThinkingDisabled, Keys::globalHotKeysEnabled})
        EXPECT_TRUE(disk.contains(key)) << key.toStdString();
    EXPECT_FALSE(disk.boolValue(Keys::deepSeekThinkingDisabled, true));
    EXPECT_TRUE(actions.calls.isEmpty());

    // The sliders as the keyboard moves them: the value and its label.
    window.temperatureSlider()->setValue(75);
    window.maxTokensSlider()->setValue(2500);
    window.topPSlider()->setValue(35);
    EXPECT_EQ(window.temperatureValue()->text(), "0.75");
    EXPECT_EQ(window.maxTokensValue()->text(), "2500");
    EXPECT_EQ(window.topPValue()->text(), "0.35");
    const TranslationParameters stored = storedOnDisk(settings);
    EXPECT_DOUBLE_EQ(stored.temperature, 0.75);
    EXPECT_EQ(stored.maxTokens, 2500);
    EXPECT_DOUBLE_EQ(stored.topP, 0.35);
    EXPECT_FALSE(stored.deepSeekThinkingDisabled);
}

TEST(TranslationParametersWindowTest, TheHotKeyBoxRegistersTheHotKeysAgain) {
    SettingsStore settings;
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();

    window.streamingBox()->click();
    EXPECT_TRUE(actions.calls.isEmpty());
    window.globalHotKeysBox()->click();
    EXPECT_EQ(actions.calls, QStringList({"configureGlobalHotKeys"}));
    EXPECT_FALSE(SettingsStore(settings.filePath()).boolValue(Keys::globalHotKeysEnabled, true));
    window.globalHotKeysBox()->click();
    EXPECT_EQ(actions.calls.size(), 2);
    EXPECT_TRUE(SettingsStore(settings.filePath()).boolValue(Keys::globalHotKeysEnabled, false));
}

TEST(TranslationParametersWindowTest, AValueBeyondTheSliderShowsAsStoredAndIsKeptByOtherChanges) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setDouble(Keys::translationTemperature, 1.8));  // from a profile
    ASSERT_TRUE(settings.setInt(Keys::translationMaxTokens, 50000));
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();

    EXPECT_EQ(window.temperatureSlider()->value(), window.temperatureSlider()->maximum());
    EXPECT_EQ(window.temperatureValue()->text(), "1.80");
    EXPECT_EQ(window.maxTokensValue()->text(), "8192");  // what a request would carry

    window.topPSlider()->setValue(50);
    const TranslationParameters stored = storedOnDisk(settings);
    EXPECT_DOUBLE_EQ(stored.temperature, 1.8);
    EXPECT_EQ(stored.maxTokens, 8192);
    EXPECT_DOUBLE_EQ(stored.topP, 0.5);
}

TEST(TranslationParametersWindowTest, AFailedWriteIsShownUntilAWriteSucceeds) {
    const QString blocker = test::currentHome() + "/blocker";
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SettingsStore settings(blocker + "/settings.json");
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();

    EXPECT_FALSE(window.storeError()->isVisible());
    window.streamingBox()->click();
    EXPECT_TRUE(window.storeError()->isVisible());
    EXPECT_TRUE(window.storeError()->text().startsWith("设置已生效，但未能保存到磁盘："));
    EXPECT_TRUE(window.parameters().streamingEnabled);

    ASSERT_TRUE(QFile::remove(blocker));
    window.deepSeekThinkingBox()->click();
    EXPECT_FALSE(window.storeError()->isVisible());
    const TranslationParameters stored = storedOnDisk(settings);
    EXPECT_TRUE(stored.streamingEnabled);
    EXPECT_FALSE(stored.deepSeekThinkingDisabled);
}

TEST(TranslationParametersWindowTest, DoneClosesTheWindow) {
    SettingsStore settings;
    RecordingTranslationSettingsActions actions;
    TranslationParametersWindow window(settings, actions);
    window.present();
    window.doneButton()->click();
    EXPECT_FALSE(window.isVisible());
    window.present();
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace ovisu
