#pragma once

#include "app/ui/SettingsPage.h"
#include "overlay/OverlaySettingsActions.h"

#include <QList>

class QCheckBox;
class QComboBox;

namespace ovisu {

// "悬浮窗行为": what the overlay shows and how it reacts to the mouse, and how many sentences it
// keeps.
class SettingsPageOverlayBehavior : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageOverlayBehavior(SettingsStore& settings, OverlaySettingsActions& actions, QWidget* parent = nullptr);

    void render() override;

private:
    OverlaySettingsActions& m_actions;
    struct BehaviorBox {
        QString key;
        bool defaultValue;
        QCheckBox* box;
    };
    QList<BehaviorBox> m_boxes;
    QComboBox* m_historyLimit = nullptr;
};

}  // namespace ovisu
