#pragma once

#include "capture/WindowCapture.h"

#include <QSet>

#include <memory>

struct xcb_connection_t;

namespace ovisu {

// Windows through the window manager's client list (or the mapped top-level windows when no
// manager runs) and captures through the Composite extension: the target's top-level window is
// redirected once, on this connection, so its own pixels stay available whatever covers it;
// each capture names a fresh pixmap of it, reads it (shared memory where the server offers it)
// and frees it.
class X11WindowCapture final : public WindowCapture {
public:
    // Nothing when no X display answers or it lacks the Composite extension; `reason` says which.
    static std::unique_ptr<X11WindowCapture> connect(QString* reason);
    ~X11WindowCapture() override;

    std::expected<QList<PlatformWindow>, QString> listWindows() override;
    std::expected<QRect, QString> windowFrame(quint32 windowID) override;
    std::expected<QImage, QString> captureWindow(quint32 windowID) override;

private:
    struct Atoms;
    class SharedSegment;
    X11WindowCapture(xcb_connection_t* connection, quint32 root, bool sharedMemory);

    std::expected<quint32, QString> topLevelAncestor(quint32 window);
    std::expected<QImage, QString> readDrawable(quint32 drawable, int x, int y, int width, int height);

    xcb_connection_t* m_connection;
    quint32 m_root;
    bool m_sharedMemory;
    std::unique_ptr<Atoms> m_atoms;
    // Kept between captures: a fresh segment costs page faults on both sides every time.
    std::unique_ptr<SharedSegment> m_segment;
    QSet<quint32> m_redirected;
};

// The window that fails every call, carrying why capture is unavailable.
class UnavailableWindowCapture final : public WindowCapture {
public:
    explicit UnavailableWindowCapture(QString reason) : m_reason(std::move(reason)) {}
    std::expected<QList<PlatformWindow>, QString> listWindows() override { return std::unexpected(m_reason); }
    std::expected<QRect, QString> windowFrame(quint32) override { return std::unexpected(m_reason); }
    std::expected<QImage, QString> captureWindow(quint32) override { return std::unexpected(m_reason); }

private:
    QString m_reason;
};

}  // namespace ovisu
