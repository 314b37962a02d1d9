#pragma once

#include "app/ui/SettingsPage.h"

class QCheckBox;

namespace ovisu {

// "朗读": reading each translation aloud.
class SettingsPageSpeech : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageSpeech(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    QCheckBox* m_automatic = nullptr;
};

}  // namespace ovisu
