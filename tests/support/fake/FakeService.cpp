#include "support/fake/FakeService.h"

#include "support/fake/FakeServiceFormats.h"
#include "support/fake/Httplib.h"
#include "support/fake/ServerThread.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrl>
#include <QtDebug>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include <sys/socket.h>

namespace ovisu::fake {
namespace {

const QString initialTranslation = QStringLiteral("你好，世界");
constexpr const char* loopback = "127.0.0.1";

// The address fields httplib adds to the request headers; they never came over the wire.
bool isPseudoHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

RecordedRequest recordOf(const httplib::Request& request) {
    RecordedRequest record;
    record.method = QString::fromStdString(request.method);
    const QString target = QString::fromStdString(request.target.empty() ? request.path : request.target);
    const qsizetype queryStart = target.indexOf(QLatin1Char('?'));
    record.path = queryStart < 0 ? target : target.left(queryStart);
    record.query = queryStart < 0 ? QString() : target.mid(queryStart + 1);
    for (const auto& [name, value] : request.headers)
        if (!isPseudoHeader(name)) record.headers.append({QString::fromStdString(name), QString::fromStdString(value)});
    record.body = QByteArray::fromStdString(request.body);
    record.receivedAt = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    return record;
}

// Everything about one answer, decided before anything is sent.
struct Plan {
    int status = 200;
    std::string contentType;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QList<QByteArray> chunks;
    bool chunked = false;
    int delayMs = 0;
    int chunkDelayMs = 0;
    bool hang = false;
    bool closeMidBody = false;
};

Plan defaultPlan(Route route, const RecordedRequest& request, const QString& translation) {
    Plan plan;
    plan.contentType = "application/json";
    if (route == Route::unknown) plan.status = 404;
    if (formats::wantsStream(route, request.body)) {
        plan.chunks = formats::replyStream(route, translation);
        plan.chunked = true;
        plan.contentType = "text/event-stream";
        return plan;
    }
    plan.body = formats::replyBody(route, translation, formats::sourceText(route, request.query, request.body));
    return plan;
}

Plan scriptedPlan(const ScriptedReply& reply, Plan fallback) {
    Plan plan;
    plan.status = reply.status;
    plan.headers = reply.headers;
    plan.delayMs = reply.delayMs;
    plan.chunkDelayMs = reply.chunkDelayMs;
    plan.hang = reply.hang;
    plan.closeMidBody = reply.closeMidBody;
    const bool contentTypeLeftAlone = reply.contentType == ScriptedReply{}.contentType;
    plan.contentType = reply.contentType.toStdString();
    if (!reply.chunks.isEmpty()) {
        plan.chunks = reply.chunks;
        plan.chunked = true;
        if (contentTypeLeftAlone) plan.contentType = "text/event-stream";
    } else if (!reply.body.isEmpty()) {
        plan.body = reply.body;
    } else if (reply.status >= 200 && reply.status < 300) {
        // A success without a body of its own (a delay, a cut) carries the route's usual answer.
        plan.body = fallback.body;
        plan.chunks = fallback.chunks;
        plan.chunked = fallback.chunked;
        if (contentTypeLeftAlone) plan.contentType = fallback.contentType;
    }
    // An error status without a body goes out empty, as from a proxy in front of a service.
    return plan;
}

// The key as a header (Bearer, x-api-key, DeepL-Auth-Key, ...), a query item or a body field sends it.
bool carriesKey(const RecordedRequest& record, const QString& key) {
    for (const auto& header : record.headers)
        if (header.second.contains(key)) return true;
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(key));
    if (record.query.contains(key) || record.query.contains(encoded)) return true;
    const QByteArray utf8 = key.toUtf8();
    return record.body.contains(utf8) || record.body.contains(encoded.toLatin1());
}

}  // namespace

QJsonObject RecordedRequest::toJson() const {
    QJsonObject headerObject;
    for (const auto& [name, value] : headers) {
        const QString existing = headerObject.value(name).toString();
        headerObject.insert(name, existing.isEmpty() ? value : existing + QStringLiteral(", ") + value);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(body);
    QJsonObject object{{"method", method}, {"path", path}, {"query", query}, {"headers", headerObject}, {"body", text}};
    // Bytes that are not UTF-8 (an image, a wrong encoding) are kept exactly beside the lossy text.
    if (decoder.hasError()) object.insert("bodyBase64", QString::fromLatin1(body.toBase64()));
    return object;
}

struct FakeService::Impl {
    httplib::Server server;
    std::thread listener;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopped;  // wakes delays, hangs and paced chunks when the service stops
    bool stopping = false;
    std::map<Route, std::deque<ScriptedReply>> queues;
    QString translation = initialTranslation;
    QString requiredKey;
    QList<RecordedRequest> recorded;
    QString recordPath;

    // Waits up to `ms`; false when the service began stopping meanwhile.
    bool pause(int ms) {
        std::unique_lock lock(mutex);
        return !stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
    }
    void waitForStop() {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }

    void appendToRecordFile(const RecordedRequest& record) {
        if (recordPath.isEmpty()) return;
        QFile file(recordPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            qWarning("fake service: cannot append to %s: %s", qPrintable(recordPath), qPrintable(file.errorString()));
            return;
        }
        file.write(QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact) + '\n');
        file.flush();
    }

    void handle(const httplib::Request& request, httplib::Response& response) {
        const RecordedRequest record = recordOf(request);
        const Route route = FakeService::routeFor(record.method, record.path + QLatin1Char('?') + record.query, record.body);
        std::optional<ScriptedReply> scripted;
        QString currentTranslation;
        bool keyRefused = false;
        {
            std::lock_guard lock(mutex);
            recorded.append(record);
            appendToRecordFile(record);
            keyRefused = !requiredKey.isEmpty() && !carriesKey(record, requiredKey);
            auto& queue = queues[route];
            if (!keyRefused && !queue.empty()) {
                scripted = std::move(queue.front());
                queue.pop_front();
            }
            currentTranslation = translation;
        }

        // httplib would gzip a JSON reply for a client that accepts it (Qt's does), which would
        // hide the exact bytes and pacing a test scripted. The request object is the server's own
        // and not const; only this handler's view of it is.
        auto& mutableRequest = const_cast<httplib::Request&>(request);
        mutableRequest.headers.erase("Accept-Encoding");

        if (keyRefused) {
            response.status = 401;
            response.set_content(R"({"error":{"message":"Incorrect API key provided.","type":"invalid_request_error",)"
                                 R"("code":"invalid_api_key"}})",
                                 "application/json");
            return;
        }

        const Plan fallback = defaultPlan(route, record, currentTranslation);
        const Plan plan = scripted ? scriptedPlan(*scripted, fallback) : fallback;

        if (plan.hang) {
            waitForStop();
            response.status = 503;
            return;
        }
        if (plan.delayMs > 0 && !pause(plan.delayMs)) {
            response.status = 503;
            return;
        }
        response.status = plan.status;
        for (const auto& [name, value] : plan.headers) response.set_header(name.toStdString(), value.toStdString());

        if (plan.closeMidBody) {
            QByteArray whole = plan.chunked ? plan.chunks.join() : plan.body;
            if (whole.isEmpty()) whole = formats::replyBody(route, currentTranslation, {});
            const auto bytes = std::make_shared<std::string>(whole.toStdString());
            response.set_content_provider(bytes->size(), plan.contentType,
                                          [bytes](size_t offset, size_t, httplib::DataSink& sink) {
                                              const size_t half = bytes->size() / 2;
                                              if (offset < half) sink.write(bytes->data() + offset, half - offset);
                                              // Refusing the rest makes httplib close the socket short of
                                              // the length it announced.
                                              return false;
                                          });
            return;
        }
        if (plan.chunked) {
            QList<QByteArray> chunks;
            // An empty write would be read as the chunked body's terminator.
            for (const QByteArray& chunk : plan.chunks)
                if (!chunk.isEmpty()) chunks.append(chunk);
            const auto next = std::make_shared<qsizetype>(0);
            response.set_chunked_content_provider(
                plan.contentType, [this, chunks, next, delay = plan.chunkDelayMs](size_t, httplib::DataSink& sink) {
                    if (*next >= chunks.size()) {
                        sink.done();
                        return true;
                    }
                    if (*next > 0 && delay > 0 && !pause(delay)) return false;
                    const QByteArray& chunk = chunks.at((*next)++);
                    if (!sink.write(chunk.constData(), static_cast<size_t>(chunk.size()))) return false;
                    if (*next >= chunks.size()) sink.done();
                    return true;
                });
            return;
        }
        response.set_content(plan.body.toStdString(), plan.contentType);
    }
};

FakeService::FakeService() : FakeService(0) {}

FakeService::FakeService(int port) : m_impl(std::make_unique<Impl>()) {
    ignoreBrokenPipes();
    Impl& impl = *m_impl;
    // One request per connection: an idle kept-alive connection would hold a worker thread, and
    // with it the destructor, for the whole keep-alive time.
    impl.server.set_keep_alive_max_count(1);
    impl.server.set_keep_alive_timeout(1);
    // Every chunk goes out as soon as it is written, so packets split where a test says.
    impl.server.set_tcp_nodelay(true);
    // httplib's default also sets SO_REUSEPORT, which lets a second instance share a fixed port
    // and the kernel spread requests between the two. Only reuse a port left in TIME_WAIT.
    impl.server.set_socket_options([](socket_t socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    });

    const auto handler = [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.handle(request, response);
    };
    const std::string anyPath = ".*";
    impl.server.Get(anyPath, handler);
    impl.server.Post(anyPath, handler);
    impl.server.Put(anyPath, handler);
    impl.server.Patch(anyPath, handler);
    impl.server.Delete(anyPath, handler);
    impl.server.Options(anyPath, handler);

    if (port == 0) {
        impl.port = impl.server.bind_to_any_port(loopback);
    } else {
        impl.port = impl.server.bind_to_port(loopback, port) ? port : -1;
    }
    if (impl.port <= 0) {
        impl.port = 0;
        return;
    }
    impl.listener = serveInBackground(impl.server);
}

FakeService::~FakeService() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->stopped.notify_all();
    stopServing(m_impl->server, m_impl->listener);
}

bool FakeService::isListening() const { return m_impl->port > 0 && m_impl->server.is_running(); }

int FakeService::port() const { return m_impl->port; }

QString FakeService::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_impl->port); }

void FakeService::enqueue(Route route, ScriptedReply reply) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->queues[route].push_back(std::move(reply));
}

void FakeService::setDefaultTranslation(const QString& text) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->translation = text;
}

void FakeService::requireKey(const QString& key) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->requiredKey = key;
}

QString FakeService::defaultTranslation() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->translation;
}

QList<RecordedRequest> FakeService::requests() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->recorded;
}

int FakeService::requestCount() const {
    std::lock_guard lock(m_impl->mutex);
    return static_cast<int>(m_impl->recorded.size());
}

void FakeService::clearRequests() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->recorded.clear();
}

void FakeService::setRecordFile(const QString& path) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->recordPath = path;
}

QString FakeService::chatTextToTranslate(const QByteArray& body) {
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QString user = object.value("messages").toArray().last().toObject().value("content").toString();
    return user.section(QLatin1Char('\n'), -1);
}

}  // namespace ovisu::fake
