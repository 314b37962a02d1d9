#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

namespace ovisu::fake {

// A file host on 127.0.0.1 (a free port, served from a background thread) for download tests:
// byte buffers at paths, with the byte ranges a resuming client asks for, and the faults a real
// host shows — a connection that drops mid-file, an error status, a redirect to a mirror.
class FileServer {
public:
    FileServer();   // starts listening at once
    ~FileServer();  // stops; a response being sent is cut
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;

    bool isListening() const;
    int port() const;
    QString baseUrl() const;             // "http://127.0.0.1:<port>"
    QUrl url(const QString& path) const;

    // GET path answers these bytes: 200 with all of them, or for "Range: bytes=N-" (or N-M)
    // 206 with the rest and a Content-Range; a range starting at or past the end is 416 with an
    // empty body. Replaces whatever the path answered before.
    void serve(const QString& path, QByteArray bytes);
    // The same for a file of `size` zero bytes that is never held in memory: the bytes of the
    // range asked for are made as they are sent, so a model of gigabytes can be resumed near its end.
    void serveZeros(const QString& path, quint64 size);
    // The path answers this status (404, 500…) with a short text body until it is served again.
    void answerStatus(const QString& path, int status);
    // The path answers 302 with the full address of `target` on this server.
    void redirect(const QString& path, const QString& target);
    // File bodies are sent at about this many bytes per second (0: as fast as the socket takes
    // them), so a progress display can be watched mid-download.
    void setBytesPerSecond(quint64 rate);
    // The next file response sends this many bytes of its body, then drops the connection
    // short of the length it announced. Applies once.
    void cutNextResponseAfter(qsizetype bytes);

    struct Request {
        QString path;
        QByteArray range;  // the Range header as received, empty without one
        int status = 0;    // what the server answered
    };
    QList<Request> requests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace ovisu::fake
