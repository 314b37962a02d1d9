#pragma once

#include "engine/TranslationParameters.h"

#include <QString>
#include <QWidget>

#include <expected>


class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace ovisu {

class SettingsStore;
class TranslationSettingsActions;

// "翻译参数": temperature, max tokens, top P, the context count and three switches. Every change
// stores all seven settings at once. The window is built once and kept; present() shows it
// with the stored values.
class TranslationParametersWindow : public QWidget {
    Q_OBJECT
public:
    TranslationParametersWindow(SettingsStore& settings, TranslationSettingsActions& actions,
                                QWidget* parent = nullptr);

    // Re-reads the settings into the controls, centres the window and brings it to the front.
    void present();
    // Shows the stored values without storing anything.
    void render();

    // "恢复默认": stores the defaults, registers the hot keys again and shows the window anew.
    void resetTranslationSettings();

    const TranslationParameters& parameters() const { return m_parameters; }

    QSlider* temperatureSlider() const { return m_temperature; }
    QSlider* maxTokensSlider() const { return m_maxTokens; }
    QSlider* topPSlider() const { return m_topP; }
    QLabel* temperatureValue() const { return m_temperatureValue; }
    QLabel* maxTokensValue() const { return m_maxTokensValue; }
    QLabel* topPValue() const { return m_topPValue; }
    QComboBox* contextCountPopup() const { return m_contextCount; }
    QCheckBox* streamingBox() const { return m_streaming; }
    QCheckBox* deepSeekThinkingBox() const { return m_deepSeekThinking; }
    QCheckBox* globalHotKeysBox() const { return m_globalHotKeys; }
    QPushButton* resetButton() const { return m_resetButton; }
    QPushButton* doneButton() const { return m_doneButton; }
    QLabel* storeError() const { return m_storeError; }

private:
    // One control changed its field: store every field.
    void translationSettingChanged();
    void showValueLabels();
    void showStoreResult(const std::expected<void, QString>& written);

    SettingsStore& m_settings;
    TranslationSettingsActions& m_actions;
    TranslationParameters m_parameters;

    QSlider* m_temperature = nullptr;
    QSlider* m_maxTokens = nullptr;
    QSlider* m_topP = nullptr;
    QLabel* m_temperatureValue = nullptr;
    QLabel* m_maxTokensValue = nullptr;
    QLabel* m_topPValue = nullptr;
    QComboBox* m_contextCount = nullptr;
    QCheckBox* m_streaming = nullptr;
    QCheckBox* m_deepSeekThinking = nullptr;
    QCheckBox* m_globalHotKeys = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_doneButton = nullptr;
    QLabel* m_storeError = nullptr;
};

}  // namespace ovisu
