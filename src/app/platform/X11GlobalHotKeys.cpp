#include "app/platform/X11GlobalHotKeys.h"

#include "base/platform/XcbReply.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

namespace ovisu {

namespace {

constexpr std::uint32_t kNumLockKeysym = 0xff7f;
constexpr std::uint16_t kHotKeyModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
// The modifier bits of an event's state; the bits above are mouse buttons.
constexpr std::uint16_t kModifierBits = 0xff;

}  // namespace

std::unique_ptr<X11GlobalHotKeys> X11GlobalHotKeys::connect(QString* reason, QObject* parent) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        if (reason) *reason = QStringLiteral("无法连接 X 显示服务器（DISPLAY）");
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; index < screenNumber && screens.rem > 0; ++index) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        if (reason) *reason = QStringLiteral("X 显示服务器没有可用的屏幕");
        return nullptr;
    }
    return std::unique_ptr<X11GlobalHotKeys>(new X11GlobalHotKeys(connection, screens.data->root, parent));
}

X11GlobalHotKeys::X11GlobalHotKeys(xcb_connection_t* connection, std::uint32_t root, QObject* parent)
    : GlobalHotKeys(parent), m_connection(connection), m_root(root) {
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, &X11GlobalHotKeys::readEvents);
}

X11GlobalHotKeys::~X11GlobalHotKeys() {
    unregisterGlobalHotKeys();
    delete m_notifier;
    m_notifier = nullptr;
    // Closing the connection would release the grabs anyway; ungrabbing first keeps it explicit.
    xcb_disconnect(m_connection);
}

void X11GlobalHotKeys::configure(bool enabled) {
    unregisterGlobalHotKeys();
    m_refused.clear();
    if (!enabled || xcb_connection_has_error(m_connection)) return;
    m_numLockMask = numLockMask();
    for (const GlobalHotKeyDefinition& definition : globalHotKeyDefinitions)
        if (!registerGlobalHotKey(definition.id, static_cast<std::uint32_t>(definition.letter)))
            m_refused << QString::fromLatin1(definition.shortcut);
    xcb_flush(m_connection);
    // Waiting for the grabs' answers may have queued events the socket notifier will not see.
    QMetaObject::invokeMethod(this, &X11GlobalHotKeys::readEvents, Qt::QueuedConnection);
}

void X11GlobalHotKeys::unregisterGlobalHotKeys() {
    if (m_registered.isEmpty()) return;
    for (const RegisteredKey& key : std::as_const(m_registered))
        for (const std::uint16_t modifiers : key.modifiers)
            xcb_ungrab_key(m_connection, key.keycode, m_root, modifiers);
    m_registered.clear();
    // A round trip: once this returns the server has released the keys, so another program (or
    // the next grab of our own) never races the ungrab.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

std::uint8_t X11GlobalHotKeys::keycodeFor(std::uint32_t keysym) const {
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = own(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!mapping) return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    // A Latin letter's upper-case keysym is its ASCII upper case.
    const std::uint32_t upper = (keysym >= 'a' && keysym <= 'z') ? keysym - 'a' + 'A' : keysym;
    for (int index = 0; index < count; ++index)
        for (int column = 0; column < perKeycode && index * perKeycode + column < length; ++column) {
            const xcb_keysym_t candidate = keysyms[index * perKeycode + column];
            if (candidate == keysym || candidate == upper)
                return static_cast<std::uint8_t>(setup->min_keycode + index);
        }
    return 0;
}

std::uint16_t X11GlobalHotKeys::numLockMask() const {
    const std::uint8_t numLock = keycodeFor(kNumLockKeysym);
    if (numLock == 0) return 0;
    const auto mapping =
        own(xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mapping) return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int index = 0; index < perModifier; ++index)
            if (keycodes[modifier * perModifier + index] == numLock) return static_cast<std::uint16_t>(1u << modifier);
    return 0;
}

bool X11GlobalHotKeys::registerGlobalHotKey(int id, std::uint32_t keysym) {
    const std::uint8_t keycode = keycodeFor(keysym);
    if (keycode == 0) return false;

    QList<std::uint16_t> variants{kHotKeyModifiers, static_cast<std::uint16_t>(kHotKeyModifiers | XCB_MOD_MASK_LOCK)};
    if (m_numLockMask != 0 && m_numLockMask != XCB_MOD_MASK_LOCK) {
        variants.append(kHotKeyModifiers | m_numLockMask);
        variants.append(kHotKeyModifiers | m_numLockMask | XCB_MOD_MASK_LOCK);
    }

    QList<xcb_void_cookie_t> cookies;
    for (const std::uint16_t modifiers : std::as_const(variants))
        cookies.append(xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC));
    RegisteredKey key{id, keycode, {}};
    for (qsizetype index = 0; index < cookies.size(); ++index) {
        const auto error = own(xcb_request_check(m_connection, cookies[index]));
        if (!error) key.modifiers.append(variants[index]);
    }
    // The plain combination is the hot key; without it the key counts as taken by someone else.
    if (!key.modifiers.contains(kHotKeyModifiers)) {
        for (const std::uint16_t modifiers : std::as_const(key.modifiers))
            xcb_ungrab_key(m_connection, keycode, m_root, modifiers);
        return false;
    }
    m_registered.append(key);
    return true;
}

void X11GlobalHotKeys::readEvents() {
    QList<int> pressed;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(m_connection)) {
        const auto event = own(raw);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS) continue;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
        const std::uint16_t state =
            press->state & kModifierBits & static_cast<std::uint16_t>(~(XCB_MOD_MASK_LOCK | m_numLockMask));
        if (state != kHotKeyModifiers) continue;
        for (const RegisteredKey& key : std::as_const(m_registered))
            if (key.keycode == press->detail) pressed.append(key.id);
    }
    if (xcb_connection_has_error(m_connection) && m_notifier) m_notifier->setEnabled(false);
    // Emitted after reading, so a receiver may reconfigure without disturbing the loop above.
    for (const int id : std::as_const(pressed)) emit hotKeyPressed(id);
}

}  // namespace ovisu
