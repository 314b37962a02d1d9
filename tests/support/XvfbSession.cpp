#include "support/XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace ovisu::test {
namespace {

bool displayInUse(int number) {
    return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
           QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number));
}

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace

XvfbSession::XvfbSession(bool withWindowManager, QSize screen) {
    m_previousDisplay = qgetenv("DISPLAY");
    for (int number = 90 + (QCoreApplication::applicationPid() % 50); number < 400; ++number) {
        if (displayInUse(number)) continue;
        m_display = QStringLiteral(":%1").arg(number);
        m_server = std::make_unique<QProcess>();
        m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server->start(QStringLiteral("Xvfb"),
                        {m_display, "-screen", "0", QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                         "-nolisten", "tcp", "-noreset"});
        if (!m_server->waitForStarted(5000)) {
            m_error = QStringLiteral("Xvfb did not start: ") + m_server->errorString();
            return;
        }
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (waitFor([&] { return QFile::exists(socket) || m_server->state() != QProcess::Running; }, 10000) &&
            m_server->state() == QProcess::Running)
            break;
        // Another server took the number first; try the next one.
        m_server->kill();
        m_server->waitForFinished(2000);
        m_server.reset();
    }
    if (!m_server) {
        m_error = QStringLiteral("no free X display number for Xvfb");
        return;
    }
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
    const bool ready = waitFor([&] { return hasProperty(check) && hasProperty(clients); }, milliseconds);
    xcb_disconnect(connection);
    return ready;
}

}  // namespace ovisu::test
