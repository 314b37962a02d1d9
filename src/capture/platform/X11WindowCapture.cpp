#include "capture/platform/X11WindowCapture.h"

#include "base/platform/XcbReply.h"

#include <QThread>

#include <xcb/composite.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

namespace ovisu {
namespace {

constexpr unsigned long kFirstRepaintMilliseconds = 200;

// A property's raw bytes (at most 64 KiB), or nothing when the window lacks it.
std::optional<QByteArray> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom, xcb_atom_t type) {
    if (atom == XCB_ATOM_NONE) return std::nullopt;
    auto reply = own(xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, type, 0, 16384), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
}

QList<quint32> atomList(const std::optional<QByteArray>& bytes) {
    QList<quint32> values;
    if (!bytes) return values;
    for (qsizetype i = 0; i + 4 <= bytes->size(); i += 4) {
        quint32 value;
        std::memcpy(&value, bytes->constData() + i, 4);
        values.append(value);
    }
    return values;
}

// ZPixmap rows of 32-bit pixels into an opaque image: the alpha byte of X11 pixels is undefined.
QImage opaqueImage(const uchar* data, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const quint32*>(data + static_cast<size_t>(y) * width * 4);
        auto* target = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) target[x] = source[x] | 0xff000000u;
    }
    return image;
}

QString xError(const char* what, const xcb_generic_error_t* error) {
    return QStringLiteral("%1失败（X11 错误 %2）").arg(QString::fromUtf8(what)).arg(error ? error->error_code : 0);
}

}  // namespace

// A shared-memory segment the server writes images into; removed when it is destroyed.
class X11WindowCapture::SharedSegment {
public:
    SharedSegment(xcb_connection_t* c, size_t size) : m_connection(c), m_size(size) {
        m_id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (m_id < 0) return;
        m_address = shmat(m_id, nullptr, 0);
        // Marked for removal at once: the kernel frees it when both sides have detached.
        shmctl(m_id, IPC_RMID, nullptr);
        if (m_address == reinterpret_cast<void*>(-1)) {
            m_address = nullptr;
            return;
        }
        m_segment = xcb_generate_id(c);
        xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, m_segment, static_cast<uint32_t>(m_id), 0));
        if (error) {
            std::free(error);
            m_segment = 0;
        }
    }
    ~SharedSegment() {
        if (m_segment) xcb_shm_detach(m_connection, m_segment);
        if (m_address) shmdt(m_address);
    }
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    bool isValid() const { return m_segment != 0 && m_address != nullptr; }
    size_t size() const { return m_size; }
    xcb_shm_seg_t segment() const { return m_segment; }
    const uchar* data() const { return static_cast<const uchar*>(m_address); }

private:
    xcb_connection_t* m_connection;
    size_t m_size;
    int m_id = -1;
    void* m_address = nullptr;
    xcb_shm_seg_t m_segment = 0;
};

struct X11WindowCapture::Atoms {
    xcb_atom_t clientList, netWmName, utf8String, netWmPid, windowType, typeNormal, typeDialog, netWmState, stateHidden;
};

std::unique_ptr<WindowCapture> makeWindowCapture() {
    if (qEnvironmentVariable("OVISU_WINDOW_CAPTURE") == QLatin1String("null"))
        return std::make_unique<UnavailableWindowCapture>(QStringLiteral("窗口捕获已停用（OVISU_WINDOW_CAPTURE=null）"));
    CaptureFailure reason(QString{});
    if (auto capture = X11WindowCapture::connect(&reason)) return capture;
    return std::make_unique<UnavailableWindowCapture>(reason);
}

std::unique_ptr<X11WindowCapture> X11WindowCapture::connect(CaptureFailure* reason) {
    int screenNumber = 0;
    // An unset or empty DISPLAY fails here as well: xcb finds no display to connect to.
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection) xcb_disconnect(connection);
        const QString display = qEnvironmentVariable("DISPLAY");
        *reason = CaptureFailure(CaptureFailure::Kind::displayUnavailable,
                                 QStringLiteral("无法连接 X 显示服务器（DISPLAY=%1）：请在图形桌面中运行，或设置 DISPLAY")
                                     .arg(display.isEmpty() ? QStringLiteral("未设置") : display));
        return nullptr;
    }
    auto composite = own(xcb_composite_query_version_reply(
        connection, xcb_composite_query_version(connection, 0, 2), nullptr));
    if (!composite || (composite->major_version == 0 && composite->minor_version < 2)) {
        xcb_disconnect(connection);
        *reason = QStringLiteral("X 显示服务器不支持 Composite 扩展，无法单独截取游戏窗口。");
        return nullptr;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    const quint32 root = screens.data->root;
    auto shm = own(xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    return std::unique_ptr<X11WindowCapture>(new X11WindowCapture(connection, root, shm != nullptr));
}

X11WindowCapture::X11WindowCapture(xcb_connection_t* connection, quint32 root, bool sharedMemory)
    : m_connection(connection), m_root(root), m_sharedMemory(sharedMemory), m_atoms(std::make_unique<Atoms>()) {
    m_atoms->clientList = internXcbAtom(connection, "_NET_CLIENT_LIST");
    m_atoms->netWmName = internXcbAtom(connection, "_NET_WM_NAME");
    m_atoms->utf8String = internXcbAtom(connection, "UTF8_STRING");
    m_atoms->netWmPid = internXcbAtom(connection, "_NET_WM_PID");
    m_atoms->windowType = internXcbAtom(connection, "_NET_WM_WINDOW_TYPE");
    m_atoms->typeNormal = internXcbAtom(connection, "_NET_WM_WINDOW_TYPE_NORMAL");
    m_atoms->typeDialog = internXcbAtom(connection, "_NET_WM_WINDOW_TYPE_DIALOG");
    m_atoms->netWmState = internXcbAtom(connection, "_NET_WM_STATE");
    m_atoms->stateHidden = internXcbAtom(connection, "_NET_WM_STATE_HIDDEN");
}

// Closing the connection also ends every redirect made on it.
X11WindowCapture::~X11WindowCapture() {
    m_segment.reset();  // detaches while the connection is still open
    xcb_disconnect(m_connection);
}

CaptureFailure X11WindowCapture::failure(QString description) const {
    if (xcb_connection_has_error(m_connection))
        return CaptureFailure(CaptureFailure::Kind::displayUnavailable,
                              QStringLiteral("与 X 显示服务器的连接已断开：请在图形桌面中重新启动Ovisu"));
    return CaptureFailure(std::move(description));
}

std::expected<QList<PlatformWindow>, CaptureFailure> X11WindowCapture::listWindows() {
    QList<quint32> windows = atomList(property(m_connection, m_root, m_atoms->clientList, XCB_ATOM_WINDOW));
    const bool managed = !windows.isEmpty();
    if (!managed) {
        // No window manager: the mapped children of the root are the top-level windows.
        auto tree = own(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
        if (!tree) return std::unexpected(failure(QStringLiteral("读取窗口列表失败：X 服务器没有回答")));
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) windows.append(children[i]);
    }

    QList<PlatformWindow> result;
    for (quint32 id : windows) {
        auto attributes = own(xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, id), nullptr));
        if (!attributes) continue;  // gone meanwhile
        if (!managed && attributes->override_redirect) continue;  // menus and tooltips
        const auto frame = frameOf(id);
        if (!frame) continue;

        PlatformWindow window;
        window.windowID = id;
        window.frame = *frame;
        window.isOnScreen = attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                            !atomList(property(m_connection, id, m_atoms->netWmState, XCB_ATOM_ATOM)).contains(m_atoms->stateHidden);
        const QList<quint32> types = atomList(property(m_connection, id, m_atoms->windowType, XCB_ATOM_ATOM));
        // Layer 0: ordinary application windows; docks, menus, tooltips and the desktop are not.
        window.windowLayer = types.isEmpty() || types.contains(m_atoms->typeNormal) || types.contains(m_atoms->typeDialog) ? 0 : 1;
        if (const auto name = property(m_connection, id, m_atoms->netWmName, m_atoms->utf8String))
            window.title = QString::fromUtf8(*name);
        else if (const auto legacy = property(m_connection, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING))
            window.title = QString::fromLatin1(*legacy);
        if (const auto wmClass = property(m_connection, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)) {
            // "instance\0Class\0": the class is the application's name.
            const QList<QByteArray> parts = wmClass->split('\0');
            const QByteArray name = parts.size() > 1 && !parts[1].isEmpty() ? parts[1] : parts.value(0);
            if (!name.isEmpty()) window.applicationName = QString::fromUtf8(name);
        }
        const QList<quint32> pid = atomList(property(m_connection, id, m_atoms->netWmPid, XCB_ATOM_CARDINAL));
        if (!pid.isEmpty()) window.processID = pid.first();
        result.append(window);
    }
    // A server that went away answers nothing: that is no empty desktop.
    if (xcb_connection_has_error(m_connection)) return std::unexpected(failure(QString()));
    return result;
}

std::expected<QRect, CaptureFailure> X11WindowCapture::windowFrame(quint32 windowID) {
    auto frame = frameOf(windowID);
    if (!frame) return std::unexpected(failure(frame.error()));
    return *frame;
}

std::expected<QRect, QString> X11WindowCapture::frameOf(quint32 windowID) {
    auto geometry = own(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, windowID), nullptr));
    if (!geometry) return std::unexpected(QStringLiteral("目标窗口已关闭或不可访问"));
    auto origin = own(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, windowID, m_root, 0, 0), nullptr));
    if (!origin) return std::unexpected(QStringLiteral("目标窗口已关闭或不可访问"));
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::expected<quint32, QString> X11WindowCapture::topLevelAncestor(quint32 window) {
    quint32 current = window;
    for (int depth = 0; depth < 64; ++depth) {
        auto tree = own(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, current), nullptr));
        if (!tree) return std::unexpected(QStringLiteral("目标窗口已关闭或不可访问"));
        if (tree->parent == m_root || tree->parent == XCB_WINDOW_NONE) return current;
        current = tree->parent;
    }
    return std::unexpected(QStringLiteral("目标窗口的层级异常"));
}

std::expected<QImage, CaptureFailure> X11WindowCapture::captureWindow(quint32 windowID) {
    QMutexLocker lock(&m_captureMutex);
    auto image = capture(windowID);
    if (!image) return std::unexpected(failure(image.error()));
    return std::move(*image);
}

std::expected<QImage, QString> X11WindowCapture::capture(quint32 windowID) {
    const auto topLevel = topLevelAncestor(windowID);
    if (!topLevel) return std::unexpected(topLevel.error());

    if (!m_redirected.contains(*topLevel)) {
        // Automatic redirection keeps the window on screen as before while its contents also
        // live in an off-screen pixmap that nothing above it can spoil.
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_composite_redirect_window_checked(m_connection, *topLevel, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
        if (error && error->error_code != XCB_ACCESS) {
            const QString message = xError("重定向窗口", error);
            std::free(error);
            return std::unexpected(message);
        }
        std::free(error);  // BadAccess: already redirected by a compositor, whose pixmap serves as well
        m_redirected.insert(*topLevel);
        // Parts that other windows covered until now are not yet in the window's own pixmap;
        // the redirect exposes them and the application repaints them in a moment. Give it that
        // moment once, so even the very first capture holds the window alone. Captures run on a
        // worker thread, so this wait never holds up the user interface.
        xcb_flush(m_connection);
        QThread::msleep(kFirstRepaintMilliseconds);
    }

    // The client area sits inside the window manager's frame.
    auto origin = own(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, windowID, *topLevel, 0, 0), nullptr));
    auto geometry = own(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, windowID), nullptr));
    if (!origin || !geometry) return std::unexpected(QStringLiteral("目标窗口已关闭或不可访问"));

    // A fresh pixmap each time: the named pixmap changes whenever the window is resized.
    const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
    xcb_generic_error_t* error =
        xcb_request_check(m_connection, xcb_composite_name_window_pixmap_checked(m_connection, *topLevel, pixmap));
    if (error) {
        // BadMatch: the window is not viewable (minimised, on another desktop, not yet shown).
        const QString message = error->error_code == XCB_MATCH ? QStringLiteral("目标窗口当前不可见（可能已最小化或尚未显示）")
                                                              : xError("读取窗口内容", error);
        std::free(error);
        return std::unexpected(message);
    }
    auto image = readDrawable(pixmap, origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    xcb_free_pixmap(m_connection, pixmap);
    xcb_flush(m_connection);
    return image;
}

std::expected<QImage, QString> X11WindowCapture::readDrawable(quint32 drawable, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return std::unexpected(QStringLiteral("目标窗口没有可截取的区域"));
    const size_t bytes = static_cast<size_t>(width) * height * 4;

    if (m_sharedMemory) {
        if (!m_segment || m_segment->size() < bytes) m_segment = std::make_unique<SharedSegment>(m_connection, bytes);
        SharedSegment& segment = *m_segment;
        if (segment.isValid()) {
            xcb_generic_error_t* error = nullptr;
            auto reply = own(xcb_shm_get_image_reply(
                m_connection,
                xcb_shm_get_image(m_connection, drawable, static_cast<int16_t>(x), static_cast<int16_t>(y),
                                  static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u,
                                  XCB_IMAGE_FORMAT_Z_PIXMAP, segment.segment(), 0),
                &error));
            if (reply && reply->depth >= 24) return opaqueImage(segment.data(), width, height);
            std::free(error);
        }
        m_sharedMemory = false;  // the server refused; fall back for good
        m_segment.reset();
    }

    xcb_generic_error_t* error = nullptr;
    auto reply = own(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<int16_t>(x), static_cast<int16_t>(y),
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
        &error));
    if (!reply) {
        const QString message = xError("读取窗口图像", error);
        std::free(error);
        return std::unexpected(message);
    }
    if (reply->depth < 24 || static_cast<size_t>(xcb_get_image_data_length(reply.get())) < bytes)
        return std::unexpected(QStringLiteral("不支持的窗口像素格式（色深 %1）").arg(reply->depth));
    return opaqueImage(xcb_get_image_data(reply.get()), width, height);
}

}  // namespace ovisu
