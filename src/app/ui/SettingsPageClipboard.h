#pragma once

#include "app/ui/SettingsPage.h"
#include "app/SettingsCenterActions.h"

class QCheckBox;

namespace ovisu {

// "剪贴板": translating copied Japanese text instead of reading a game window.
class SettingsPageClipboard : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageClipboard(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    SettingsCenterActions& m_actions;
    QCheckBox* m_monitoring = nullptr;
    QCheckBox* m_strict = nullptr;
};

}  // namespace ovisu
