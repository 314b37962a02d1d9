#pragma once

#include "engine/HttpRequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace ovisu {

// A failure below HTTP, described in the platform's usual words with its code, so the error
// guide and the retry policy can tell the kinds apart:
//   -1001 "The request timed out."            -1003 "A server with the specified hostname could not be found."
//   -1004 "Could not connect to the server."  -1005 "The network connection was lost."
//   -1009 "The Internet connection appears to be offline."
//   -1200 "An SSL error has occurred and a secure connection to the server cannot be made."
//   -999 "cancelled", -1 anything else (with Qt's own text).
// Two refusals of our own are told in the user's words: a reply larger than kMaximumReplyBytes
// (-1103) and a redirect to another server (-1, naming that server).
// `description` always ends with the code in parentheses, e.g. "The request timed out. (-1001)".
struct TransportError {
    enum Code {
        unknown = -1,
        cancelled = -999,
        timedOut = -1001,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        notConnectedToInternet = -1009,
        secureConnectionFailed = -1200,
        dataLengthExceedsMaximum = -1103,
    };
    int code = unknown;
    QString description;
};

// No translation service sends anything near this in one reply, whole or streamed; a server that
// does is broken or hostile, and reading on would only fill the memory.
inline constexpr qsizetype kMaximumReplyBytes = 8 * 1024 * 1024;

struct HttpResponse {
    std::optional<int> statusCode;  // none when no HTTP head arrived, or the transport refused the reply
    QByteArray body;
    std::optional<TransportError> error;
};

// Callbacks of a streamed request, in this order: head once (when it arrives), data for every
// received chunk as it arrives, complete exactly once (with the transport error, if any).
struct StreamHandlers {
    std::function<void(std::optional<int> statusCode)> onHead;
    std::function<void(const QByteArray& chunk)> onData;
    std::function<void(std::optional<TransportError> error)> onComplete;
};

// A request in flight. After cancel() none of its callbacks runs any more.
class HttpCall {
public:
    virtual ~HttpCall() = default;
    virtual void cancel() = 0;
    virtual bool isFinished() const = 0;
};

// The one HTTP road of the program. Sends a request exactly as an adapter built it (method,
// headers, body), with the request's own time-out; TLS is always verified. A redirect is followed
// only while it stays with the same server: the request's headers and body carry the source's
// key, which no other host may see. A reply is read up to kMaximumReplyBytes, no further.
// Callbacks run on the thread that owns the transport (the main thread), never synchronously
// inside send()/stream().
class HttpTransport : public QObject {
    Q_OBJECT
public:
    explicit HttpTransport(QObject* parent = nullptr);
    ~HttpTransport() override;

    // Whole-body request: `completion` runs once with the status, the body and any transport error.
    std::shared_ptr<HttpCall> send(const HttpRequest& request, std::function<void(HttpResponse)> completion);
    // Streaming request: every chunk is handed on as it arrives.
    std::shared_ptr<HttpCall> stream(const HttpRequest& request, StreamHandlers handlers);

private:
    QNetworkAccessManager* m_network;
};

}  // namespace ovisu
