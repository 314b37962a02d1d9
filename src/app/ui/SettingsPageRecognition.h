#pragma once

#include "app/ui/SettingsPage.h"
#include "capture/RecognitionSettingsActions.h"

class QCheckBox;
class QSpinBox;

namespace ovisu {

// "识别与轮询": how often and how eagerly the realtime session reads the game window.
class SettingsPageRecognition : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageRecognition(SettingsStore& settings, RecognitionSettingsActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    RecognitionSettingsActions& m_actions;
    SettingsSlider* m_interval = nullptr;
    QCheckBox* m_highPerformance = nullptr;
    SettingsSlider* m_threshold = nullptr;
    QSpinBox* m_stableHits = nullptr;
};

}  // namespace ovisu
