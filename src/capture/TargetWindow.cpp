#include "capture/TargetWindow.h"

namespace ovisu {

QString TargetWindow::displayTitle(const PlatformWindow& window) {
    // An owner without a usable name (X11 windows may lack WM_CLASS) reads as unknown, so no
    // entry of the list is blank.
    QString title = window.applicationName.value_or(QString()).trimmed();
    if (title.isEmpty())
        title = QStringLiteral("应用");
    const QString own = window.title.value_or(QString()).trimmed();
    if (!own.isEmpty())
        title += QStringLiteral(" — ") + own;
    return title;
}

TargetWindow TargetWindow::make(const PlatformWindow& window) {
    return TargetWindow{window, displayTitle(window)};
}

}  // namespace ovisu
