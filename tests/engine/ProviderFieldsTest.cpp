#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderFields.h"
#include "engine/ProviderSettings.h"
#include "support/QtPrinters.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace ovisu;

namespace {

QString account(Provider provider) { return ProviderCatalogue::credentialAccount(provider); }

class ProviderFieldsTest : public ::testing::Test {
protected:
    SettingsStore settings;
    ProviderSettings providerSettings{settings};
};

}  // namespace

TEST_F(ProviderFieldsTest, SavesWhatTheWindowEditsAndLoadsItBack) {
    const QString endpoint = "https://example.com/v1/chat/completions";
    ASSERT_TRUE(saveProviderFields(settings, Provider::groq, {"  gsk-abc\r\n", "llama-3.3-70b", endpoint, "P"}));
    EXPECT_EQ(LocalCredentialStore::secret(account(Provider::groq)), "gsk-abc");
    EXPECT_EQ(settings.stringValue("model.22"), "llama-3.3-70b");
    EXPECT_EQ(settings.stringValue("endpoint.22"), endpoint);
    EXPECT_EQ(settings.stringValue("prompt.22"), "P");

    const ProviderFields loaded = loadProviderFields(providerSettings, Provider::groq);
    EXPECT_EQ(QStringList({loaded.secret, loaded.model, loaded.endpoint, loaded.prompt}),
              QStringList({"gsk-abc", "llama-3.3-70b", endpoint, "P"}));

    // An empty (or blank) secret removes the entry.
    ASSERT_TRUE(saveProviderFields(settings, Provider::groq, {" \t\n", "m", endpoint, "P"}));
    EXPECT_FALSE(LocalCredentialStore::readAll().contains(account(Provider::groq)));

    // A source without a prompt stores no prompt; its editor shows the fixed text.
    ASSERT_TRUE(saveProviderFields(settings, Provider::deepL, {"k", "", "https://api.deepl.com/v2/translate", "ignored"}));
    EXPECT_FALSE(settings.contains("prompt.6"));
    EXPECT_EQ(loadProviderFields(providerSettings, Provider::deepL).prompt, "此翻译源不使用 Prompt。");
}

TEST_F(ProviderFieldsTest, KeylessAndLocalSourcesLeaveTheCredentialFileAlone) {
    for (Provider provider : allProviders()) {
        SCOPED_TRACE(caseName(provider).toStdString());
        ASSERT_TRUE(LocalCredentialStore::save("kept", account(provider)));
        ASSERT_TRUE(saveProviderFields(settings, provider, {"", "m", "http://127.0.0.1:1/x", "p"}));
        const bool stored = !QList<int>{0, 9, 10, 14, 15, 16, 25}.contains(rawValue(provider));
        EXPECT_EQ(storesProviderSecret(provider), stored);
        EXPECT_EQ(LocalCredentialStore::readAll().contains(account(provider)), !stored);
        EXPECT_EQ(settings.contains(SettingsKeys::perSource(SettingsKeys::promptPrefix, rawValue(provider))),
                  ProviderCatalogue::isPromptCapable(provider));
    }
}

TEST_F(ProviderFieldsTest, AFailedCredentialWriteIsReportedAndTheOtherFieldsAreStillSaved) {
    // A file where the credentials folder should be makes every write fail.
    test::writeBytes(QFileInfo(paths::credentialsFile()).absolutePath(), "not a folder");

    const auto saved = saveProviderFields(settings, Provider::openAI, {"sk-new", "gpt-x", "https://e.com/v1/responses", "P"});
    ASSERT_FALSE(saved.has_value());
    EXPECT_TRUE(saved.error().startsWith("本地凭据保存失败：")) << saved.error().toStdString();
    EXPECT_FALSE(saved.error().contains("sk-new"));
    EXPECT_EQ(settings.stringValue("model.1"), "gpt-x");
}
