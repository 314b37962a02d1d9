// What one translation costs the engine outside the network: building the request, reading the
// reply, cleaning the output. These run for every line of dialogue, so they must stay far below
// the time a player spends reading.
#include "engine/DefaultPrompts.h"
#include "engine/ProviderAdapterFactory.h"
#include "engine/TranslationOutputCleaner.h"
#include "engine/TranslationPromptRenderer.h"

#include <QFile>
#include <benchmark/benchmark.h>

using namespace ovisu;

namespace {

TranslationProviderConfiguration configuration() {
    TranslationProviderConfiguration c;
    c.endpoint = QUrl("http://127.0.0.1:8080/v1/chat/completions");
    c.apiKey = "sk-bench";
    c.model = "m";
    c.prompt = DefaultPrompts::otome();
    c.userPromptTemplate = DefaultPrompts::shortTemplate();
    c.context = QStringLiteral("原文：おはよう\n译文：早上好\n\n原文：今日は晴れだね\n译文：今天是晴天呢");
    c.glossary = QStringLiteral("アリス → 爱丽丝\nルーク → 卢克");
    c.workContext = QStringLiteral("学園を舞台にした恋愛アドベンチャー。");
    return c;
}

const QString kLine = QStringLiteral("「ねえ、ルーク。今日の放課後、一緒に図書館に行かない？」");

void BM_ChatRequest(benchmark::State& state) {
    const auto adapter = providerAdapter(Provider::sakura, {});
    const auto c = configuration();
    for (auto _ : state) benchmark::DoNotOptimize(adapter->makeRequest(kLine, c));
}
BENCHMARK(BM_ChatRequest);

void BM_YoudaoSignedRequest(benchmark::State& state) {
    const auto adapter = providerAdapter(Provider::youdao, {});
    auto c = configuration();
    c.endpoint = QUrl("https://openapi.youdao.com/api");
    for (auto _ : state) benchmark::DoNotOptimize(adapter->makeRequest(kLine, c));
}
BENCHMARK(BM_YoudaoSignedRequest);

void BM_ChatParse(benchmark::State& state) {
    const auto adapter = providerAdapter(Provider::sakura, {});
    const QByteArray body = R"({"choices":[{"index":0,"message":{"role":"assistant","content":"“喂，卢克。今天放学后，要不要一起去图书馆？”"},"finish_reason":"stop"}]})";
    for (auto _ : state) benchmark::DoNotOptimize(adapter->parseResponse(body));
}
BENCHMARK(BM_ChatParse);

void BM_CleanAndDeduplicate(benchmark::State& state) {
    const QString raw = QStringLiteral("<think>先分析语气……</think>\n译文：“喂，卢克。今天放学后，要不要一起去图书馆？”\n“喂，卢克。今天放学后，要不要一起去图书馆？”");
    for (auto _ : state)
        benchmark::DoNotOptimize(TranslationOutputCleaner::deduplicated(TranslationOutputCleaner::clean(raw, true)));
}
BENCHMARK(BM_CleanAndDeduplicate);

}  // namespace

BENCHMARK_MAIN();
