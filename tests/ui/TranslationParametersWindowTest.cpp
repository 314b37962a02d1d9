#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ui/TranslationParametersWindow.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <memory>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;

// The mapping of values to controls is checked with the parameters themselves; these cases keep
// what only the window can get wrong: what it shows, what a control stores and when.
class TranslationParametersWindowTest : public ::testing::Test {
protected:
    SettingsStore settings;
    test::RecordingTranslationSettingsActions actions;
    std::unique_ptr<TranslationParametersWindow> window;

    // Opens the window on whatever the test stored beforehand.
    void open(SettingsStore& store) {
        window = std::make_unique<TranslationParametersWindow>(store, actions);
        window->present();
    }
    void open() { open(settings); }
    static TranslationParameters storedOnDisk(const SettingsStore& store) {
        return TranslationParameters::read(SettingsStore(store.filePath()));
    }
    // The numbers as the labels and the pop-up show them, and the three switches.
    QStringList shownNumbers() const {
        return {window->temperatureValue()->text(), window->maxTokensValue()->text(), window->topPValue()->text(),
                window->contextCountPopup()->currentText()};
    }
    QList<bool> shownSwitches() const {
        return {window->streamingBox()->isChecked(), window->deepSeekThinkingBox()->isChecked(),
                window->globalHotKeysBox()->isChecked()};
    }
    int storedContextCount() const { return SettingsStore(settings.filePath()).intValue(Keys::translationContextCount, -1); }
};

TEST_F(TranslationParametersWindowTest, ResetShowsAndStoresTheDefaults) {
    ASSERT_TRUE(persistTranslationSettings(settings, {.temperature = 1.2, .maxTokens = 3000, .topP = 0.5, .contextCount = 8,
                                                      .streamingEnabled = true, .deepSeekThinkingDisabled = false,
                                                      .globalHotKeysEnabled = false}));
    open();

    EXPECT_EQ(shownNumbers(), QStringList({"1.20", "3000", "0.50", "8"}));
    EXPECT_EQ(shownSwitches(), QList<bool>({true, false, false}));
    EXPECT_TRUE(actions.calls.isEmpty());  // showing stores nothing

    window->resetButton()->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(storedOnDisk(settings), TranslationParameters::defaults());
    // Shown as a window opened on nothing stored shows them.
    const QStringList resetNumbers = shownNumbers();
    const QList<bool> resetSwitches = shownSwitches();
    SettingsStore fresh(test::currentHome() + "/fresh/settings.json");
    open(fresh);
    EXPECT_EQ(resetNumbers, shownNumbers());
    EXPECT_EQ(resetSwitches, shownSwitches());
    EXPECT_EQ(actions.calls, QStringList({"configureGlobalHotKeys"}));
}

TEST_F(TranslationParametersWindowTest, ACountWithoutItsOwnItemShowsThreeUntilChosen) {
    ASSERT_TRUE(settings.setInt(Keys::translationContextCount, 4));
    open();
    EXPECT_EQ(window->contextCountPopup()->currentText(), "3");

    // Another change stores every value, but leaves the count the user has not touched alone.
    window->streamingBox()->click();
    EXPECT_EQ(storedContextCount(), 4);

    // Choosing the item already shown stores it.
    QComboBox* popup = window->contextCountPopup();
    emit popup->activated(popup->findText("3"));
    EXPECT_EQ(storedContextCount(), 3);
}

TEST_F(TranslationParametersWindowTest, ControlsStoreWhatTheyShowAndOnlyTheHotKeyBoxRegistersAgain) {
    open();
    window->deepSeekThinkingBox()->click();
    window->streamingBox()->click();
    EXPECT_TRUE(actions.calls.isEmpty());
    // A change stores all seven values, not only its own.
    EXPECT_TRUE(SettingsStore(settings.filePath()).contains(Keys::translationTemperature));

    // The sliders as the keyboard moves them: the value and its label.
    window->temperatureSlider()->setValue(75);
    window->maxTokensSlider()->setValue(2500);
    window->topPSlider()->setValue(35);
    EXPECT_EQ(shownNumbers(), QStringList({"0.75", "2500", "0.35", "3"}));
    const TranslationParameters stored = storedOnDisk(settings);
    EXPECT_DOUBLE_EQ(stored.temperature, 0.75);
    EXPECT_EQ(stored.maxTokens, 2500);
    EXPECT_DOUBLE_EQ(stored.topP, 0.35);
    EXPECT_FALSE(stored.deepSeekThinkingDisabled);
    EXPECT_TRUE(stored.streamingEnabled);

    window->globalHotKeysBox()->click();
    EXPECT_EQ(actions.calls, QStringList({"configureGlobalHotKeys"}));
    EXPECT_FALSE(storedOnDisk(settings).globalHotKeysEnabled);
    window->globalHotKeysBox()->click();
    EXPECT_EQ(actions.calls.size(), 2);
    EXPECT_TRUE(storedOnDisk(settings).globalHotKeysEnabled);

    window->doneButton()->click();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(TranslationParametersWindowTest, AValueBeyondTheSliderShowsAsStoredAndIsKeptByOtherChanges) {
    ASSERT_TRUE(settings.setDouble(Keys::translationTemperature, 1.8));  // from a profile
    ASSERT_TRUE(settings.setInt(Keys::translationMaxTokens, 50000));
    open();

    EXPECT_EQ(window->temperatureSlider()->value(), window->temperatureSlider()->maximum());
    EXPECT_EQ(shownNumbers(), QStringList({"1.80", "8192", "0.90", "3"}));  // 8192: what a request would carry

    window->topPSlider()->setValue(50);
    const TranslationParameters stored = storedOnDisk(settings);
    EXPECT_DOUBLE_EQ(stored.temperature, 1.8);
    EXPECT_EQ(stored.maxTokens, 8192);
    EXPECT_DOUBLE_EQ(stored.topP, 0.5);
}

TEST_F(TranslationParametersWindowTest, AFailedWriteIsShownUntilAWriteSucceeds) {
    const QString blocker = test::currentHome() + "/blocker";
    test::writeBytes(blocker, "not a folder");
    SettingsStore blocked(blocker + "/settings.json");
    open(blocked);

    EXPECT_FALSE(window->storeError()->isVisible());
    window->streamingBox()->click();
    EXPECT_TRUE(window->storeError()->isVisible());
    EXPECT_TRUE(window->storeError()->text().startsWith("设置已生效，但未能保存到磁盘："));
    EXPECT_TRUE(window->parameters().streamingEnabled);

    ASSERT_TRUE(QFile::remove(blocker));
    window->deepSeekThinkingBox()->click();
    EXPECT_FALSE(window->storeError()->isVisible());
    const TranslationParameters stored = storedOnDisk(blocked);
    EXPECT_TRUE(stored.streamingEnabled);
    EXPECT_FALSE(stored.deepSeekThinkingDisabled);
}

}  // namespace
}  // namespace ovisu
