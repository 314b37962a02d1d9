#pragma once

#include "app/ui/SettingsPage.h"
#include "app/SettingsCenterActions.h"

class QCheckBox;

namespace ovisu {

// "快捷键与系统托盘": the global hot keys and the tray icon.
class SettingsPageHotKeys : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageHotKeys(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    SettingsCenterActions& m_actions;
    QCheckBox* m_hotKeys = nullptr;
    QWidget* m_hotKeyList = nullptr;
    QCheckBox* m_statusItem = nullptr;
};

}  // namespace ovisu
