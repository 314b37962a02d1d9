#include "support/X11TestWindow.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace ovisu::test {

X11TestWindow::X11TestWindow(xcb_connection_t* c, QRect geometry, const QByteArray& title, const QByteArray& wmClass,
                             const char* windowType, quint32 fill)
    : m_c(c), m_size(geometry.size()), m_fill(fill) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    m_window = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen->root, static_cast<int16_t>(geometry.x()),
                      static_cast<int16_t>(geometry.y()), static_cast<uint16_t>(geometry.width()),
                      static_cast<uint16_t>(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        static_cast<uint32_t>(title.size()), title.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(wmClass.size()), wmClass.constData());
    const uint32_t pid = static_cast<uint32_t>(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    if (windowType) {
        const xcb_atom_t type = atom(windowType);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
    }
    m_gc = xcb_generate_id(c);
    xcb_create_gc(c, m_gc, m_window, 0, nullptr);
    xcb_map_window(c, m_window);
    xcb_flush(c);
}

X11TestWindow::~X11TestWindow() {
    xcb_free_gc(m_c, m_gc);
    xcb_destroy_window(m_c, m_window);
    sync();  // the server has destroyed it before anyone else asks
}

void X11TestWindow::paint() {
    const int w = m_size.width() / 2, h = m_size.height() / 2;
    for (int i = 0; i < 4; ++i) {
        const uint32_t colour = m_fill ? m_fill : kQuadrantColours[i];
        xcb_change_gc(m_c, m_gc, XCB_GC_FOREGROUND, &colour);
        const xcb_rectangle_t rect{static_cast<int16_t>((i % 2) * w), static_cast<int16_t>((i / 2) * h),
                                   static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
        xcb_poly_fill_rectangle(m_c, m_window, m_gc, 1, &rect);
    }
    sync();
}

xcb_atom_t X11TestWindow::atom(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

void X11TestWindow::sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

}  // namespace ovisu::test
