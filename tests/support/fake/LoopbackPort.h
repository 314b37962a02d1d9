#pragma once

#include <QHostAddress>
#include <QTcpServer>

namespace ovisu::fake {

// A loopback port nobody listens on right now (0 when none could be had), for a server a test
// starts by its port rather than the fixed one the program would use.
inline int freeLoopbackPort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
    return server.serverPort();
}

}  // namespace ovisu::fake
