#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

namespace ovisu::fake {

// One scripted answer. Anything left at its default falls back to what the service route
// normally sends (see FakeService::defaultReply).
struct ScriptedReply {
    int status = 200;
    QByteArray body;                                // sent whole unless `chunks` is set
    QByteArray contentType = "application/json";
    QList<std::pair<QByteArray, QByteArray>> headers;
    int delayMs = 0;                                // before the head is sent
    bool hang = false;                              // never answer (until the service stops)
    bool closeMidBody = false;                      // send the head and half the body, then drop the connection
    QList<QByteArray> chunks;                       // streamed in this order, one write each
    int chunkDelayMs = 0;                           // pause between chunks, so they arrive as separate packets
};

// What the service received, for assertions and for the JSON-lines record file.
struct RecordedRequest {
    QString method;
    QString path;    // without the query
    QString query;   // raw, as received
    QList<std::pair<QString, QString>> headers;
    QByteArray body;
    double receivedAt = 0;  // seconds since the epoch, to time a request against what caused it
    QJsonObject toJson() const;
};

// The route a request reached, by path: one per service format.
enum class Route {
    chatCompletions,   // POST .../chat/completions        (OpenAI-compatible, whole or SSE by "stream")
    responses,         // POST .../responses               (OpenAI Responses, whole or SSE by "stream")
    anthropicMessages, // POST .../messages                (Anthropic, whole or SSE by "stream")
    ollamaChat,        // POST /api/chat
    ollamaVersion,     // GET  /api/version
    deepL,             // POST .../v2/translate
    microsoft,         // POST /translate?api-version=3.0...
    youdao,            // POST /api
    baidu,             // POST .../api/trans/vip/translate
    papago,            // POST .../nmt/v1/translation
    libreTranslate,    // POST /translate (JSON body with "q")
    googleFree,        // GET  /translate_a/single
    unknown,
};

// Fake translation services on 127.0.0.1, on a free port, served from a background thread.
// Every service format answers on its own path, so one instance stands in for any source: point
// the source's endpoint at baseUrl() + the service's path. Replies are scripted per route as a
// queue; an empty queue gives the route's default reply (a successful translation of
// defaultTranslation() in that service's format; streamed when the request asks for a stream).
class FakeService {
public:
    FakeService();                     // starts listening at once
    explicit FakeService(int port);    // a fixed port (0: any free one)
    ~FakeService();                    // stops; hanging replies are released
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    bool isListening() const;
    int port() const;
    QString baseUrl() const;           // "http://127.0.0.1:<port>"

    void enqueue(Route route, ScriptedReply reply);
    void setDefaultTranslation(const QString& text);  // "你好，世界" at first
    // From now on a request that does not carry this key (in a header, the query or the body)
    // is answered 401 with an OpenAI-style error body, as a service does for a wrong key. Scripted
    // replies are kept for the requests that carry it. An empty key turns the check off.
    void requireKey(const QString& key);
    QString defaultTranslation() const;

    QList<RecordedRequest> requests() const;
    int requestCount() const;
    void clearRequests();
    // Appends every request it receives as one JSON line to this file (in addition to requests()).
    void setRecordFile(const QString& path);

    static Route routeFor(const QString& method, const QString& path, const QByteArray& body);
    // The default, successful reply of a route for the given translation (whole bodies).
    static QByteArray defaultBody(Route route, const QString& translation);
    // The text a chat request asks to translate: the last line of its last message (the lines
    // before it are the prompt's context).
    static QString chatTextToTranslate(const QByteArray& body);

    // Stream bodies in each grammar, as the real services send them.
    static QList<QByteArray> chatCompletionsStream(const QStringList& pieces, bool crlf = false, bool withDone = true);
    static QList<QByteArray> responsesStream(const QStringList& pieces, bool crlf = false, bool withCompleted = true);
    static QList<QByteArray> anthropicStream(const QStringList& pieces, bool crlf = false, bool withStop = true);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace ovisu::fake
