#include "support/XvfbSession.h"

#include "support/EventLoopWait.h"

#include <QElapsedTimer>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace ovisu::test {
XvfbSession::XvfbSession(bool withWindowManager, QSize screen) {
    m_previousDisplay = qgetenv("DISPLAY");
    // Xvfb picks a free display itself and writes its number to standard output, so tests
    // running side by side never share (or race for) a display.
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    m_server->setStandardErrorFile(QProcess::nullDevice());
    m_server->start(QStringLiteral("Xvfb"),
                    {"-displayfd", "1", "-screen", "0", QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                     "-nolisten", "tcp", "-noreset"});
    if (!m_server->waitForStarted(5000)) {
        m_error = QStringLiteral("Xvfb did not start: ") + m_server->errorString();
        return;
    }
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    while (!number.contains('\n') && timer.elapsed() < 15000 && m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        number += m_server->readAllStandardOutput();
    }
    bool ok = false;
    const int display = number.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb did not report its display");
        return;
    }
    m_display = QStringLiteral(":%1").arg(display);
    qputenv("DISPLAY", m_display.toUtf8());

    if (withWindowManager) {
        m_windowManager = std::make_unique<QProcess>();
        m_windowManager->setProcessChannelMode(QProcess::MergedChannels);
        m_windowManager->start(QStringLiteral("openbox"), {"--sm-disable"});
        if (!m_windowManager->waitForStarted(5000) || !waitForWindowManager(10000))
            m_error = QStringLiteral("openbox did not take over the display");
        // Its last start-up steps run after the properties appear; let them settle.
        QThread::msleep(300);
    }
}

XvfbSession::~XvfbSession() {
    for (auto* process : {m_windowManager.get(), m_server.get()}) {
        if (!process) continue;
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
    if (m_previousDisplay.isEmpty())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", m_previousDisplay);
}

// A window manager announces itself on the root window (_NET_SUPPORTING_WM_CHECK); openbox
// publishes its client list only once its start-up is through, and a window mapped before that
// may never be managed.
bool XvfbSession::waitForWindowManager(int milliseconds) {
    xcb_connection_t* connection = xcb_connect(m_display.toUtf8().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    const auto hasProperty = [&](xcb_atom_t property) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool present = reply && reply->type != XCB_ATOM_NONE;
        std::free(reply);
        return present;
    };
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t clients = atom("_NET_CLIENT_LIST");
    const bool ready = pollUntil([&] { return hasProperty(check) && hasProperty(clients); }, milliseconds);
    xcb_disconnect(connection);
    return ready;
}

}  // namespace ovisu::test
