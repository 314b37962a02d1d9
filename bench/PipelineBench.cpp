// Requests per second and latency of one translation through the whole pipeline, against the
// fake service answering at once, whole and streamed; and the pipeline's own share of the time:
// the same request sent straight through the transport is the network part, the rest is ours.
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"
#include "support/fake/FakeService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ovisu;

namespace {

struct Figures {
    double requestsPerSecond = 0;
    double p50 = 0;
    double p99 = 0;
};

Figures summarise(std::vector<double> latenciesMs, double totalSeconds) {
    std::sort(latenciesMs.begin(), latenciesMs.end());
    const auto at = [&](double q) { return latenciesMs[static_cast<size_t>(q * (latenciesMs.size() - 1))]; };
    return {latenciesMs.size() / totalSeconds, at(0.5), at(0.99)};
}

class WaitingClient : public TranslationPipelineClient {
public:
    QEventLoop* loop = nullptr;
    bool succeeded = false;
    void translationEnded(const TranslationOutcome& outcome) override {
        succeeded = outcome.succeeded();
        loop->quit();
    }
};

Figures measurePipeline(SettingsStore& settings, HttpTransport& transport, bool streaming, int count) {
    ProviderSelection selection(settings);
    selection.useTransiently(Provider::sakura);
    WaitingClient client;
    QEventLoop loop;
    client.loop = &loop;
    TranslationPipeline pipeline({settings, selection, transport, nullptr, nullptr, nullptr}, client);
    pipeline.setStreamingPreference(streaming);

    std::vector<double> latencies;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        // A fresh text each time, so no request is answered by the similarity shortcut.
        const QString text = QStringLiteral("第%1話「今日はいい天気ですね」").arg(i);
        QElapsedTimer one;
        one.start();
        pipeline.translate(text, text);
        loop.exec();
        latencies.push_back(one.nsecsElapsed() / 1e6);
        if (!client.succeeded) std::fprintf(stderr, "request %d failed\n", i);
        // The in-memory list feeds the prompt context; keep it as a running session would.
        if (pipeline.panelLines().size() > 50) pipeline.clearPanelLines();
    }
    return summarise(latencies, total.nsecsElapsed() / 1e9);
}

Figures measureTransport(HttpTransport& transport, const QString& endpoint, int count) {
    HttpRequest request;
    request.url = QUrl(endpoint);
    request.setHeader("Content-Type", "application/json");
    request.body = R"({"model":"m","messages":[{"role":"user","content":"今日はいい天気ですね"}],"stream":false})";
    std::vector<double> latencies;
    QEventLoop loop;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        auto call = transport.send(request, [&](HttpResponse) { loop.quit(); });
        loop.exec();
        latencies.push_back(one.nsecsElapsed() / 1e6);
    }
    return summarise(latencies, total.nsecsElapsed() / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("OVISU_HOME", home.path().toUtf8());
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 1000;

    fake::FakeService service;
    SettingsStore settings;
    const QString endpoint = service.baseUrl() + QStringLiteral("/v1/chat/completions");
    (void)settings.setString(QStringLiteral("endpoint.9"), endpoint);
    HttpTransport transport;

    measurePipeline(settings, transport, false, 50);  // warm up connections, caches, allocations
    const Figures network = measureTransport(transport, endpoint, count);
    const Figures whole = measurePipeline(settings, transport, false, count);
    const Figures streamed = measurePipeline(settings, transport, true, count);

    std::printf("%d requests each, fake service on loopback answering at once\n\n", count);
    std::printf("| %-28s | %10s | %9s | %9s |\n", "path", "req/s", "p50 ms", "p99 ms");
    std::printf("|------------------------------|------------|-----------|-----------|\n");
    const auto row = [](const char* name, const Figures& f) {
        std::printf("| %-28s | %10.0f | %9.3f | %9.3f |\n", name, f.requestsPerSecond, f.p50, f.p99);
    };
    row("transport only (network)", network);
    row("translate, whole reply", whole);
    row("translate, streamed reply", streamed);
    std::printf("\npipeline overhead at p50 (whole - transport only): %.3f ms\n", whole.p50 - network.p50);
    return 0;
}
