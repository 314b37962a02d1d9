#include "engine/Provider.h"
#include "engine/ProviderSettings.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace ovisu;

TEST(ProviderCatalogue, RawValuesRoundTripAndOutOfRangeIsNoProvider) {
    EXPECT_EQ(allProviders().size(), 26);
    for (Provider p : allProviders()) {
        EXPECT_EQ(providerFromRawValue(rawValue(p)), p);
        EXPECT_EQ(providerFromCaseName(caseName(p)), p);
    }
    EXPECT_EQ(providerFromRawValue(-1), std::nullopt);
    EXPECT_EQ(providerFromRawValue(26), std::nullopt);
    EXPECT_EQ(providerFromCaseName("DEEPSEEK"), Provider::deepSeek);
    EXPECT_EQ(providerFromCaseName("nope"), std::nullopt);
}

TEST(ProviderCatalogue, EveryPublicDefaultEndpointIsAValidHttpsUrlWithTheDocumentedPath) {
    const QSet<Provider> local{Provider::sakura, Provider::qwenLocal, Provider::hyMTLocal, Provider::libreTranslate,
                               Provider::ollamaLocal, Provider::translateGemmaLocal};
    for (Provider p : allProviders()) {
        if (p == Provider::custom || p == Provider::systemTranslation) continue;
        const auto url = ProviderSettings::validatedEndpoint(ProviderCatalogue::defaultEndpoint(p));
        ASSERT_TRUE(url.has_value()) << caseName(p).toStdString();
        EXPECT_EQ(url->scheme(), local.contains(p) ? "http" : "https") << caseName(p).toStdString();
        if (local.contains(p)) {
            EXPECT_EQ(url->host(), "127.0.0.1");
            EXPECT_EQ(url->port(), ProviderCatalogue::localPort(p).value_or(-1));
        }
    }
    EXPECT_TRUE(ProviderCatalogue::defaultEndpoint(Provider::groq).endsWith("/openai/v1/chat/completions"));
    EXPECT_TRUE(ProviderCatalogue::defaultEndpoint(Provider::baidu).endsWith("/api/trans/vip/translate"));
    EXPECT_TRUE(ProviderCatalogue::defaultEndpoint(Provider::geminiOpenAI).endsWith("/v1beta/openai/chat/completions"));
    EXPECT_TRUE(ProviderCatalogue::note(Provider::deepL).contains("https://api.deepl.com/v2/translate"));
}

TEST(ProviderCatalogue, EveryOfficialSiteIsAnHttpsUrl) {
    for (Provider p : allProviders()) {
        if (ProviderCatalogue::acquisitionButton(p) != AcquisitionButton::officialSite) continue;
        const QUrl url(ProviderCatalogue::officialPurchaseURL(p));
        EXPECT_TRUE(url.isValid() && url.scheme() == "https" && !url.host().isEmpty()) << caseName(p).toStdString();
    }
}

TEST(ProviderCatalogue, StreamStylesAndLocalEngines) {
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::claude), TranslationStreamStyle::claude);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::doubao), TranslationStreamStyle::responses);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::hyMTLocal), TranslationStreamStyle::chatCompletions);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::openRouter), TranslationStreamStyle::chatCompletions);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::ollamaLocal), std::nullopt);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::deepL), std::nullopt);
    EXPECT_EQ(ProviderCatalogue::streamStyle(Provider::custom, ""), TranslationStreamStyle::responses);

    QList<int> managed;
    for (Provider p : allProviders())
        if (ProviderCatalogue::isManagedLocalEngine(p)) managed.append(ProviderCatalogue::localPort(p).value_or(0));
    EXPECT_EQ(managed, (QList<int>{8080, 8081, 8082}));
    EXPECT_TRUE(ProviderCatalogue::usesOllama(Provider::translateGemmaLocal));
    EXPECT_FALSE(ProviderCatalogue::usesOllama(Provider::sakura));
}
