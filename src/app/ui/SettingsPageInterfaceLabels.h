#pragma once

#include "app/ui/ColorButton.h"
#include "app/ui/SettingsPage.h"
#include "interface/InterfaceCenterActions.h"
#include "interface/UIOverlayAppearance.h"

class QCheckBox;
class QPushButton;

namespace ovisu {

class FontSizeStepper;

// "界面译文样式": how interface mode's labels sit on the game and how they look. The interface
// centre offers the same placement and font size; this page adds what only a settings window has
// room for (opacity, spacing, shadow, colours).
class SettingsPageInterfaceLabels : public SettingsPage {
    Q_OBJECT
public:
    SettingsPageInterfaceLabels(SettingsStore& settings, InterfaceCenterActions& actions, QWidget* parent = nullptr);

    void render() override;
    void setColorPicker(ColorPicker picker) { m_colorPicker = std::move(picker); }

private:
    SettingsSlider* addSlider(QGridLayout* grid, const QString& title, const QString& key, double minimum,
                              double maximum, double step, int decimals, const QString& suffix);
    QPushButton* addColorButton(const QString& key, const QString& title, QColor UIOverlayAppearance::*field);
    void storeAppearance(const QString& key, const QJsonValue& value);

    InterfaceCenterActions& m_actions;
    ColorPicker m_colorPicker;
    SegmentedControl* m_style = nullptr;
    QCheckBox* m_windowFollow = nullptr;
    FontSizeStepper* m_fontSize = nullptr;
    SettingsSlider* m_backgroundOpacity = nullptr;
    SettingsSlider* m_padding = nullptr;
    SettingsSlider* m_cornerRadius = nullptr;
    QCheckBox* m_shadow = nullptr;
    QPushButton* m_backgroundColor = nullptr;
    QPushButton* m_textColor = nullptr;
};

}  // namespace ovisu
