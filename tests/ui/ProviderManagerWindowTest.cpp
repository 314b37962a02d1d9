#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ui/ProviderManagerWindow.h"
#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "support/TestEnvironment.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QJsonArray>
#include <QLabel>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

namespace Keys = SettingsKeys;
using test::RecordingTranslationSettingsActions;

QList<int> storedEnabled(const SettingsStore& settings) {
    QList<int> raw;
    for (const QJsonValue& value : SettingsStore(settings.filePath()).arrayValue(Keys::enabledProviders).value_or(QJsonArray()))
        raw.append(value.toInt());
    return raw;
}

TEST(ProviderManagerWindowTest, ListsFreeSourcesFirstAndEveryOtherInRawOrder) {
    const QList<Provider> free = ProviderManagerWindow::freeProviders();
    EXPECT_EQ(free, QList<Provider>({Provider::systemTranslation, Provider::google, Provider::sakura,
                                     Provider::qwenLocal, Provider::hyMTLocal, Provider::libreTranslate,
                                     Provider::ollamaLocal, Provider::translateGemmaLocal}));
    const QList<Provider> paid = ProviderManagerWindow::paidProviders();
    ASSERT_EQ(free.size() + paid.size(), providerCount);
    for (int index = 1; index < paid.size(); ++index) EXPECT_LT(rawValue(paid[index - 1]), rawValue(paid[index]));
    for (Provider provider : paid) EXPECT_FALSE(free.contains(provider)) << rawValue(provider);

    SettingsStore settings;
    ProviderSelection selection(settings);
    RecordingTranslationSettingsActions actions;
    ProviderManagerWindow window(selection, actions);
    window.present();
    EXPECT_EQ(window.windowTitle(), "主页翻译源管理");
    for (Provider provider : allProviders()) {
        ProviderVisibilityCheckBox* box = window.checkBox(provider);
        ASSERT_NE(box, nullptr) << rawValue(provider);
        EXPECT_EQ(box->text(), ProviderCatalogue::title(provider));
        EXPECT_EQ(box->isChecked(), selection.enabledProviders().contains(provider)) << rawValue(provider);
    }
    QStringList texts;
    for (QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"勾选要显示在主页和菜单栏中的翻译源", "免费 / 本地翻译", "付费 / API 翻译",
                             "至少保留一个翻译源；未勾选的源仍保留配置和 API Key。"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
}

TEST(ProviderManagerWindowTest, UncheckingTheOnlyEnabledSourceKeepsItCheckedAndBeeps) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setArray(Keys::enabledProviders, QJsonArray({rawValue(Provider::deepL)})));
    ProviderSelection selection(settings);
    RecordingTranslationSettingsActions actions;
    ProviderManagerWindow window(selection, actions);
    int beeps = 0;
    window.setBeep([&beeps] { ++beeps; });
    window.present();

    ProviderVisibilityCheckBox* deepL = window.checkBox(Provider::deepL);
    ASSERT_TRUE(deepL->isChecked());
    deepL->click();
    EXPECT_TRUE(deepL->isChecked());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(actions.calls.isEmpty());
    EXPECT_EQ(selection.visibleProviders(), QList<Provider>({Provider::deepL}));
    EXPECT_EQ(storedEnabled(settings), QList<int>({rawValue(Provider::deepL)}));
}

TEST(ProviderManagerWindowTest, AChangeIsStoredAndReachesTheShell) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setArray(Keys::enabledProviders,
                                  QJsonArray({rawValue(Provider::google), rawValue(Provider::claude)})));
    ASSERT_TRUE(settings.setInt(Keys::provider, rawValue(Provider::claude)));
    ProviderSelection selection(settings);
    RecordingTranslationSettingsActions actions;
    ProviderManagerWindow window(selection, actions);
    int beeps = 0;
    window.setBeep([&beeps] { ++beeps; });
    window.present();

    window.checkBox(Provider::groq)->click();
    EXPECT_EQ(actions.calls, QStringList({"translationSourcesChanged"}));
    EXPECT_EQ(storedEnabled(settings), QList<int>({0, 2, rawValue(Provider::groq)}));

    // Removing the current source moves the selection to the first visible one.
    window.checkBox(Provider::claude)->click();
    EXPECT_FALSE(window.checkBox(Provider::claude)->isChecked());
    EXPECT_EQ(actions.calls.size(), 2);
    EXPECT_EQ(storedEnabled(settings), QList<int>({0, rawValue(Provider::groq)}));
    EXPECT_EQ(SettingsStore(settings.filePath()).intValue(Keys::provider, -1), rawValue(Provider::google));
    EXPECT_EQ(beeps, 0);
}

TEST(ProviderManagerWindowTest, OpeningReadsEveryBoxAgain) {
    SettingsStore settings;
    ProviderSelection selection(settings);
    RecordingTranslationSettingsActions actions;
    ProviderManagerWindow window(selection, actions);
    window.present();
    ASSERT_FALSE(window.checkBox(Provider::mistral)->isChecked());
    ASSERT_TRUE(window.checkBox(Provider::google)->isChecked());

    // Changed elsewhere (the settings page, a profile) while the window was closed.
    window.close();
    selection.providerVisibilityChanged(Provider::mistral, true);
    selection.providerVisibilityChanged(Provider::google, false);
    window.present();
    EXPECT_TRUE(window.checkBox(Provider::mistral)->isChecked());
    EXPECT_FALSE(window.checkBox(Provider::google)->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty());
}

}  // namespace
}  // namespace ovisu
