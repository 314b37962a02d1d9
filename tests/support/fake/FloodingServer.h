#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace ovisu::test {

// A server on 127.0.0.1 that answers every request with a 200 head and then bytes without a
// single line break, written as fast as the client takes them, until the client goes away or
// `limit` bytes are out. No length is announced, so only the end of the connection would end the
// reply: a client that does not stop reading on its own reads all of it. Runs on the thread that
// creates it, so the test's event loop serves it.
class FloodingServer : public QObject {
public:
    explicit FloodingServer(QByteArray contentType, qsizetype limit);

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString& path) const;
    qsizetype bytesSent() const { return m_sent; }
    int clientsGone() const { return m_clientsGone; }

private:
    void serve(QTcpSocket* socket);
    void refill(QTcpSocket* socket);

    QTcpServer m_server;
    QByteArray m_contentType;
    qsizetype m_limit;
    qsizetype m_sent = 0;
    int m_clientsGone = 0;
};

}  // namespace ovisu::test
