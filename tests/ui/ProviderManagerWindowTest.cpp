#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ui/ProviderManagerWindow.h"
#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "support/TestEnvironment.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <optional>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;

class ProviderManagerWindowTest : public ::testing::Test {
protected:
    SettingsStore settings;
    std::optional<ProviderSelection> selection;
    test::RecordingTranslationSettingsActions actions;
    std::optional<ProviderManagerWindow> window;
    int beeps = 0;

    // Opens the window on the sources the test stored beforehand.
    void open() {
        selection.emplace(settings);
        window.emplace(*selection, actions);
        window->setBeep([this] { ++beeps; });
        window->present();
    }
    QList<int> storedEnabled() const {
        QList<int> raw;
        for (const QJsonValue& value :
             SettingsStore(settings.filePath()).arrayValue(Keys::enabledProviders).value_or(QJsonArray()))
            raw.append(value.toInt());
        return raw;
    }
};

TEST_F(ProviderManagerWindowTest, ListsEverySourceOnceWithTheOthersInRawOrder) {
    const QList<Provider> free = ProviderManagerWindow::freeProviders();
    const QList<Provider> paid = ProviderManagerWindow::paidProviders();
    ASSERT_EQ(free.size() + paid.size(), providerCount);
    for (int index = 1; index < paid.size(); ++index) EXPECT_LT(rawValue(paid[index - 1]), rawValue(paid[index]));
    for (Provider provider : paid) EXPECT_FALSE(free.contains(provider)) << rawValue(provider);

    open();
    for (Provider provider : allProviders()) {
        ProviderVisibilityCheckBox* box = window->checkBox(provider);
        ASSERT_NE(box, nullptr) << rawValue(provider);
        EXPECT_EQ(box->isChecked(), selection->enabledProviders().contains(provider)) << rawValue(provider);
    }
}

TEST_F(ProviderManagerWindowTest, UncheckingTheOnlyEnabledSourceKeepsItCheckedAndBeeps) {
    ASSERT_TRUE(settings.setArray(Keys::enabledProviders, QJsonArray({rawValue(Provider::deepL)})));
    open();

    ProviderVisibilityCheckBox* deepL = window->checkBox(Provider::deepL);
    ASSERT_TRUE(deepL->isChecked());
    deepL->click();
    EXPECT_TRUE(deepL->isChecked());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(actions.calls.isEmpty());
    EXPECT_EQ(selection->visibleProviders(), QList<Provider>({Provider::deepL}));
    EXPECT_EQ(storedEnabled(), QList<int>({rawValue(Provider::deepL)}));
}

TEST_F(ProviderManagerWindowTest, AChangeIsStoredAndReachesTheShell) {
    ASSERT_TRUE(settings.setArray(Keys::enabledProviders,
                                  QJsonArray({rawValue(Provider::google), rawValue(Provider::claude)})));
    ASSERT_TRUE(settings.setInt(Keys::provider, rawValue(Provider::claude)));
    open();

    window->checkBox(Provider::groq)->click();
    EXPECT_EQ(actions.calls, QStringList({"translationSourcesChanged"}));
    EXPECT_EQ(storedEnabled(), QList<int>({0, 2, rawValue(Provider::groq)}));

    // Removing the current source moves the selection to the first visible one.
    window->checkBox(Provider::claude)->click();
    EXPECT_FALSE(window->checkBox(Provider::claude)->isChecked());
    EXPECT_EQ(actions.calls.size(), 2);
    EXPECT_EQ(storedEnabled(), QList<int>({0, rawValue(Provider::groq)}));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::provider, -1), rawValue(Provider::google));
    EXPECT_EQ(beeps, 0);
}

TEST_F(ProviderManagerWindowTest, OpeningReadsEveryBoxAgain) {
    open();
    ASSERT_FALSE(window->checkBox(Provider::mistral)->isChecked());
    ASSERT_TRUE(window->checkBox(Provider::google)->isChecked());

    // Changed elsewhere (the settings page, a profile) while the window was closed.
    window->close();
    selection->providerVisibilityChanged(Provider::mistral, true);
    selection->providerVisibilityChanged(Provider::google, false);
    window->present();
    EXPECT_TRUE(window->checkBox(Provider::mistral)->isChecked());
    EXPECT_FALSE(window->checkBox(Provider::google)->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty());
}

}  // namespace
}  // namespace ovisu
