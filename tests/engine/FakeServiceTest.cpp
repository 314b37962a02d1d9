// The fake services every pipeline test stands on: if they spoke a format wrongly, paced a stream
// differently from what a test scripted, or let a hung request block shutdown, tests above them
// would pass or fail for the wrong reasons.

#include "engine/Provider.h"
#include "engine/ProviderAdapterFactory.h"

#include "support/Fixtures.h"
#include "support/TestEnvironment.h"
#include "support/fake/FakeService.h"
#include "support/fake/FakeServiceScript.h"
#include "support/fake/Httplib.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace ovisu::fake {
namespace {

using namespace std::chrono_literals;

// What a client saw of one exchange, with the body as the pieces its receiver was handed.
struct Exchange {
    httplib::Error error = httplib::Error::Unknown;
    int status = 0;
    httplib::Headers headers;
    QList<QByteArray> pieces;
    QList<qint64> pieceArrivalMs;  // since the request was sent
    QByteArray body() const { return pieces.join(); }
    std::string header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct Call {
    std::string method = "POST";
    std::string target = "/v1/chat/completions";
    QByteArray body;
    httplib::Headers headers;
    int readTimeoutSeconds = 5;
};

Exchange exchange(int port, const Call& call) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(call.readTimeoutSeconds, 0);
    client.set_connection_timeout(2, 0);
    Exchange result;
    QElapsedTimer clock;
    clock.start();
    httplib::Request request;
    request.method = call.method;
    request.path = call.target;
    request.headers = call.headers;
    request.body = call.body.toStdString();
    request.response_handler = [&](const httplib::Response& response) {
        result.status = response.status;
        result.headers = response.headers;
        return true;
    };
    request.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        result.pieces.append(QByteArray(data, static_cast<qsizetype>(length)));
        result.pieceArrivalMs.append(clock.elapsed());
        return true;
    };
    result.error = client.send(request).error();
    return result;
}

Call call(const std::string& method, const std::string& target, const QByteArray& body = {}) {
    Call c;
    c.method = method;
    c.target = target;
    c.body = body;
    return c;
}

Exchange post(int port, const std::string& target, const QByteArray& body = "{}") {
    return exchange(port, call("POST", target, body));
}

ScriptedReply reply(int status, const QByteArray& body = {}) {
    ScriptedReply r;
    r.status = status;
    r.body = body;
    return r;
}

QJsonObject jsonObject(const QByteArray& bytes) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    EXPECT_TRUE(document.isObject()) << bytes.toStdString();
    return document.object();
}

// A plain reader of the three event grammars, independent of the program's own stream parser.
struct SseReading {
    QString text;
    bool finished = false;
    int events = 0;
};

enum class Grammar { chat, responses, anthropic };

SseReading readSse(QByteArray stream, Grammar grammar) {
    SseReading reading;
    QList<QByteArray> blocks;
    while (true) {
        const qsizetype lf = stream.indexOf("\n\n");
        const qsizetype crlf = stream.indexOf("\r\n\r\n");
        if (lf < 0 && crlf < 0) break;
        const bool crlfFirst = crlf >= 0 && (lf < 0 || crlf < lf);
        const qsizetype at = crlfFirst ? crlf : lf;
        blocks.append(stream.left(at));
        stream.remove(0, at + (crlfFirst ? 4 : 2));
    }
    if (!stream.trimmed().isEmpty()) blocks.append(stream);
    for (const QByteArray& block : blocks) {
        QByteArray data;
        for (QByteArray line : block.split('\n')) {
            if (line.endsWith('\r')) line.chop(1);
            if (line.startsWith("data:")) data += line.mid(5).trimmed();
        }
        if (data.isEmpty()) continue;
        ++reading.events;
        if (data == "[DONE]") {
            reading.finished = true;
            continue;
        }
        const QJsonObject event = QJsonDocument::fromJson(data).object();
        const QString type = event.value("type").toString();
        switch (grammar) {
        case Grammar::chat:
            for (const QJsonValue choice : event.value("choices").toArray()) {
                reading.text += choice.toObject().value("delta").toObject().value("content").toString();
                if (choice.toObject().value("finish_reason").isString()) reading.finished = true;
            }
            break;
        case Grammar::responses:
            if (type == "response.output_text.delta") reading.text += event.value("delta").toString();
            if (type == "response.completed") reading.finished = true;
            break;
        case Grammar::anthropic:
            if (event.value("delta").toObject().value("type") == "text_delta")
                reading.text += event.value("delta").toObject().value("text").toString();
            if (type == "message_stop") reading.finished = true;
            break;
        }
    }
    return reading;
}

Route expectedRoute(Provider provider, const QUrl& endpoint) {
    if (const auto style = ProviderCatalogue::streamStyle(provider, endpoint.toString())) {
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

// The source's own endpoint moved onto the fake service, keeping its path.
QUrl fakeEndpoint(const FakeService& service, Provider provider) {
    QUrl endpoint(ProviderCatalogue::defaultEndpoint(provider));
    if (endpoint.path().isEmpty()) endpoint = QUrl(QStringLiteral("http://placeholder/v1/chat/completions"));
    const QUrl base(service.baseUrl());
    endpoint.setScheme(base.scheme());
    endpoint.setHost(base.host());
    endpoint.setPort(base.port());
    return endpoint;
}

Exchange send(const FakeService& service, const HttpRequest& request) {
    Call call;
    call.method = request.method.toStdString();
    call.target = request.url.path(QUrl::FullyEncoded).toStdString();
    if (request.url.hasQuery()) call.target += "?" + request.url.query(QUrl::FullyEncoded).toStdString();
    call.body = request.body;
    for (const HttpHeader& header : request.headers) call.headers.emplace(header.name.toStdString(), header.value.toStdString());
    return exchange(service.port(), call);
}

TEST(FakeServiceTest, EverySourceReadsTheDefaultReplyOfItsRoute) {
    FakeService service;
    ASSERT_TRUE(service.isListening());
    EXPECT_EQ(service.defaultTranslation(), QStringLiteral("你好，世界"));
    const QString translation = QStringLiteral("今天天气很好。");
    service.setDefaultTranslation(translation);

    int checked = 0;
    for (const Provider provider : allProviders()) {
        const QUrl endpoint = fakeEndpoint(service, provider);
        const auto adapter = providerAdapter(provider, endpoint.toString());
        if (!adapter) continue;  // the system translator has no HTTP service
        SCOPED_TRACE(caseName(provider).toStdString());
        TranslationProviderConfiguration configuration;
        configuration.endpoint = endpoint;
        configuration.apiKey = QStringLiteral("key");
        configuration.model = QStringLiteral("model");
        const RequestResult request = adapter->makeRequest(QStringLiteral("今日はいい天気ですね。"), configuration);
        ASSERT_TRUE(request.has_value());

        service.clearRequests();
        const Exchange reply = send(service, *request);
        ASSERT_EQ(reply.error, httplib::Error::Success);
        EXPECT_EQ(reply.status, 200);
        ASSERT_EQ(service.requestCount(), 1);
        const RecordedRequest recorded = service.requests().first();
        EXPECT_EQ(FakeService::routeFor(recorded.method, recorded.path + "?" + recorded.query, recorded.body),
                  expectedRoute(provider, endpoint));
        EXPECT_EQ(adapter->parseResponse(reply.body()), std::optional<QString>(translation))
            << reply.body().toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, providerCount - 1);

    // The services that echo the source text echo the one they were sent.
    const auto baidu = post(service.port(), "/api/trans/vip/translate", "q=%E3%81%82+b%2Bc&from=ja");
    EXPECT_EQ(jsonObject(baidu.body()).value("trans_result").toArray().at(0).toObject().value("src").toString(),
              QStringLiteral("あ b+c"));
    const auto google = exchange(service.port(), call("GET", "/translate_a/single?client=gtx&q=%E3%81%82"));
    EXPECT_EQ(QJsonDocument::fromJson(google.body()).array().at(0).toArray().at(0).toArray().at(1).toString(),
              QStringLiteral("あ"));

    const auto version = exchange(service.port(), call("GET", "/api/version"));
    EXPECT_EQ(jsonObject(version.body()).value("version").toString(), QStringLiteral("0.5.7"));
    const auto nowhere = post(service.port(), "/no/such/service");
    EXPECT_EQ(nowhere.status, 404);
}

TEST(FakeServiceTest, StreamRequestsGetEventStreamsInTheirGrammar) {
    FakeService service;
    ASSERT_TRUE(service.isListening());
    const QList<std::tuple<std::string, Grammar>> routes{
        {"/v1/chat/completions", Grammar::chat}, {"/v1/responses", Grammar::responses}, {"/v1/messages", Grammar::anthropic}};
    for (const auto& [path, grammar] : routes) {
        SCOPED_TRACE(path);
        const Exchange reply = post(service.port(), path, R"({"model":"m","stream":true})");
        ASSERT_EQ(reply.error, httplib::Error::Success);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.header("Content-Type"), "text/event-stream");
        EXPECT_EQ(reply.header("Transfer-Encoding"), "chunked");
        const SseReading reading = readSse(reply.body(), grammar);
        EXPECT_EQ(reading.text, QStringLiteral("你好，世界"));
        EXPECT_TRUE(reading.finished);

        // The same request without "stream" gets one whole JSON body.
        const Exchange whole = post(service.port(), path, R"({"model":"m","stream":false})");
        EXPECT_EQ(whole.header("Content-Type"), "application/json");
        EXPECT_TRUE(QJsonDocument::fromJson(whole.body()).isObject());
    }
}

TEST(FakeServiceTest, StreamBuildersWriteEachGrammarAsTheRecordedStreamsDo) {
    // The reader is checked against real recorded streams first, so what it accepts below is
    // what the real services send.
    EXPECT_TRUE(readSse(test::apiFixture("openai_chat_completion_stream_recorded.sse"), Grammar::chat).finished);
    const SseReading claude = readSse(test::apiFixture("anthropic_messages_stream_basic.sse"), Grammar::anthropic);
    EXPECT_EQ(claude.text, QStringLiteral("Hello there!"));
    EXPECT_TRUE(claude.finished);

    const QStringList pieces{QStringLiteral("你好"), QStringLiteral("，\n"), QStringLiteral("世界")};
    using Builder = QList<QByteArray> (*)(const QStringList&, bool, bool);
    const QList<std::pair<Builder, Grammar>> builders{{&FakeService::chatCompletionsStream, Grammar::chat},
                                                      {&FakeService::responsesStream, Grammar::responses},
                                                      {&FakeService::anthropicStream, Grammar::anthropic}};
    for (const auto& [build, grammar] : builders) {
        for (const bool crlf : {false, true}) {
            for (const bool terminated : {true, false}) {
                SCOPED_TRACE(testing::Message() << int(grammar) << " crlf " << crlf << " terminated " << terminated);
                const QList<QByteArray> events = build(pieces, crlf, terminated);
                const QByteArray stream = events.join();
                const SseReading reading = readSse(stream, grammar);
                EXPECT_EQ(reading.text, pieces.join(QString()));
                EXPECT_EQ(reading.finished, terminated);
                EXPECT_EQ(reading.events, events.size()) << "one event per list entry";
                for (const QByteArray& event : events) EXPECT_TRUE(event.endsWith(crlf ? "\r\n\r\n" : "\n\n"));
                if (crlf) {
                    EXPECT_EQ(stream.count('\n'), stream.count("\r\n")) << "no bare line feeds";
                }
            }
        }
    }
}

TEST(FakeServiceTest, ScriptedRepliesComeFirstInOrderPerRouteThenTheDefault) {
    FakeService service;
    ASSERT_TRUE(service.isListening());
    ScriptedReply limited = reply(429, R"({"error":{"message":"slow down"}})");
    limited.headers = {{"Retry-After", "1"}};
    service.enqueue(Route::chatCompletions, limited);
    ScriptedReply malformed = reply(200, "{not json");
    malformed.contentType = "text/plain";
    service.enqueue(Route::chatCompletions, malformed);
    service.enqueue(Route::chatCompletions, reply(503));
    ScriptedReply slow = reply(200);
    slow.delayMs = 150;
    service.enqueue(Route::chatCompletions, slow);
    service.enqueue(Route::deepL, reply(456, R"({"message":"Quota exceeded"})"));

    const Exchange first = post(service.port(), "/v1/chat/completions");
    EXPECT_EQ(first.status, 429);
    EXPECT_EQ(first.body(), R"({"error":{"message":"slow down"}})");
    EXPECT_EQ(first.header("Retry-After"), "1");
    // Another route's queue is its own.
    const Exchange deepL = post(service.port(), "/v2/translate");
    EXPECT_EQ(deepL.status, 456);
    EXPECT_EQ(deepL.body(), R"({"message":"Quota exceeded"})");

    const Exchange second = post(service.port(), "/v1/chat/completions");
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body(), "{not json");
    EXPECT_EQ(second.header("Content-Type"), "text/plain");

    const Exchange third = post(service.port(), "/v1/chat/completions");
    EXPECT_EQ(third.status, 503);
    EXPECT_TRUE(third.body().isEmpty()) << "an error status without a body is not given a success body";

    QElapsedTimer clock;
    clock.start();
    const Exchange delayed = post(service.port(), "/v1/chat/completions");
    EXPECT_GE(clock.elapsed(), 140);
    EXPECT_EQ(delayed.status, 200);
    EXPECT_EQ(jsonObject(delayed.body()).value("choices").toArray().at(0).toObject().value("message").toObject().value("content"),
              QStringLiteral("你好，世界"));

    const Exchange afterQueue = post(service.port(), "/v1/chat/completions");
    EXPECT_EQ(afterQueue.status, 200);
    EXPECT_EQ(jsonObject(afterQueue.body()).value("object"), "chat.completion");
    EXPECT_EQ(post(service.port(), "/v2/translate").status, 200);
    EXPECT_EQ(service.requestCount(), 7);
}

TEST(FakeServiceTest, RecordsEveryRequestAndAppendsItAsOneJsonLine) {
    FakeService service;
    ASSERT_TRUE(service.isListening());
    const QString recordPath = QDir(test::currentHome()).filePath("requests.jsonl");
    service.setRecordFile(recordPath);

    Call json = call("POST", "/v1/chat/completions?trace=1",
                     R"({"model":"m","messages":[{"role":"user","content":"こんにちは"}]})");
    json.headers = {{"Authorization", "Bearer sk-test"}, {"Content-Type", "application/json"}};
    ASSERT_EQ(exchange(service.port(), json).error, httplib::Error::Success);
    const QByteArray binary("\xff\xfe\x00\x01 not text", 14);
    Call put = call("PUT", "/api", binary);
    put.headers = {{"Content-Type", "application/octet-stream"}};
    ASSERT_EQ(exchange(service.port(), put).error, httplib::Error::Success);

    const QList<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/v1/chat/completions");
    EXPECT_EQ(requests[0].query, "trace=1");
    EXPECT_EQ(requests[0].body, json.body);
    const auto header = [](const RecordedRequest& request, const QString& name) {
        for (const auto& [n, value] : request.headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0) return value;
        return QString();
    };
    EXPECT_EQ(header(requests[0], "authorization"), "Bearer sk-test");
    EXPECT_EQ(header(requests[0], "REMOTE_ADDR"), QString()) << "server bookkeeping is not a request header";
    EXPECT_EQ(requests[1].method, "PUT");
    EXPECT_EQ(requests[1].body, binary);

    QFile file(recordPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // two lines, each ended by a line feed
    EXPECT_TRUE(lines[2].isEmpty());
    const QJsonObject first = jsonObject(lines[0]);
    EXPECT_EQ(first.value("method"), "POST");
    EXPECT_EQ(first.value("path"), "/v1/chat/completions");
    EXPECT_EQ(first.value("query"), "trace=1");
    EXPECT_EQ(first.value("body").toString(), QString::fromUtf8(json.body));
    EXPECT_EQ(first.value("headers").toObject().value("Authorization"), "Bearer sk-test");
    EXPECT_FALSE(first.contains("bodyBase64"));
    const QJsonObject second = jsonObject(lines[1]);
    EXPECT_EQ(QByteArray::fromBase64(second.value("bodyBase64").toString().toLatin1()), binary);

    service.clearRequests();
    EXPECT_EQ(service.requestCount(), 0);
}

TEST(FakeServiceTest, AFixedPortIsUsedOrReportedBusy) {
    FakeService first;
    ASSERT_TRUE(first.isListening());
    FakeService second(first.port());
    EXPECT_FALSE(second.isListening());
    EXPECT_EQ(second.port(), 0);

    int freedPort = 0;
    {
        FakeService probe;
        freedPort = probe.port();
    }
    FakeService fixed(freedPort);
    ASSERT_TRUE(fixed.isListening());
    EXPECT_EQ(fixed.port(), freedPort);
    EXPECT_EQ(fixed.baseUrl(), QStringLiteral("http://127.0.0.1:%1").arg(freedPort));
    EXPECT_EQ(post(fixed.port(), "/v2/translate").status, 200);
}

TEST(FakeServiceTest, ScriptLinesBecomeQueuedRepliesAndBadLinesAreNamed) {
    const auto script = parseScript(
        R"({"route":"chatCompletions","status":503,"body":"busy","delayMs":10,"repeat":2}

{"route":"deepL","body":{"message":"x"},"headers":{"X-A":"1"},"contentType":"text/plain","hang":false,"closeMidBody":true}
{"route":"anthropicMessages","chunks":["a","b"],"chunkDelayMs":5})");
    ASSERT_TRUE(script.has_value()) << script.error().toStdString();
    ASSERT_EQ(script->size(), 3);
    EXPECT_EQ((*script)[0].route, Route::chatCompletions);
    EXPECT_EQ((*script)[0].reply.status, 503);
    EXPECT_EQ((*script)[0].reply.body, "busy");
    EXPECT_EQ((*script)[0].reply.delayMs, 10);
    EXPECT_EQ((*script)[0].repeat, 2);
    EXPECT_EQ((*script)[1].reply.body, R"({"message":"x"})");
    EXPECT_EQ((*script)[1].reply.headers, (QList<std::pair<QByteArray, QByteArray>>{{"X-A", "1"}}));
    EXPECT_EQ((*script)[1].reply.contentType, "text/plain");
    EXPECT_TRUE((*script)[1].reply.closeMidBody);
    EXPECT_EQ((*script)[2].reply.chunks, (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ((*script)[2].reply.chunkDelayMs, 5);

    for (const Route route : {Route::chatCompletions, Route::googleFree, Route::unknown})
        EXPECT_EQ(routeFromName(routeName(route)), route);

    const QList<std::pair<QByteArray, QString>> bad{
        {R"({"route":"chat"})", "route"},
        {R"({"route":"deepL","status":"503"})", "status"},
        {R"({"route":"deepL","status":42})", "status"},
        {R"({"route":"deepL","delayMs":-1})", "delayMs"},
        {R"({"route":"deepL","repeat":1.5})", "repeat"},
        {R"({"route":"deepL","stauts":503})", "stauts"},
        {R"({"route":"deepL","chunks":[1]})", "chunks"},
        {R"({"route":"deepL")", "JSON"},
        {R"([1])", "object"},
    };
    for (const auto& [line, mentions] : bad) {
        const auto parsed = parseScript("\n" + line + "\n");
        ASSERT_FALSE(parsed.has_value()) << line.toStdString();
        EXPECT_TRUE(parsed.error().startsWith("line 2:")) << parsed.error().toStdString();
        EXPECT_TRUE(parsed.error().contains(mentions)) << parsed.error().toStdString();
    }
}

TEST(FakeServiceTest, ProgramServesScriptedThenDefaultRepliesRecordsAndStopsOnSigterm) {
    const QString program = QStringLiteral(OVISU_FAKE_SERVICE_BINARY);
    ASSERT_TRUE(QFile::exists(program)) << "build the ovisu-fake-service target first";
    const QDir home(test::currentHome());
    const QString scriptPath = home.filePath("script.jsonl");
    const QString recordPath = home.filePath("record.jsonl");
    {
        QFile script(scriptPath);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(R"({"route":"chatCompletions","status":503,"body":"{\"error\":{\"message\":\"busy\"}}","repeat":2})" "\n");
    }

    QProcess process;
    process.start(program, {"--port", "0", "--record", recordPath, "--translation", "测试译文", "--script", scriptPath});
    ASSERT_TRUE(process.waitForStarted(5000));
    QByteArray output;
    while (!output.contains('\n') && process.waitForReadyRead(5000)) output += process.readAllStandardOutput();
    const QRegularExpressionMatch match =
        QRegularExpression(R"(^listening on http://127\.0\.0\.1:(\d+)\n)").match(QString::fromUtf8(output));
    ASSERT_TRUE(match.hasMatch()) << output.toStdString() << process.readAllStandardError().toStdString();
    const int port = match.captured(1).toInt();

    EXPECT_EQ(post(port, "/v1/chat/completions").status, 503);
    EXPECT_EQ(post(port, "/v1/chat/completions").status, 503);
    const Exchange served = post(port, "/v1/chat/completions", R"({"model":"m"})");
    EXPECT_EQ(served.status, 200);
    EXPECT_TRUE(served.body().contains("测试译文"));

    process.terminate();  // SIGTERM
    ASSERT_TRUE(process.waitForFinished(3000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    QFile record(recordPath);
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = record.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(jsonObject(lines[2]).value("body"), R"({"model":"m"})");

    // Mistakes end the program at once with a reason, rather than serving something else.
    {
        QFile script(scriptPath);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(R"({"route":"nowhere"})" "\n");
    }
    QProcess badScript;
    badScript.start(program, {"--script", scriptPath});
    ASSERT_TRUE(badScript.waitForFinished(5000));
    EXPECT_EQ(badScript.exitCode(), 2);
    EXPECT_TRUE(badScript.readAllStandardError().contains("line 1"));

    QProcess help;
    help.start(program, {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--record"));
}

}  // namespace
}  // namespace ovisu::fake
