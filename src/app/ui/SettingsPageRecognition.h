#pragma once

#include "app/ui/SettingsPage.h"

class QCheckBox;
class QSpinBox;

namespace ovisu {

// "识别与轮询": how often and how eagerly the realtime session reads the game window.
class SettingsPageRecognition : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageRecognition(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    SettingsSlider* m_interval = nullptr;
    QCheckBox* m_highPerformance = nullptr;
    SettingsSlider* m_threshold = nullptr;
    QSpinBox* m_stableHits = nullptr;
};

}  // namespace ovisu
