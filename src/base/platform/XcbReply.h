#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace ovisu {

// xcb replies (and checked-request errors) are malloc'ed and owned by the caller.
struct XcbFree {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// `auto reply = own(xcb_..._reply(...));` takes ownership of a reply, error or event.
template <typename T>
XcbReply<T> own(T* reply) {
    return XcbReply<T>(reply);
}

// The atom for `name`, created if the server does not know it yet; none when the server does not answer.
inline xcb_atom_t internXcbAtom(xcb_connection_t* c, const char* name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace ovisu
