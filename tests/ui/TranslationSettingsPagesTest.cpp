#include "app/ui/SettingsPageHomeProviders.h"
#include "app/ui/SettingsPageTranslation.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationProfiles.h"
#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <optional>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;
using test::RecordingTranslationSettingsActions;

// The translation services the pages work with, over one settings store.
class PagesTest : public ::testing::Test {
protected:
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    TranslationProfiles profiles{settings, selection, providerSettings};
    RecordingTranslationSettingsActions actions;

    static QStringList itemTexts(const QComboBox* popup) {
        QStringList texts;
        for (int index = 0; index < popup->count(); ++index) texts << popup->itemText(index);
        return texts;
    }
};

class SettingsPageTranslationTest : public PagesTest {
protected:
    std::optional<SettingsPageTranslation> page;
    // Builds the page on what the test stored beforehand.
    void open() { page.emplace(settings, profiles, actions); }
};

using SettingsPageHomeProvidersTest = PagesTest;

// ---- "翻译"

TEST_F(SettingsPageTranslationTest, TheFallbackControlsStoreAtOnce) {
    ASSERT_TRUE(settings.setInt(Keys::fallbackProvider, rawValue(Provider::deepSeek)));
    open();

    QComboBox* popup = page->fallbackPopup();
    ASSERT_EQ(popup->count(), providerCount);
    EXPECT_EQ(popup->currentText(), ProviderCatalogue::title(Provider::deepSeek));
    EXPECT_FALSE(page->fallbackBox()->isChecked());

    page->fallbackBox()->click();
    EXPECT_TRUE(SettingsStore(settings.filePath()).boolValue(Keys::automaticFallbackEnabled, false));
    // A source the home page does not show is offered and stored all the same.
    ASSERT_FALSE(selection.enabledProviders().contains(Provider::papago));
    emit popup->activated(rawValue(Provider::papago));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::fallbackProvider, -1), rawValue(Provider::papago));
    EXPECT_TRUE(actions.calls.isEmpty());

    // An unknown stored source shows the first item.
    ASSERT_TRUE(settings.setInt(Keys::fallbackProvider, 99));
    page->render();
    EXPECT_EQ(popup->currentIndex(), 0);
}

TEST_F(SettingsPageTranslationTest, TheFourButtonsOpenTheirWindows) {
    open();
    for (const char* name :
         {"openProviderSettings", "openAILocalizationSettings", "openTranslationSettings", "openProviderManager"}) {
        auto* button = page->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
        EXPECT_EQ(actions.calls.last(), name);
    }
    EXPECT_EQ(actions.calls.size(), 4);
}

TEST_F(SettingsPageTranslationTest, AnEmptyProfileListShowsTheDisabledPlaceholder) {
    open();
    int beeps = 0;
    page->setBeep([&beeps] { ++beeps; });

    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_FALSE(page->profilePopup()->isEnabled());
    EXPECT_FALSE(page->applyProfileButton()->isEnabled());
    EXPECT_FALSE(page->deleteProfileButton()->isEnabled());
    EXPECT_FALSE(page->selectedProfileName());

    // An empty or blank name saves nothing.
    page->saveProfileButton()->click();
    page->profileNameField()->setText("  \n ");
    page->saveProfileButton()->click();
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(profiles.profiles().isEmpty());
    EXPECT_TRUE(actions.calls.isEmpty());
    // The placeholder item is never applied as a profile.
    page->applySelectedTranslationProfile();
    EXPECT_EQ(beeps, 3);
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(SettingsPageTranslationTest, SavingANameInAnotherLetterCaseReplacesThatProfile) {
    open();

    for (const char* name : {"Zeta", "alpha"}) {
        page->profileNameField()->setText(QString::fromUtf8(name));
        page->saveProfileButton()->click();
    }
    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"alpha", "Zeta"}));
    EXPECT_EQ(page->selectedProfileName(), "alpha");
    EXPECT_TRUE(page->profilePopup()->isEnabled());

    page->profileNameField()->setText("  ZETA ");
    page->saveProfileButton()->click();
    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"alpha", "ZETA"}));
    EXPECT_EQ(page->selectedProfileName(), "ZETA");
    EXPECT_EQ(actions.calls, QStringList(3, "translationProfilesChanged"));
    EXPECT_FALSE(page->errorLabel()->isVisible());
}

TEST_F(SettingsPageTranslationTest, ApplyAndDeleteActOnTheSelectedProfile) {
    ASSERT_TRUE(profiles.saveCurrentTranslationProfile("日常"));
    ASSERT_TRUE(profiles.saveCurrentTranslationProfile("Galgame"));
    open();
    ASSERT_EQ(page->profilePopup()->count(), 2);

    page->profilePopup()->setCurrentIndex(page->profilePopup()->findText("日常"));
    page->applyProfileButton()->click();
    EXPECT_EQ(actions.calls, QStringList({"applyTranslationProfile(日常)"}));

    page->deleteProfileButton()->click();
    EXPECT_EQ(actions.calls.last(), "translationProfilesChanged");
    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"Galgame"}));
    EXPECT_FALSE(profiles.profileNamed("日常"));

    page->deleteProfileButton()->click();
    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_FALSE(page->profilePopup()->isEnabled());
    EXPECT_TRUE(profiles.profiles().isEmpty());
}

TEST_F(SettingsPageTranslationTest, StoreFailuresAreShownOnThePage) {
    // The settings folder becomes a file, so every write fails.
    const QString folder = QFileInfo(settings.filePath()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    test::writeBytes(folder, "not a folder");
    open();
    page->show();
    EXPECT_FALSE(page->errorLabel()->isVisible());

    page->fallbackBox()->click();
    EXPECT_TRUE(page->errorLabel()->isVisible());
    EXPECT_TRUE(page->errorLabel()->text().startsWith("设置已生效，但未能保存到磁盘："));

    page->profileNameField()->setText("方案");
    page->saveProfileButton()->click();
    EXPECT_TRUE(page->errorLabel()->text().startsWith("未能保存配置：")) << page->errorLabel()->text().toStdString();
    EXPECT_EQ(itemTexts(page->profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(SettingsPageTranslationTest, AnUnreadableProfileListIsReported) {
    ASSERT_TRUE(settings.setValue(Keys::translationProfiles, QJsonValue("not a list")));
    TranslationProfiles seeded(settings, selection, providerSettings);  // reads the list when it is made
    SettingsPageTranslation unreadable(settings, seeded, actions);
    unreadable.show();
    EXPECT_TRUE(unreadable.errorLabel()->isVisible());
    EXPECT_EQ(itemTexts(unreadable.profilePopup()), QStringList({"尚未保存配置"}));
}

// ---- "主页翻译源"

// Which source gets which button is the catalogue's; here every button must act for its own source.
TEST_F(SettingsPageHomeProvidersTest, EverySourceHasItsBoxAndAcquisitionButton) {
    SettingsPageHomeProviders page(selection, actions);
    for (Provider provider : allProviders()) {
        const int raw = rawValue(provider);
        ProviderVisibilityCheckBox* box = page.checkBox(provider);
        ASSERT_NE(box, nullptr) << raw;
        EXPECT_EQ(box->isChecked(), selection.enabledProviders().contains(provider));

        QPushButton* button = page.acquisitionButton(provider);
        EXPECT_EQ(button == nullptr, ProviderCatalogue::acquisitionButton(provider) == AcquisitionButton::hidden) << raw;
        if (!button) continue;
        actions.calls.clear();
        button->click();
        const QStringList forThisSource{QString("openLocalModelDownload(%1)").arg(raw),
                                        "openExternalURL(" + ProviderCatalogue::officialPurchaseURL(provider) + ")"};
        ASSERT_EQ(actions.calls.size(), 1) << raw;
        EXPECT_TRUE(forThisSource.contains(actions.calls.first())) << actions.calls.first().toStdString();
    }
}

// The boxes are the source manager's (a refused last source is tested there); the page must
// report a change and show one made elsewhere when it is shown again.
TEST_F(SettingsPageHomeProvidersTest, TheBoxesReportChangesAndFollowThemOnShow) {
    SettingsPageHomeProviders page(selection, actions);
    ASSERT_FALSE(page.checkBox(Provider::openRouter)->isChecked());
    page.checkBox(Provider::openRouter)->click();
    EXPECT_EQ(actions.calls, QStringList({"translationSourcesChanged"}));
    selection.providerVisibilityChanged(Provider::openRouter, false);
    page.show();
    EXPECT_FALSE(page.checkBox(Provider::openRouter)->isChecked());
}

}  // namespace
}  // namespace ovisu
