#pragma once

#include "app/ui/SettingsPage.h"
#include "app/SettingsCenterActions.h"

class QCheckBox;

namespace ovisu {

// "朗读": reading each translation aloud.
class SettingsPageSpeech : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageSpeech(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    SettingsCenterActions& m_actions;
    QCheckBox* m_automatic = nullptr;
};

}  // namespace ovisu
