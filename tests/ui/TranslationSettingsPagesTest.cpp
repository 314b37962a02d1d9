#include "app/ui/SettingsPageHomeProviders.h"
#include "app/ui/SettingsPageTranslation.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationProfiles.h"
#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "support/TestEnvironment.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;
using test::RecordingTranslationSettingsActions;

// The translation services the pages work with, over one settings store.
struct Services {
    explicit Services(const QString& settingsPath = {})
        : settings(settingsPath.isEmpty() ? std::make_unique<SettingsStore>()
                                          : std::make_unique<SettingsStore>(settingsPath)),
          selection(*settings),
          providerSettings(*settings),
          profiles(*settings, selection, providerSettings) {}

    std::unique_ptr<SettingsStore> settings;
    ProviderSelection selection;
    ProviderSettings providerSettings;
    TranslationProfiles profiles;
    RecordingTranslationSettingsActions actions;
};

QStringList itemTexts(const QComboBox* popup) {
    QStringList texts;
    for (int index = 0; index < popup->count(); ++index) texts << popup->itemText(index);
    return texts;
}

QString blockedSettingsPath() {
    const QString blocker = test::currentHome() + "/blocker";
    QFile file(blocker);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return blocker + "/settings.json";
}

// ---- "翻译"

TEST(SettingsPageTranslationTest, TheFallbackControlsStoreAtOnce) {
    Services services;
    ASSERT_TRUE(services.settings->setInt(Keys::fallbackProvider, rawValue(Provider::deepSeek)));
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);

    QComboBox* popup = page.fallbackPopup();
    ASSERT_EQ(popup->count(), providerCount);
    for (Provider provider : allProviders()) {
        EXPECT_EQ(popup->itemText(rawValue(provider)), ProviderCatalogue::title(provider));
        EXPECT_EQ(popup->itemData(rawValue(provider)).toInt(), rawValue(provider));
    }
    EXPECT_EQ(popup->currentText(), ProviderCatalogue::title(Provider::deepSeek));
    EXPECT_FALSE(page.fallbackBox()->isChecked());

    page.fallbackBox()->click();
    EXPECT_TRUE(SettingsStore(services.settings->filePath()).boolValue(Keys::automaticFallbackEnabled, false));
    // A source the home page does not show is offered and stored all the same.
    ASSERT_FALSE(services.selection.enabledProviders().contains(Provider::papago));
    emit popup->activated(rawValue(Provider::papago));
    const SettingsStore disk(services.settings->filePath());
    EXPECT_EQ(disk.value(Keys::fallbackProvider), QJsonValue(rawValue(Provider::papago)));
    EXPECT_EQ(disk.intValue(Keys::fallbackProvider, -1), rawValue(Provider::papago));
    EXPECT_TRUE(services.actions.calls.isEmpty());

    // An unknown stored source shows the first item.
    ASSERT_TRUE(services.settings->setInt(Keys::fallbackProvider, 99));
    page.render();
    EXPECT_EQ(popup->currentIndex(), 0);
}

TEST(SettingsPageTranslationTest, TheFourButtonsOpenTheirWindows) {
    Services services;
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);
    const std::pair<const char*, const char*> buttons[] = {
        {"openProviderSettings", "配置翻译源…"},
        {"openAILocalizationSettings", "AI 本地化…"},
        {"openTranslationSettings", "翻译参数…"},
        {"openProviderManager", "主页翻译源管理…"},
    };
    for (const auto& [name, title] : buttons) {
        auto* button = page.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(title));
        button->click();
        EXPECT_EQ(services.actions.calls.last(), name);
    }
    EXPECT_EQ(services.actions.calls.size(), 4);
}

TEST(SettingsPageTranslationTest, AnEmptyProfileListShowsTheDisabledPlaceholder) {
    Services services;
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);
    int beeps = 0;
    page.setBeep([&beeps] { ++beeps; });

    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_FALSE(page.profilePopup()->isEnabled());
    EXPECT_FALSE(page.applyProfileButton()->isEnabled());
    EXPECT_FALSE(page.deleteProfileButton()->isEnabled());
    EXPECT_FALSE(page.selectedProfileName());

    // An empty or blank name saves nothing.
    page.saveProfileButton()->click();
    page.profileNameField()->setText("  \n ");
    page.saveProfileButton()->click();
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(services.profiles.profiles().isEmpty());
    EXPECT_TRUE(services.actions.calls.isEmpty());
    // The placeholder item is never applied as a profile.
    page.applySelectedTranslationProfile();
    EXPECT_EQ(beeps, 3);
    EXPECT_TRUE(services.actions.calls.isEmpty());
}

TEST(SettingsPageTranslationTest, SavingANameInAnotherLetterCaseReplacesThatProfile) {
    Services services;
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);

    for (const char* name : {"Zeta", "alpha"}) {
        page.profileNameField()->setText(QString::fromUtf8(name));
        page.saveProfileButton()->click();
    }
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"alpha", "Zeta"}));
    EXPECT_EQ(page.selectedProfileName(), "alpha");
    EXPECT_TRUE(page.profilePopup()->isEnabled());

    ASSERT_TRUE(services.settings->setDouble(Keys::translationTemperature, 0.9));
    page.profileNameField()->setText("  ZETA ");
    page.saveProfileButton()->click();
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"alpha", "ZETA"}));
    EXPECT_EQ(page.selectedProfileName(), "ZETA");
    ASSERT_EQ(services.profiles.profiles().size(), 2);
    EXPECT_DOUBLE_EQ(services.profiles.profileNamed("zeta")->temperature, 0.9);
    EXPECT_EQ(services.actions.calls, QStringList(3, "translationProfilesChanged"));
    EXPECT_FALSE(page.errorLabel()->isVisible());
}

TEST(SettingsPageTranslationTest, ApplyAndDeleteActOnTheSelectedProfile) {
    Services services;
    ASSERT_TRUE(services.profiles.saveCurrentTranslationProfile("日常"));
    ASSERT_TRUE(services.profiles.saveCurrentTranslationProfile("Galgame"));
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);
    ASSERT_EQ(page.profilePopup()->count(), 2);

    page.profilePopup()->setCurrentIndex(page.profilePopup()->findText("日常"));
    page.applyProfileButton()->click();
    EXPECT_EQ(services.actions.calls, QStringList({"applyTranslationProfile(日常)"}));

    page.deleteProfileButton()->click();
    EXPECT_EQ(services.actions.calls.last(), "translationProfilesChanged");
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"Galgame"}));
    EXPECT_FALSE(services.profiles.profileNamed("日常"));

    page.deleteProfileButton()->click();
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_FALSE(page.profilePopup()->isEnabled());
    EXPECT_TRUE(services.profiles.profiles().isEmpty());
}

TEST(SettingsPageTranslationTest, StoreFailuresAreShownOnThePage) {
    Services services(blockedSettingsPath());
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);
    page.show();
    EXPECT_FALSE(page.errorLabel()->isVisible());

    page.fallbackBox()->click();
    EXPECT_TRUE(page.errorLabel()->isVisible());
    EXPECT_TRUE(page.errorLabel()->text().startsWith("设置已生效，但未能保存到磁盘："));

    page.profileNameField()->setText("方案");
    page.saveProfileButton()->click();
    EXPECT_TRUE(page.errorLabel()->text().startsWith("未能保存配置：")) << page.errorLabel()->text().toStdString();
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"尚未保存配置"}));
    EXPECT_TRUE(services.actions.calls.isEmpty());
}

TEST(SettingsPageTranslationTest, AnUnreadableProfileListIsReported) {
    SettingsStore seed;
    ASSERT_TRUE(seed.setValue(Keys::translationProfiles, QJsonValue("not a list")));
    Services services;
    SettingsPageTranslation page(*services.settings, services.profiles, services.actions);
    page.show();
    EXPECT_TRUE(page.errorLabel()->isVisible());
    EXPECT_EQ(itemTexts(page.profilePopup()), QStringList({"尚未保存配置"}));
}

// ---- "主页翻译源"

TEST(SettingsPageHomeProvidersTest, EverySourceHasItsBoxAndAcquisitionButton) {
    Services services;
    SettingsPageHomeProviders page(services.selection, services.actions);
    const QList<int> downloads = {9, 10, 13, 14, 15, 16, 25};

    for (Provider provider : allProviders()) {
        const int raw = rawValue(provider);
        ProviderVisibilityCheckBox* box = page.checkBox(provider);
        ASSERT_NE(box, nullptr) << raw;
        EXPECT_EQ(box->text(), ProviderCatalogue::title(provider));
        EXPECT_EQ(box->toolTip(), ProviderCatalogue::title(provider));
        EXPECT_EQ(box->isChecked(), services.selection.enabledProviders().contains(provider));

        QPushButton* button = page.acquisitionButton(provider);
        if (provider == Provider::google || provider == Provider::custom) {
            EXPECT_EQ(button, nullptr) << raw;
            continue;
        }
        ASSERT_NE(button, nullptr) << raw;
        services.actions.calls.clear();
        button->click();
        if (downloads.contains(raw)) {
            EXPECT_EQ(button->text(), "下载") << raw;
            EXPECT_EQ(services.actions.calls, QStringList({QString("openLocalModelDownload(%1)").arg(raw)}));
        } else {
            EXPECT_EQ(button->text(), "前往官网") << raw;
            ASSERT_FALSE(ProviderCatalogue::officialPurchaseURL(provider).isEmpty()) << raw;
            EXPECT_EQ(services.actions.calls,
                      QStringList({"openExternalURL(" + ProviderCatalogue::officialPurchaseURL(provider) + ")"}));
        }
    }
    QStringList texts;
    for (QLabel* label : page.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("勾选要显示在主页和菜单栏的翻译方式；凭证和配置不会因取消勾选而删除。"));
}

TEST(SettingsPageHomeProvidersTest, TheBoxesActAsInTheSourceManager) {
    Services services;
    ASSERT_TRUE(services.settings->setArray(Keys::enabledProviders, QJsonArray({rawValue(Provider::sakura)})));
    ProviderSelection selection(*services.settings);
    SettingsPageHomeProviders page(selection, services.actions);
    int beeps = 0;
    page.setBeep([&beeps] { ++beeps; });

    page.checkBox(Provider::sakura)->click();
    EXPECT_TRUE(page.checkBox(Provider::sakura)->isChecked());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(services.actions.calls.isEmpty());

    page.checkBox(Provider::openRouter)->click();
    EXPECT_EQ(services.actions.calls, QStringList({"translationSourcesChanged"}));
    const auto stored = SettingsStore(services.settings->filePath()).arrayValue(Keys::enabledProviders);
    EXPECT_EQ(stored, QJsonArray({rawValue(Provider::sakura), rawValue(Provider::openRouter)}));

    // Changed elsewhere: the page shows it when it is shown again.
    selection.providerVisibilityChanged(Provider::openRouter, false);
    page.show();
    EXPECT_FALSE(page.checkBox(Provider::openRouter)->isChecked());
}

}  // namespace
}  // namespace ovisu
