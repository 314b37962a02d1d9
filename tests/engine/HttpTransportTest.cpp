#include "support/fake/FloodingServer.h"
#include "engine/HttpTransport.h"
#include "support/EventLoopWait.h"
#include "support/Fixtures.h"
#include "support/fake/FakeService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace ovisu;
using namespace ovisu::fake;
using ovisu::test::apiFixture;
using ovisu::test::spin;
using ovisu::test::waitUntil;

namespace {

HttpRequest postTo(const FakeService& service, const QString& path, const QByteArray& body) {
    HttpRequest request;
    request.url = QUrl(service.baseUrl() + path);
    request.setHeader("Content-Type", "application/json");
    request.body = body;
    return request;
}

std::optional<QString> headerOf(const RecordedRequest& request, const QString& name) {
    for (const auto& [n, v] : request.headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return v;
    return std::nullopt;
}

// Sends a whole-body request and waits for its one completion.
struct WholeCall {
    std::optional<HttpResponse> response;
    int completions = 0;
    std::shared_ptr<HttpCall> call;
    bool insideSend = true;  // a member: the completion runs after the constructor has returned

    WholeCall(HttpTransport& transport, const HttpRequest& request) {
        call = transport.send(request, [this](HttpResponse r) {
            EXPECT_FALSE(insideSend) << "completion ran inside send()";
            ++completions;
            response = std::move(r);
        });
        insideSend = false;
    }
    bool wait(int ms = 5000) { return waitUntil([this] { return completions > 0; }, ms); }
    // The transport error the call ended with, as "<code> <description>", or "none".
    std::string failure(int ms = 5000) {
        if (!wait(ms)) return "no completion";
        if (!response->error) return "none";
        return std::to_string(response->error->code) + " " + response->error->description.toStdString();
    }
};

std::string failureOf(int code, const char* description) { return std::to_string(code) + " " + description; }

// Every callback of a streamed request, in arrival order.
struct StreamLog {
    QStringList order;  // "head", "data", "complete"
    std::optional<int> status;
    QList<QByteArray> chunks;
    std::optional<TransportError> error;
    int completions = 0;

    StreamHandlers handlers() {
        return {[this](std::optional<int> s) { order << "head"; status = s; },
                [this](const QByteArray& chunk) { order << "data"; chunks << chunk; },
                [this](std::optional<TransportError> e) { order << "complete"; error = e; ++completions; }};
    }
};

int unusedPort() {
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const int port = server.serverPort();
    server.close();
    return port;
}

}  // namespace

TEST(HttpTransport, SendsTheRequestExactlyAndReturnsTheWholeBody) {
    FakeService service;
    ASSERT_TRUE(service.isListening());
    HttpTransport transport;

    HttpRequest request = postTo(service, "/v1/chat/completions", R"({"model":"m","messages":[],"stream":false})");
    request.setHeader("Authorization", "Bearer sk-test-123");
    request.setHeader("X-Custom-Header", "  value with  spaces");
    WholeCall whole(transport, request);
    ASSERT_TRUE(whole.wait());
    ASSERT_TRUE(whole.response);
    EXPECT_EQ(whole.response->statusCode, 200);
    EXPECT_FALSE(whole.response->error);
    const QJsonObject reply = QJsonDocument::fromJson(whole.response->body).object();
    EXPECT_EQ(reply["choices"][0]["message"]["content"].toString(), service.defaultTranslation());
    EXPECT_TRUE(whole.call->isFinished());

    ASSERT_EQ(service.requestCount(), 1);
    const RecordedRequest received = service.requests().first();
    EXPECT_EQ(received.method, "POST");
    EXPECT_EQ(received.path, "/v1/chat/completions");
    EXPECT_EQ(received.body, request.body);
    EXPECT_EQ(headerOf(received, "Content-Type"), "application/json");
    EXPECT_EQ(headerOf(received, "Authorization"), "Bearer sk-test-123");
    EXPECT_EQ(headerOf(received, "X-Custom-Header").value_or("").trimmed(), "value with  spaces");

    // Other methods go out as named, with their body; a query stays as built.
    HttpRequest put = postTo(service, "/things/7?a=1&b=%E4%BD%A0", "payload");
    put.method = "PUT";
    WholeCall putCall(transport, put);
    ASSERT_TRUE(putCall.wait());
    HttpRequest get;
    get.method = "GET";
    get.url = QUrl(service.baseUrl() + "/api/version");
    WholeCall getCall(transport, get);
    ASSERT_TRUE(getCall.wait());
    EXPECT_EQ(getCall.response->statusCode, 200);
    ASSERT_EQ(service.requestCount(), 3);
    EXPECT_EQ(service.requests()[1].method, "PUT");
    EXPECT_EQ(service.requests()[1].query, "a=1&b=%E4%BD%A0");
    EXPECT_EQ(service.requests()[1].body, "payload");
    EXPECT_EQ(service.requests()[2].method, "GET");
    EXPECT_TRUE(service.requests()[2].body.isEmpty());
}

TEST(HttpTransport, NothingIsAddedFromEarlierReplies) {
    FakeService service;
    HttpTransport transport;
    ScriptedReply withCookie;
    withCookie.headers = {{"Set-Cookie", "session=abc; Path=/"}};
    service.enqueue(Route::chatCompletions, withCookie);
    WholeCall first(transport, postTo(service, "/v1/chat/completions", "{}"));
    ASSERT_TRUE(first.wait());
    WholeCall second(transport, postTo(service, "/v1/chat/completions", "{}"));
    ASSERT_TRUE(second.wait());
    ASSERT_EQ(service.requestCount(), 2);
    EXPECT_FALSE(headerOf(service.requests()[1], "Cookie").has_value());
}

TEST(HttpTransport, ErrorStatusesAreAnswersNotTransportFailures) {
    FakeService service;
    HttpTransport transport;
    const QByteArray unauthorized = apiFixture("openai_error_invalid_api_key_401.json");
    for (const auto& [status, body] : QList<std::pair<int, QByteArray>>{{503, "{\"error\":\"busy\"}"},
                                                                        {401, unauthorized},
                                                                        {404, "no such model"},
                                                                        {429, "slow down"},
                                                                        {400, ""}}) {
        ScriptedReply reply;
        reply.status = status;
        reply.body = body;
        service.enqueue(Route::chatCompletions, reply);
        WholeCall call(transport, postTo(service, "/v1/chat/completions", "{}"));
        ASSERT_TRUE(call.wait()) << status;
        EXPECT_EQ(call.response->statusCode, status);
        EXPECT_EQ(call.response->body, body) << status;
        EXPECT_FALSE(call.response->error) << status << " " << call.response->error->description.toStdString();
    }
}

TEST(HttpTransport, TransportFailuresCarryTheirCodeAndWords) {
    FakeService service;
    HttpTransport transport;

    // The server takes the request and never answers: the request's own time-out ends it, long
    // before the usual 45 s would.
    ScriptedReply hang;
    hang.hang = true;
    service.enqueue(Route::chatCompletions, hang);
    HttpRequest slow = postTo(service, "/v1/chat/completions", "{}");
    slow.timeoutSeconds = 1;
    WholeCall timedOut(transport, slow);
    EXPECT_EQ(timedOut.failure(20000), failureOf(TransportError::timedOut, "The request timed out. (-1001)"));
    EXPECT_EQ(service.requestCount(), 1);

    // Nobody listens on the port.
    HttpRequest refused;
    refused.url = QUrl(QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(unusedPort()));
    WholeCall refusedCall(transport, refused);
    ASSERT_EQ(refusedCall.failure(), failureOf(TransportError::cannotConnectToHost, "Could not connect to the server. (-1004)"));
    EXPECT_EQ(refusedCall.response->statusCode, std::nullopt);

    // A name that cannot exist (a resolver without any network may call that offline).
    HttpRequest nowhere;
    nowhere.url = QUrl("http://nonexistent.invalid/v1/chat/completions");
    WholeCall nowhereCall(transport, nowhere);
    ASSERT_TRUE(nowhereCall.wait(10000));
    ASSERT_TRUE(nowhereCall.response->error);
    const int code = nowhereCall.response->error->code;
    EXPECT_TRUE(code == TransportError::cannotFindHost || code == TransportError::notConnectedToInternet) << code;
    if (code == TransportError::cannotFindHost) {
        EXPECT_EQ(nowhereCall.response->error->description,
                  "A server with the specified hostname could not be found. (-1003)");
    }

    // The connection drops half-way through the announced body.
    ScriptedReply cut;
    cut.closeMidBody = true;
    service.enqueue(Route::chatCompletions, cut);
    WholeCall cutCall(transport, postTo(service, "/v1/chat/completions", "{}"));
    EXPECT_EQ(cutCall.failure(), failureOf(TransportError::networkConnectionLost, "The network connection was lost. (-1005)"));

    // TLS spoken to a server that does not: the secure connection fails, nothing is waved through.
    HttpRequest secure;
    secure.url = QUrl(QStringLiteral("https://127.0.0.1:%1/v1/chat/completions").arg(service.port()));
    WholeCall secureCall(transport, secure);
    EXPECT_TRUE(secureCall.failure().starts_with(std::to_string(TransportError::secureConnectionFailed) + " "))
        << secureCall.failure();
}

TEST(HttpTransport, HeaderWithALineBreakIsRefusedWithoutSending) {
    FakeService service;
    HttpTransport transport;
    for (const QByteArray& value : {QByteArray("Bearer sk-1\r\nX-Injected: 1"), QByteArray("Bearer sk-1\n"),
                                    QByteArray("sk\r1"), QByteArray("sk\0" "1", 4)}) {
        HttpRequest request = postTo(service, "/v1/chat/completions", "{}");
        request.setHeader("Authorization", value);
        WholeCall call(transport, request);
        EXPECT_EQ(call.completions, 0);
        ASSERT_TRUE(call.wait());
        ASSERT_TRUE(call.response->error);
        EXPECT_EQ(call.response->error->code, TransportError::unknown);
        const QString description = call.response->error->description;
        EXPECT_TRUE(description.startsWith("Invalid header value")) << description.toStdString();
        EXPECT_TRUE(description.endsWith("(-1)")) << description.toStdString();
        EXPECT_FALSE(description.contains("sk-1")) << "the secret must not be echoed";
    }
    // The same refusal in streaming mode.
    HttpRequest streamed = postTo(service, "/v1/chat/completions", "{}");
    streamed.setHeader("X-Bad\r\nName", "1");
    StreamLog log;
    transport.stream(streamed, log.handlers());
    EXPECT_TRUE(log.order.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return log.completions > 0; }, 2000));
    EXPECT_EQ(log.order, QStringList{"complete"});
    ASSERT_TRUE(log.error);
    EXPECT_EQ(log.error->code, TransportError::unknown);

    spin(100);
    EXPECT_EQ(service.requestCount(), 0);
}

TEST(HttpTransport, CancelSilencesTheCall) {
    FakeService service;
    HttpTransport transport;
    ScriptedReply late;
    late.delayMs = 100;
    service.enqueue(Route::chatCompletions, late);
    int completions = 0;
    auto call = transport.send(postTo(service, "/v1/chat/completions", "{}"), [&](HttpResponse) { ++completions; });
    spin(20);
    call->cancel();
    EXPECT_TRUE(call->isFinished());
    spin(300);
    EXPECT_EQ(completions, 0);

    // Cancelled from inside its own data callback: nothing follows, not even the completion.
    ScriptedReply paced;
    paced.chunks = {"one\n\n", "two\n\n", "three\n\n"};
    paced.chunkDelayMs = 40;
    service.enqueue(Route::chatCompletions, paced);
    StreamLog log;
    std::shared_ptr<HttpCall> streamed;
    StreamHandlers handlers = log.handlers();
    handlers.onData = [&](const QByteArray& chunk) {
        log.order << "data";
        log.chunks << chunk;
        streamed->cancel();
    };
    streamed = transport.stream(postTo(service, "/v1/chat/completions", "{}"), handlers);
    ASSERT_TRUE(waitUntil([&] { return !log.chunks.isEmpty(); }, 3000));
    spin(200);
    EXPECT_EQ(log.order, (QStringList{"head", "data"}));
    EXPECT_EQ(log.completions, 0);

    // A handle let go of is not a cancellation: the completion still comes.
    int orphanCompletions = 0;
    transport.send(postTo(service, "/v1/chat/completions", "{}"), [&](HttpResponse) { ++orphanCompletions; });
    EXPECT_TRUE(waitUntil([&] { return orphanCompletions == 1; }, 3000));

    // Calls still in flight when their transport goes away end silently.
    ScriptedReply slow;
    slow.delayMs = 100;
    service.enqueue(Route::chatCompletions, slow);
    int lateCompletions = 0;
    std::shared_ptr<HttpCall> outlived;
    {
        HttpTransport shortLived;
        outlived = shortLived.send(postTo(service, "/v1/chat/completions", "{}"), [&](HttpResponse) { ++lateCompletions; });
        spin(20);
    }
    spin(200);
    EXPECT_EQ(lateCompletions, 0);
    outlived->cancel();
    EXPECT_TRUE(outlived->isFinished());
}

TEST(HttpTransport, StreamingHandsOnEachChunkAsItArrives) {
    FakeService service;
    HttpTransport transport;
    ScriptedReply paced;
    paced.chunks = {"data: 1\n\n", "data: 2\n\n", "data: 3\n\n", "data: 4\n\n"};
    paced.chunkDelayMs = 100;
    service.enqueue(Route::chatCompletions, paced);

    StreamLog log;
    bool insideStream = true;
    StreamHandlers handlers = log.handlers();
    const auto onHead = handlers.onHead;
    handlers.onHead = [&](std::optional<int> status) {
        EXPECT_FALSE(insideStream);
        onHead(status);
    };
    auto call = transport.stream(postTo(service, "/v1/chat/completions", "{}"), handlers);
    insideStream = false;
    ASSERT_TRUE(waitUntil([&] { return log.completions > 0; }, 5000));
    spin(50);
    EXPECT_EQ(log.order, (QStringList{"head", "data", "data", "data", "data", "complete"}));
    EXPECT_EQ(log.chunks, paced.chunks);
    EXPECT_EQ(log.status, 200);
    EXPECT_FALSE(log.error);
    EXPECT_EQ(log.completions, 1);
    EXPECT_TRUE(call->isFinished());

    // An error status arrives as a head with its body, and no transport error.
    ScriptedReply refused;
    refused.status = 401;
    refused.body = apiFixture("openai_error_invalid_api_key_401.json");
    service.enqueue(Route::chatCompletions, refused);
    StreamLog errorLog;
    transport.stream(postTo(service, "/v1/chat/completions", "{}"), errorLog.handlers());
    ASSERT_TRUE(waitUntil([&] { return errorLog.completions > 0; }, 5000));
    EXPECT_EQ(errorLog.order.first(), "head");
    EXPECT_EQ(errorLog.status, 401);
    EXPECT_EQ(errorLog.chunks.join(), refused.body);
    EXPECT_FALSE(errorLog.error);

    // No server: no head, only the completion with the error.
    HttpRequest nowhere;
    nowhere.url = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(unusedPort()));
    StreamLog refusedLog;
    transport.stream(nowhere, refusedLog.handlers());
    ASSERT_TRUE(waitUntil([&] { return refusedLog.completions > 0; }, 5000));
    EXPECT_EQ(refusedLog.order, QStringList{"complete"});
    ASSERT_TRUE(refusedLog.error);
    EXPECT_EQ(refusedLog.error->code, TransportError::cannotConnectToHost);
}

TEST(HttpTransport, AReplyLargerThanTheCapIsStoppedWithAClearError) {
    FakeService service;
    HttpTransport transport;
    const QString tooLarge = QStringLiteral("服务返回的数据过大（超过 8 MiB），已中止 (-1103)");

    // Up to the cap a body is an answer like any other; one byte more and nothing of it is kept.
    ScriptedReply atTheCap;
    atTheCap.body = QByteArray(kMaximumReplyBytes, 'a');
    service.enqueue(Route::chatCompletions, atTheCap);
    WholeCall fits(transport, postTo(service, "/v1/chat/completions", "{}"));
    ASSERT_TRUE(fits.wait(20000));
    EXPECT_FALSE(fits.response->error);
    EXPECT_EQ(fits.response->body.size(), kMaximumReplyBytes);

    ScriptedReply overTheCap;
    overTheCap.body = QByteArray(kMaximumReplyBytes + 1, 'a');
    service.enqueue(Route::chatCompletions, overTheCap);
    WholeCall tooBig(transport, postTo(service, "/v1/chat/completions", "{}"));
    ASSERT_EQ(tooBig.failure(20000), std::to_string(TransportError::dataLengthExceedsMaximum) + " " + tooLarge.toStdString());
    EXPECT_EQ(tooBig.response->statusCode, std::nullopt);
    EXPECT_TRUE(tooBig.response->body.isEmpty());
    EXPECT_EQ(tooBig.completions, 1);

    // A reply that would never end, whole or streamed: the transport stops reading and hangs up.
    const qsizetype flood = 8 * kMaximumReplyBytes;
    test::FloodingServer endless("application/json", flood);
    ASSERT_TRUE(endless.isListening());
    HttpRequest toEndless;
    toEndless.url = endless.url("/v1/chat/completions");
    WholeCall flooded(transport, toEndless);
    ASSERT_TRUE(flooded.wait(20000));
    ASSERT_TRUE(flooded.response->error);
    EXPECT_EQ(flooded.response->error->description, tooLarge);
    EXPECT_TRUE(waitUntil([&] { return endless.clientsGone() == 1; }));
    EXPECT_LT(endless.bytesSent(), flood);

    test::FloodingServer noLineBreaks("text/event-stream", flood);
    HttpRequest toStream = toEndless;
    toStream.url = noLineBreaks.url("/v1/chat/completions");
    StreamLog log;
    transport.stream(toStream, log.handlers());
    ASSERT_TRUE(waitUntil([&] { return log.completions > 0; }, 20000));
    ASSERT_TRUE(log.error);
    EXPECT_EQ(log.error->description, tooLarge);
    qsizetype handedOn = 0;
    for (const QByteArray& chunk : log.chunks) handedOn += chunk.size();
    EXPECT_LE(handedOn, kMaximumReplyBytes);
    EXPECT_TRUE(waitUntil([&] { return noLineBreaks.clientsGone() == 1; }));
    spin(50);
    EXPECT_EQ(log.completions, 1);
}

TEST(HttpTransport, RedirectsAreFollowedOnlyWhileTheyStayWithTheSameServer) {
    FakeService service;
    FakeService elsewhere;  // another port is another server
    HttpTransport transport;
    const QByteArray key = "sk-live-0123456789abcdefXYZ";
    const auto redirectTo = [](int status, const QString& location) {
        ScriptedReply reply;
        reply.status = status;
        reply.headers = {{"Location", location.toUtf8()}};
        return reply;
    };

    // Within the same server, relative or absolute, the request goes on with its headers.
    service.enqueue(Route::ollamaVersion, redirectTo(302, "/api/version?hop=1"));
    service.enqueue(Route::ollamaVersion, redirectTo(301, service.baseUrl() + "/api/version?hop=2"));
    HttpRequest get;
    get.method = "GET";
    get.url = QUrl(service.baseUrl() + "/api/version");
    get.setHeader("Authorization", "Bearer " + key);
    WholeCall followed(transport, get);
    ASSERT_TRUE(followed.wait());
    EXPECT_FALSE(followed.response->error);
    EXPECT_EQ(followed.response->statusCode, 200);
    ASSERT_EQ(service.requestCount(), 3);
    EXPECT_EQ(service.requests()[2].query, "hop=2");
    EXPECT_EQ(headerOf(service.requests()[2], "Authorization"), "Bearer " + key);

    // To another server the key would go along (headers, the re-sent body): the call ends there,
    // naming where it was sent, and the other server never hears of it.
    const QString otherServer = QStringLiteral("127.0.0.1:%1").arg(elsewhere.port());
    const auto keyBearing = [&] {
        HttpRequest request = postTo(service, "/v1/chat/completions?api-key=" + key, R"({"key":")" + key + R"("})");
        request.setHeader("Authorization", "Bearer " + key);
        request.setHeader("x-api-key", key);
        return request;
    };
    for (const int status : {302, 307, 308}) {
        SCOPED_TRACE(status);
        service.enqueue(Route::chatCompletions, redirectTo(status, elsewhere.baseUrl() + "/v1/chat/completions"));
        WholeCall refused(transport, keyBearing());
        ASSERT_TRUE(refused.wait());
        ASSERT_TRUE(refused.response->error);
        const QString description = refused.response->error->description;
        EXPECT_TRUE(description.contains(otherServer)) << description.toStdString() ;
        EXPECT_FALSE(description.contains(QString::fromUtf8(key)));
        EXPECT_EQ(refused.response->statusCode, std::nullopt);
    }

    service.enqueue(Route::chatCompletions, redirectTo(307, elsewhere.baseUrl() + "/v1/chat/completions"));
    StreamLog log;
    transport.stream(keyBearing(), log.handlers());
    ASSERT_TRUE(waitUntil([&] { return log.completions > 0; }));
    EXPECT_EQ(log.order, QStringList{"complete"});
    ASSERT_TRUE(log.error);
    EXPECT_TRUE(log.error->description.contains(otherServer)) << log.error->description.toStdString();

    // A server that merely looks alike (same port, another name) is another server too.
    service.enqueue(Route::chatCompletions,
                    redirectTo(302, QStringLiteral("http://localhost:%1/v1/chat/completions").arg(service.port())));
    const qsizetype before = service.requestCount();
    WholeCall renamed(transport, keyBearing());
    ASSERT_TRUE(renamed.wait());
    ASSERT_TRUE(renamed.response->error);
    EXPECT_TRUE(renamed.response->error->description.contains(QStringLiteral("localhost:%1").arg(service.port())));
    EXPECT_EQ(service.requestCount(), before + 1);

    EXPECT_EQ(elsewhere.requestCount(), 0);
}
