#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace ovisu;

namespace {

QList<int> storedEnabled(const SettingsStore& settings) {
    QList<int> raw;
    for (const QJsonValue& v : settings.arrayValue("enabledProviders").value_or(QJsonArray{})) raw.append(v.toInt());
    return raw;
}

}  // namespace

TEST(ProviderSelection, FreshStartUsesDefaultSetWithoutSystemTranslatorAndGoogleCurrent) {
    SettingsStore settings;
    ProviderSelection selection(settings);
    EXPECT_EQ(selection.visibleProviders().size(), 11);
    EXPECT_FALSE(selection.enabledProviders().contains(Provider::systemTranslation));
    EXPECT_EQ(selection.currentProvider(), Provider::google);
    EXPECT_EQ(selection.visibleProviders().first(), Provider::google);
    // Raw order, not the order of the default list.
    EXPECT_EQ(selection.visibleProviders()[1], Provider::openAI);
}

TEST(ProviderSelection, StoredSetIgnoresUnknownAndMistypedEntries) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setValue("enabledProviders", QJsonArray{22, 99, "4", -1, 4}).has_value());
    ASSERT_TRUE(settings.setInt("provider", 22).has_value());
    ProviderSelection selection(settings);
    EXPECT_EQ(selection.visibleProviders(), (QList<Provider>{Provider::deepSeek, Provider::groq}));
    EXPECT_EQ(selection.currentProvider(), Provider::groq);

    // A stored set with no valid provider reads as the default set.
    ASSERT_TRUE(settings.setValue("enabledProviders", QJsonArray{77}).has_value());
    EXPECT_EQ(ProviderSelection(settings).visibleProviders().size(), 11);
}

TEST(ProviderSelection, EnabledSetWithoutTheCurrentSourceSelectsTheFirstEntry) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setValue("enabledProviders", QJsonArray{6, 9}).has_value());
    ASSERT_TRUE(settings.setInt("provider", 2).has_value());
    ProviderSelection selection(settings);
    EXPECT_EQ(selection.currentProvider(), Provider::deepL);
    selection.refreshSourcePopup(Provider::claude);  // not listed
    EXPECT_EQ(selection.currentProvider(), Provider::deepL);
    EXPECT_EQ(settings.intValue("provider", -1), 6);
}

TEST(ProviderSelection, RemovingTheLastSourceIsRefusedAndOthersPersistSorted) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setValue("enabledProviders", QJsonArray{9, 0}).has_value());
    ProviderSelection selection(settings);
    ASSERT_TRUE(selection.providerChanged(Provider::sakura));

    EXPECT_EQ(selection.providerVisibilityChanged(Provider::deepSeek, true), ProviderSelection::VisibilityChange::applied);
    EXPECT_EQ(storedEnabled(settings), (QList<int>{0, 4, 9}));
    EXPECT_EQ(selection.currentProvider(), Provider::sakura);

    // Removing the current source moves the selection to the first visible one.
    EXPECT_EQ(selection.providerVisibilityChanged(Provider::sakura, false), ProviderSelection::VisibilityChange::applied);
    EXPECT_EQ(selection.currentProvider(), Provider::google);
    EXPECT_EQ(settings.intValue("provider", -1), 0);
    EXPECT_EQ(selection.providerVisibilityChanged(Provider::google, false), ProviderSelection::VisibilityChange::applied);
    EXPECT_EQ(selection.currentProvider(), Provider::deepSeek);

    EXPECT_EQ(selection.providerVisibilityChanged(Provider::deepSeek, false), ProviderSelection::VisibilityChange::refused);
    EXPECT_EQ(storedEnabled(settings), (QList<int>{4}));
    EXPECT_EQ(selection.currentProvider(), Provider::deepSeek);
}

TEST(ProviderSelection, ChoosingAHiddenSourceIsIgnored) {
    SettingsStore settings;
    ProviderSelection selection(settings);
    EXPECT_FALSE(selection.providerChanged(Provider::groq));
    EXPECT_EQ(selection.currentProvider(), Provider::google);
    EXPECT_TRUE(selection.providerChanged(Provider::claude));
    EXPECT_EQ(ProviderSelection(settings).currentProvider(), Provider::claude);
}
