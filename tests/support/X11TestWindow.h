#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

#include <xcb/xcb.h>

#include <array>

namespace ovisu::test {

inline constexpr std::array<quint32, 4> kQuadrantColours = {0x3366cc, 0x33cc66, 0xcccc33, 0x9933cc};

// A plain X client window painted in four coloured quadrants (or one colour), as a game would draw
// its frame. Created, named and mapped at once; destroyed, and the server synchronised, on scope exit.
class X11TestWindow {
public:
    X11TestWindow(xcb_connection_t* connection, QRect geometry, const QByteArray& title, const QByteArray& wmClass,
                  const char* windowType = nullptr, quint32 fill = 0);
    ~X11TestWindow();
    X11TestWindow(const X11TestWindow&) = delete;
    X11TestWindow& operator=(const X11TestWindow&) = delete;

    quint32 id() const { return m_window; }
    // Draws the frame again, as a game does on its next tick, and waits until the server has it.
    void paint();

private:
    xcb_atom_t atom(const char* name);
    void sync();

    xcb_connection_t* m_c;
    QSize m_size;
    quint32 m_fill;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
};

}  // namespace ovisu::test
