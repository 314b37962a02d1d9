#pragma once

#include "app/ui/ColorButton.h"
#include "app/ui/SettingsPage.h"
#include "overlay/OverlaySettingsActions.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace ovisu {

class FontSizeStepper;

// "悬浮窗样式": theme presets, colours, font and the spacing of the overlay's text.
class SettingsPageOverlayStyle : public SettingsPage {
    Q_OBJECT
public:
    using ColorPicker = ovisu::ColorPicker;

    SettingsPageOverlayStyle(SettingsStore& settings, OverlaySettingsActions& actions, QWidget* parent = nullptr);

    void render() override;
    void setColorPicker(ColorPicker picker) { m_colorPicker = std::move(picker); }

private:
    OverlaySettingsActions& m_actions;
    QPushButton* addColorButton(const QString& key, const QString& title);
    void chooseColor(const QString& key, const QString& title);
    void changeFontSize(int delta);
    SettingsSlider* addSlider(QGridLayout* grid, const QString& title, const QString& key, double minimum,
                              double maximum, double step, int decimals);

    ColorPicker m_colorPicker;
    SegmentedControl* m_theme = nullptr;
    QCheckBox* m_blur = nullptr;
    QCheckBox* m_duration = nullptr;
    QPushButton* m_backgroundColor = nullptr;
    QPushButton* m_textColor = nullptr;
    QComboBox* m_font = nullptr;
    FontSizeStepper* m_fontSize = nullptr;
    SettingsSlider* m_padding = nullptr;
    SettingsSlider* m_cornerRadius = nullptr;
    SettingsSlider* m_originalOpacity = nullptr;
    SettingsSlider* m_lineSpacing = nullptr;
    SegmentedControl* m_alignment = nullptr;
    SettingsSlider* m_windowOpacity = nullptr;
};

}  // namespace ovisu
