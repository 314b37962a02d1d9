#pragma once

#include "capture/WindowCapture.h"

#include <QMutex>
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
    static std::unique_ptr<X11WindowCapture> connect(CaptureFailure* reason);
    ~X11WindowCapture() override;

    std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() override;
    std::expected<QRect, CaptureFailure> windowFrame(quint32 windowID) override;
    std::expected<QImage, CaptureFailure> captureWindow(quint32 windowID) override;

private:
    struct Atoms;
    class SharedSegment;
    X11WindowCapture(xcb_connection_t* connection, quint32 root, bool sharedMemory);

    std::expected<QRect, QString> frameOf(quint32 windowID);
    std::expected<QImage, QString> capture(quint32 windowID);
    std::expected<quint32, QString> topLevelAncestor(quint32 window);
    std::expected<QImage, QString> readDrawable(quint32 drawable, int x, int y, int width, int height);
    // A failed call as a value: once the server has gone, every call fails for that reason.
    CaptureFailure failure(QString description) const;

    xcb_connection_t* m_connection;  // xcb serialises requests from several threads itself
    quint32 m_root;
    // Guards what captures share: the redirected windows and the shared-memory segment.
    QMutex m_captureMutex;
    bool m_sharedMemory;
    std::unique_ptr<Atoms> m_atoms;
    // Kept between captures: a fresh segment costs page faults on both sides every time.
    std::unique_ptr<SharedSegment> m_segment;
    QSet<quint32> m_redirected;
};

// The window that fails every call, carrying why capture is unavailable.
class UnavailableWindowCapture final : public WindowCapture {
public:
    explicit UnavailableWindowCapture(CaptureFailure reason) : m_reason(std::move(reason)) {}
    std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() override { return std::unexpected(m_reason); }
    std::expected<QRect, CaptureFailure> windowFrame(quint32) override { return std::unexpected(m_reason); }
    std::expected<QImage, CaptureFailure> captureWindow(quint32) override { return std::unexpected(m_reason); }

private:
    CaptureFailure m_reason;
};

}  // namespace ovisu
