#pragma once

#include "engine/Provider.h"

#include <QList>

class QMenuBar;
class QMainWindow;

namespace ovisu {

class ShellActions;

// The application's menus on the main window's menu bar: Ovisu, 文件, 编辑, 视图, 翻译引擎, 窗口 and
// 帮助. Rebuilt when the set of enabled sources changes.
void buildApplicationMenu(QMainWindow& window, ShellActions& actions, const QList<Provider>& visibleProviders);
// Checks the source in use in 翻译引擎 (the fallback may change it without the menu's doing).
void showCurrentProviderInApplicationMenu(QMainWindow& window, Provider current);
// Checks or clears the clipboard mode's item.
void showClipboardMonitoringInApplicationMenu(QMainWindow& window, bool enabled);

}  // namespace ovisu
