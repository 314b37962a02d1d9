#pragma once

#include "app/GlobalHotKeys.h"

#include <QList>

#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace ovisu {

// Passive key grabs on the root window, on a connection of our own. Each key is grabbed with
// Ctrl+Shift and again with CapsLock and NumLock added, since X matches modifiers exactly and a
// lit NumLock would otherwise swallow the shortcut.
class X11GlobalHotKeys final : public GlobalHotKeys {
    Q_OBJECT
public:
    // Nothing, with the reason, when no X display can be opened.
    static std::unique_ptr<X11GlobalHotKeys> connect(QString* reason = nullptr, QObject* parent = nullptr);
    ~X11GlobalHotKeys() override;

    void configure(bool enabled) override;
    void unregisterGlobalHotKeys() override;
    int registeredCount() const override { return static_cast<int>(m_registered.size()); }
    QStringList refusedShortcuts() const override { return m_refused; }

private:
    struct RegisteredKey {
        int id = 0;
        std::uint8_t keycode = 0;
        QList<std::uint16_t> modifiers;  // every variant actually grabbed
    };

    X11GlobalHotKeys(xcb_connection_t* connection, std::uint32_t root, QObject* parent);
    bool registerGlobalHotKey(int id, std::uint32_t keysym);
    std::uint8_t keycodeFor(std::uint32_t keysym) const;
    std::uint16_t numLockMask() const;
    void readEvents();

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    QSocketNotifier* m_notifier = nullptr;
    QList<RegisteredKey> m_registered;
    QStringList m_refused;
    std::uint16_t m_numLockMask = 0;
};

}  // namespace ovisu
