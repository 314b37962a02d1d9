// The pipeline tests stand on the fake services. If the fake dispatched a source's request to the
// wrong route, or answered in a shape the source's own parser does not read, those tests would
// pass or fail for the wrong reasons.

#include "engine/Provider.h"
#include "engine/ProviderAdapterFactory.h"

#include "support/fake/FakeService.h"

#include <gtest/gtest.h>

namespace ovisu::fake {
namespace {

Route expectedRoute(Provider provider, const QString& endpoint) {
    if (const auto style = ProviderCatalogue::streamStyle(provider, endpoint)) {
        switch (*style) {
        case TranslationStreamStyle::chatCompletions: return Route::chatCompletions;
        case TranslationStreamStyle::responses: return Route::responses;
        case TranslationStreamStyle::claude: return Route::anthropicMessages;
        }
    }
    if (ProviderCatalogue::usesOllama(provider)) return Route::ollamaChat;
    switch (provider) {
    case Provider::google: return Route::googleFree;
    case Provider::deepL: return Route::deepL;
    case Provider::microsoft: return Route::microsoft;
    case Provider::youdao: return Route::youdao;
    case Provider::baidu: return Route::baidu;
    case Provider::papago: return Route::papago;
    case Provider::libreTranslate: return Route::libreTranslate;
    default: return Route::unknown;
    }
}

TEST(FakeServiceFidelity, EverySourceReachesItsRouteAndReadsItsDefaultReply) {
    const QString translation = QStringLiteral("今天天气很好。");
    int checked = 0;
    for (const Provider provider : allProviders()) {
        QString endpoint = ProviderCatalogue::defaultEndpoint(provider);
        if (QUrl(endpoint).path().isEmpty()) endpoint = QStringLiteral("http://127.0.0.1:1/v1/chat/completions");
        const auto adapter = providerAdapter(provider, endpoint);
        if (!adapter) continue;  // the system translator has no HTTP service
        SCOPED_TRACE(caseName(provider).toStdString());
        TranslationProviderConfiguration configuration;
        configuration.endpoint = QUrl(endpoint);
        configuration.apiKey = QStringLiteral("key");
        configuration.model = QStringLiteral("model");
        const RequestResult request = adapter->makeRequest(QStringLiteral("今日はいい天気ですね。"), configuration);
        ASSERT_TRUE(request.has_value());

        const Route route = FakeService::routeFor(QString::fromLatin1(request->method),
                                                  request->url.path(QUrl::FullyEncoded) + QLatin1Char('?') +
                                                      request->url.query(QUrl::FullyEncoded),
                                                  request->body);
        EXPECT_EQ(route, expectedRoute(provider, endpoint));
        EXPECT_EQ(adapter->parseResponse(FakeService::defaultBody(route, translation)),
                  std::optional<QString>(translation));
        ++checked;
    }
    EXPECT_EQ(checked, providerCount - 1);
}

}  // namespace
}  // namespace ovisu::fake
