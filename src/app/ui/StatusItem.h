#pragma once

#include "app/StatusMenuPresentation.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace ovisu {

class ShellActions;

// The tray icon with the status menu. It exists only while the tray icon setting ("menuBarIconEnabled") is on; the
// shell refreshes its texts whenever the session state or a toggle changes.
class StatusItem : public QObject {
    Q_OBJECT
public:
    explicit StatusItem(ShellActions& actions, QObject* parent = nullptr);
    ~StatusItem() override;

    // Builds the icon and menu when enabled (afresh when `rebuild`), removes them when not.
    void configure(bool enabled, bool rebuild = false);
    bool exists() const { return m_tray != nullptr; }
    // Whether the desktop shows tray icons at all (stock GNOME does not).
    static bool systemTrayAvailable();
    void refresh(const StatusMenuPresentation& presentation, const QList<StatusMenuProviderItem>& providers,
                 const QStringList& profileNames);

    QMenu* menu() const { return m_menu.get(); }

private:
    void build();
    QAction* itemFor(StatusMenuAction action) const { return m_items.value(static_cast<int>(action)); }

    ShellActions& m_actions;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_stateItem = nullptr;
    QMenu* m_providerMenu = nullptr;
    QMenu* m_profileMenu = nullptr;
    QHash<int, QAction*> m_items;
};

}  // namespace ovisu
