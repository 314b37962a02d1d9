#pragma once

#include <QProcess>
#include <QSize>
#include <QString>

#include <memory>

namespace ovisu::test {

// A private X server (Xvfb) on a free display, optionally with a window manager (openbox), for
// the tests that need real windows. DISPLAY points at it while the session lives.
class XvfbSession {
public:
    explicit XvfbSession(bool withWindowManager = true, QSize screen = {1280, 800});
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    bool isRunning() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString display() const { return m_display; }

private:
    bool waitForWindowManager(int milliseconds);

    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    QString m_display;
    QByteArray m_previousDisplay;
    QString m_error;
};

}  // namespace ovisu::test
