#include "overlay/platform/X11OverlayWindowHints.h"

#include "base/platform/XcbReply.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace ovisu {
namespace {

xcb_connection_t* connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t window) {
    const XcbReply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
}

}  // namespace

void X11OverlayWindowHints::showOnAllDesktops(QWindow* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t desktop = internXcbAtom(c, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE) return;
    const uint32_t all = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &all);
    // A mapped window's desktop belongs to the window manager: ask it.
    if (window->isVisible()) {
        const xcb_window_t root = rootOf(c, id);
        if (root != XCB_WINDOW_NONE) {
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = id;
            event.type = desktop;
            event.data.data32[0] = all;
            event.data.data32[1] = 1;  // a normal application
            xcb_send_event(c, 0, root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&event));
        }
    }
    xcb_flush(c);
}

void X11OverlayWindowHints::setBlurBehind(QWindow* window, bool enabled) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t blur = internXcbAtom(c, "_KDE_NET_WM_BLUR_BEHIND_REGION");
    if (blur == XCB_ATOM_NONE) return;
    if (enabled)  // an empty region means the whole window
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, blur, XCB_ATOM_CARDINAL, 32, 0, nullptr);
    else
        xcb_delete_property(c, id, blur);
    xcb_flush(c);
}

void X11OverlayWindowHints::setCompositorShadow(QWindow* window, bool enabled) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const xcb_atom_t shadow = internXcbAtom(c, "_COMPTON_SHADOW");
    if (shadow == XCB_ATOM_NONE) return;
    const uint32_t value = enabled ? 1 : 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), shadow, XCB_ATOM_CARDINAL, 32, 1,
                        &value);
    xcb_flush(c);
}

}  // namespace ovisu
