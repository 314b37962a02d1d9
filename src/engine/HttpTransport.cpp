#include "engine/HttpTransport.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <limits>
#include <utility>

namespace ovisu {

namespace {

TransportError makeError(int code, const QString& text) {
    return {code, QStringLiteral("%1 (%2)").arg(text).arg(code)};
}

TransportError knownError(TransportError::Code code) {
    switch (code) {
    case TransportError::timedOut: return makeError(code, QStringLiteral("The request timed out."));
    case TransportError::cannotFindHost:
        return makeError(code, QStringLiteral("A server with the specified hostname could not be found."));
    case TransportError::cannotConnectToHost: return makeError(code, QStringLiteral("Could not connect to the server."));
    case TransportError::networkConnectionLost: return makeError(code, QStringLiteral("The network connection was lost."));
    case TransportError::notConnectedToInternet:
        return makeError(code, QStringLiteral("The Internet connection appears to be offline."));
    case TransportError::secureConnectionFailed:
        return makeError(code, QStringLiteral("An SSL error has occurred and a secure connection to the server cannot be made."));
    case TransportError::cancelled: return makeError(code, QStringLiteral("cancelled"));
    case TransportError::dataLengthExceedsMaximum:
        return makeError(code, QStringLiteral("服务返回的数据过大（超过 %1 MiB），已中止")
                                   .arg(kMaximumReplyBytes / (1024 * 1024)));
    case TransportError::unknown: break;
    }
    return makeError(TransportError::unknown, QStringLiteral("Unknown error"));
}

// Errors Qt raises for an HTTP status the server did answer with. Those are answers, not
// transport failures: the caller gets the status and the body and judges them itself.
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError: return true;
    default: return false;
    }
}

std::optional<TransportError> transportErrorOf(QNetworkReply::NetworkError error, const QString& qtText,
                                               std::optional<int> statusCode) {
    if (error == QNetworkReply::NoError) return std::nullopt;
    if (statusCode && isHttpStatusError(error)) return std::nullopt;
    switch (error) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
    // Our own cancel() reports nothing at all, so an abort that does reach here is the
    // request's transfer time-out.
    case QNetworkReply::OperationCanceledError: return knownError(TransportError::timedOut);
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError: return knownError(TransportError::cannotFindHost);
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError: return knownError(TransportError::cannotConnectToHost);
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::TemporaryNetworkFailureError: return knownError(TransportError::networkConnectionLost);
    case QNetworkReply::NetworkSessionFailedError: return knownError(TransportError::notConnectedToInternet);
    case QNetworkReply::SslHandshakeFailedError: return knownError(TransportError::secureConnectionFailed);
    case QNetworkReply::UnknownNetworkError:
        // A socket with no route (no network at all) reaches us only as Qt's generic network error.
        if (qtText.contains(QLatin1String("unreachable"), Qt::CaseInsensitive))
            return knownError(TransportError::notConnectedToInternet);
        break;
    default: break;
    }
    QString text = qtText.trimmed();
    if (text.isEmpty()) text = QStringLiteral("Unknown error");
    return makeError(TransportError::unknown, text);
}

// Only the host is named: the rest of a redirect target may carry anything the server put there.
TransportError redirectRefused(const QUrl& target) {
    const QString server = target.port() < 0 ? target.host() : QStringLiteral("%1:%2").arg(target.host()).arg(target.port());
    return makeError(TransportError::unknown,
                     QStringLiteral("服务要求重定向到另一服务器 %1，为免密钥外泄，未跟随").arg(server));
}

// A 3xx that names where to go: the answer is elsewhere (or refused), this reply is not it.
bool isRedirect(const QNetworkReply* reply, std::optional<int> status) {
    return status && *status >= 300 && *status <= 399 && reply->hasRawHeader("Location");
}

std::optional<int> statusCodeOf(const QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return std::nullopt;
    bool ok = false;
    const int code = status.toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
}

bool hasLineBreakOrNul(const QByteArray& bytes) {
    return bytes.contains('\r') || bytes.contains('\n') || bytes.contains('\0');
}

// A header that would split into several on the wire (a pasted key with a line break, say) is
// refused as a whole rather than sent: it could smuggle headers of its own. The value is never
// echoed, since it is usually a secret.
std::optional<TransportError> headerProblem(const QList<HttpHeader>& headers) {
    for (const HttpHeader& header : headers) {
        const bool badName = header.name.isEmpty() || hasLineBreakOrNul(header.name) || header.name.contains(':') ||
                             header.name.contains(' ') || header.name.contains('\t');
        if (badName) return makeError(TransportError::unknown, QStringLiteral("Invalid header name."));
        if (hasLineBreakOrNul(header.value))
            return makeError(TransportError::unknown,
                             QStringLiteral("Invalid header value for \"%1\": line breaks are not allowed.")
                                 .arg(QString::fromLatin1(header.name)));
    }
    return std::nullopt;
}

int timeoutMilliseconds(double seconds) {
    // A request never waits forever: a missing or nonsensical time-out falls back to the usual one.
    if (!std::isfinite(seconds) || seconds <= 0) seconds = 45;
    const double ms = std::ceil(seconds * 1000.0);
    return ms >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(ms);
}

QNetworkRequest networkRequestFor(const HttpRequest& request) {
    QNetworkRequest networkRequest(request.url);
    for (const HttpHeader& header : request.headers) networkRequest.setRawHeader(header.name, header.value);
    networkRequest.setTransferTimeout(timeoutMilliseconds(request.timeoutSeconds));
    // HTTP/1.1 keeps one body chunk per network read, which streaming relies on.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // The request goes out exactly as built: no cookies picked up from earlier replies.
    networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A redirect carries the headers (and a re-sent body) along: followed only to the same
    // scheme, host and port. Qt refuses the others (NetworkCall::handleFinished says where to).
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    return networkRequest;
}

QNetworkReply* startReply(QNetworkAccessManager* network, const HttpRequest& request) {
    const QNetworkRequest networkRequest = networkRequestFor(request);
    if (request.method == "GET" && request.body.isEmpty()) return network->get(networkRequest);
    if (request.method == "POST") return network->post(networkRequest, request.body);
    return network->sendCustomRequest(networkRequest, request.method, request.body);
}

// One request in flight. The reply's connections hold it alive until the reply is gone, so a
// caller may drop its handle and still get its completion.
class NetworkCall final : public HttpCall, public std::enable_shared_from_this<NetworkCall> {
public:
    explicit NetworkCall(std::function<void(HttpResponse)> completion) : m_completion(std::move(completion)) {}
    explicit NetworkCall(StreamHandlers handlers) : m_streaming(true), m_handlers(std::move(handlers)) {}

    void cancel() override {
        if (m_finished) return;
        m_finished = true;
        releaseCallbacks();
        if (QNetworkReply* reply = m_reply.data()) {
            m_reply.clear();
            // abort() reports synchronously; m_finished keeps every handler silent.
            reply->abort();
            reply->deleteLater();
        }
    }

    bool isFinished() const override { return m_finished; }

    void attach(QNetworkReply* reply) {
        m_reply = reply;
        const std::shared_ptr<NetworkCall> self = shared_from_this();
        QObject::connect(reply, &QNetworkReply::finished, reply, [self] { self->handleFinished(); });
        // Whole bodies are read as they come too, so a reply can be stopped at the size cap.
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [self] { self->handleReadyRead(); });
        if (m_streaming)
            QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [self] { self->deliverHead(false); });
        // Should a reply ever be finished before anyone listened, it is still reported, later.
        if (reply->isFinished())
            QMetaObject::invokeMethod(reply, [self] { self->handleFinished(); }, Qt::QueuedConnection);
    }

    // Ends the call without sending anything (the request was refused before it left).
    void failBeforeSending(TransportError error) { complete(std::nullopt, std::move(error)); }

private:
    void releaseCallbacks() {
        m_completion = nullptr;
        m_handlers = {};
    }

    void deliverHead(bool arrivalOfData) {
        if (m_finished || m_headDelivered) return;
        QNetworkReply* reply = m_reply.data();
        if (!reply) return;
        const std::optional<int> status = statusCodeOf(reply);
        if (!arrivalOfData && !status) return;
        // A redirect, followed or refused, is not the answer.
        if (isRedirect(reply, status)) return;
        m_headDelivered = true;
        const auto onHead = m_handlers.onHead;
        if (onHead) onHead(status);
    }

    void handleReadyRead() {
        if (m_streaming) deliverHead(true);
        if (m_finished) return;
        QNetworkReply* reply = m_reply.data();
        if (!reply) return;
        const QByteArray piece = reply->readAll();
        if (!isRedirect(reply, statusCodeOf(reply))) take(piece);
    }

    // Hands a received piece on (streaming) or keeps it (whole body), unless the reply has now
    // grown past the cap: then it ends here, and nothing of it is kept.
    void take(const QByteArray& piece) {
        if (piece.isEmpty()) return;
        m_received += piece.size();
        if (m_received > kMaximumReplyBytes) {
            abortWith(knownError(TransportError::dataLengthExceedsMaximum));
            return;
        }
        if (!m_streaming) {
            m_body.append(piece);
            return;
        }
        const auto onData = m_handlers.onData;
        if (onData) onData(piece);
    }

    void handleFinished() {
        if (m_finished) return;
        QNetworkReply* reply = m_reply.data();
        if (!reply) return;
        const std::optional<int> status = statusCodeOf(reply);
        if (reply->error() == QNetworkReply::InsecureRedirectError) {
            // Qt leaves the redirect target unset when it refuses one: it is read from the head.
            const QUrl target = reply->header(QNetworkRequest::LocationHeader).toUrl();
            abortWith(redirectRefused(reply->url().resolved(target)));
            return;
        }
        if (m_streaming && status) deliverHead(true);
        if (m_finished) return;
        // A reply that failed before any answer was never opened and has nothing to read.
        if (reply->isOpen()) take(reply->readAll());
        if (m_finished) return;
        const std::optional<TransportError> error = transportErrorOf(reply->error(), reply->errorString(), status);
        m_reply.clear();
        reply->deleteLater();
        complete(status, error);
    }

    // The transport refuses the reply: it is stopped, and the caller gets the error alone, with
    // no status and no body, so nothing of the refused answer is taken for the service's word.
    void abortWith(TransportError error) {
        if (QNetworkReply* reply = m_reply.data()) {
            m_reply.clear();
            m_finished = true;  // abort() reports synchronously; this keeps handleFinished silent
            reply->abort();
            reply->deleteLater();
        }
        m_body.clear();
        complete(std::nullopt, std::move(error));
    }

    void complete(std::optional<int> status, std::optional<TransportError> error) {
        m_finished = true;
        if (m_streaming) {
            const auto onComplete = std::exchange(m_handlers.onComplete, nullptr);
            releaseCallbacks();
            if (onComplete) onComplete(std::move(error));
        } else {
            const auto completion = std::exchange(m_completion, nullptr);
            if (completion) completion(HttpResponse{status, std::exchange(m_body, {}), std::move(error)});
        }
    }

    bool m_streaming = false;
    bool m_finished = false;
    bool m_headDelivered = false;
    qsizetype m_received = 0;
    QByteArray m_body;  // whole-body calls only
    QPointer<QNetworkReply> m_reply;
    std::function<void(HttpResponse)> m_completion;
    StreamHandlers m_handlers;
};

std::shared_ptr<HttpCall> launch(QNetworkAccessManager* network, QObject* owner, const HttpRequest& request,
                                 const std::shared_ptr<NetworkCall>& call) {
    if (std::optional<TransportError> problem = headerProblem(request.headers)) {
        // Reported from the event loop like any other failure, never from inside send().
        QTimer::singleShot(0, owner, [call, problem = *problem]() mutable {
            if (!call->isFinished()) call->failBeforeSending(std::move(problem));
        });
        return call;
    }
    call->attach(startReply(network, request));
    return call;
}

}  // namespace

HttpTransport::HttpTransport(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

HttpTransport::~HttpTransport() {
    // Calls still in flight end silently with the transport, as if cancelled: nothing reports
    // back into an owner that is going away.
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>()) {
        reply->disconnect();
        reply->abort();
    }
}

std::shared_ptr<HttpCall> HttpTransport::send(const HttpRequest& request, std::function<void(HttpResponse)> completion) {
    return launch(m_network, this, request, std::make_shared<NetworkCall>(std::move(completion)));
}

std::shared_ptr<HttpCall> HttpTransport::stream(const HttpRequest& request, StreamHandlers handlers) {
    return launch(m_network, this, request, std::make_shared<NetworkCall>(std::move(handlers)));
}

}  // namespace ovisu
