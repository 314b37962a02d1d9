#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace ovisu {

// One window as the platform lists it: frame in global display coordinates (origin at the
// top-left of the main display, y downwards). On X11 the layer is 0 for normal windows and
// anything else for docks, menus, tooltips and the desktop.
struct PlatformWindow {
    quint32 windowID = 0;
    QRect frame;
    std::optional<QString> title;
    bool isOnScreen = false;
    int windowLayer = 0;
    std::optional<qint64> processID;          // owner, when known
    std::optional<QString> applicationName;  // owner, when known

    friend bool operator==(const PlatformWindow&, const PlatformWindow&) = default;
};

// A window the user can translate, with the title shown for it in the target list.
struct TargetWindow {
    PlatformWindow scWindow;
    QString title;

    // The window with its display title built.
    static TargetWindow make(const PlatformWindow& window);

    // The application's name (or "应用" when unknown or blank), followed by " — " and the window's own
    // title when that is more than white space.
    static QString displayTitle(const PlatformWindow& window);

    quint32 windowID() const { return scWindow.windowID; }
    QRect frame() const { return scWindow.frame; }

    friend bool operator==(const TargetWindow&, const TargetWindow&) = default;
};

}  // namespace ovisu
