#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

namespace ovisu {

// The three system-wide shortcuts of the desktop program, Ctrl+Shift+letter.
struct GlobalHotKeyDefinition {
    int id;
    char letter;           // lower case; the X keysym of a Latin letter is its ASCII code
    const char* shortcut;  // as a menu shows it
};

inline constexpr int hotKeyToggleTranslation = 1;  // start or stop the realtime session
inline constexpr int hotKeyToggleOverlay = 2;      // show or hide the overlay
inline constexpr int hotKeySelectRegion = 3;       // bring the main window up and select a region

inline constexpr std::array<GlobalHotKeyDefinition, 3> globalHotKeyDefinitions{{
    {hotKeyToggleTranslation, 'p', "Ctrl+Shift+P"},
    {hotKeyToggleOverlay, 'h', "Ctrl+Shift+H"},
    {hotKeySelectRegion, 'r', "Ctrl+Shift+R"},
}};

// System-wide hot keys. A press arrives as hotKeyPressed(id) on the thread the object lives on
// (the main thread).
class GlobalHotKeys : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~GlobalHotKeys() override = default;

    // Always releases every registered key first; then, when enabled, registers the three keys.
    // A key that cannot be registered (another program holds it) is skipped and listed in
    // refusedShortcuts() until the next configure.
    virtual void configure(bool enabled) = 0;
    virtual void unregisterGlobalHotKeys() = 0;
    virtual int registeredCount() const = 0;
    // The shortcuts ("Ctrl+Shift+H") the last configure could not register.
    virtual QStringList refusedShortcuts() const { return {}; }
    // Why this platform has no hot keys; empty when it has them.
    virtual QString unavailableReason() const { return {}; }

signals:
    void hotKeyPressed(int id);
};

// "快捷键 Ctrl+Shift+H 已被其他程序占用" for the shortcuts given.
QString hotKeysTakenMessage(const QStringList& shortcuts);

// X11 key grabs when an X display can be opened; otherwise (or with OVISU_HOT_KEYS=null) an
// implementation that registers nothing and says why.
std::unique_ptr<GlobalHotKeys> makeGlobalHotKeys(QObject* parent = nullptr);

}  // namespace ovisu
