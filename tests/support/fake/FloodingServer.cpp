#include "support/fake/FloodingServer.h"

#include <QTcpSocket>

namespace ovisu::test {
namespace {

constexpr qsizetype kPieceBytes = 64 * 1024;
constexpr qsizetype kQueuedBytes = 1024 * 1024;

}  // namespace

FloodingServer::FloodingServer(QByteArray contentType, qsizetype limit)
    : m_contentType(std::move(contentType)), m_limit(limit) {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) serve(socket);
    });
}

QUrl FloodingServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void FloodingServer::serve(QTcpSocket* socket) {
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        ++m_clientsGone;
        socket->deleteLater();
    });
    // The request itself does not matter: the answer starts with its first bytes.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        socket->readAll();
        if (socket->property("answering").toBool()) return;
        socket->setProperty("answering", true);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + m_contentType + "\r\nConnection: close\r\n\r\n");
        refill(socket);
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { refill(socket); });
}

void FloodingServer::refill(QTcpSocket* socket) {
    static const QByteArray piece(kPieceBytes, 'x');
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < kQueuedBytes &&
           m_sent < m_limit) {
        socket->write(piece);
        m_sent += piece.size();
    }
    if (m_sent >= m_limit && socket->bytesToWrite() == 0) socket->disconnectFromHost();
}

}  // namespace ovisu::test
