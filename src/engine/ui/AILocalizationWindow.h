#pragma once

#include "engine/AILocalizationSettings.h"
#include "engine/Provider.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace ovisu {

class ProviderSelection;
class ProviderSettings;
class SettingsStore;
class TranslationProfiles;
class TranslationSettingsActions;

// "AI 本地化": the prompts, template and preset of one prompt-capable source, with the shared work
// context, glossary and switches. Edits reach the settings only through "保存并应用"; choosing
// another source or closing the window drops them.
class AILocalizationWindow : public QDialog {
    Q_OBJECT
public:
    // The name for "另存预设…"; none when the user does not answer "保存".
    using NamePrompt = std::function<std::optional<QString>(QWidget* parent)>;
    // A file to import; none when cancelled.
    using OpenFilePicker = std::function<std::optional<QString>(QWidget* parent)>;
    // Where to export, proposing a file name; none when cancelled.
    using SaveFilePicker = std::function<std::optional<QString>(QWidget* parent, const QString& proposedFileName)>;
    // An alert with a single acknowledging button.
    using Alert = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
    using Beep = std::function<void()>;

    AILocalizationWindow(SettingsStore& settings, ProviderSettings& providerSettings, ProviderSelection& selection,
                         TranslationProfiles& profiles, TranslationSettingsActions& actions,
                         QWidget* parent = nullptr);

    // Chooses the current source (or openAI when it takes no prompt), loads it, centres the
    // window and brings it to the front.
    void openAILocalizationSettings();
    // The same without showing: what opening fills in.
    void loadForOpening();

    void setNamePrompt(NamePrompt prompt) { m_namePrompt = std::move(prompt); }
    void setOpenFilePicker(OpenFilePicker picker) { m_openFilePicker = std::move(picker); }
    void setSaveFilePicker(SaveFilePicker picker) { m_saveFilePicker = std::move(picker); }
    void setAlert(Alert alert) { m_alert = std::move(alert); }
    void setBeep(Beep beep) { m_beep = std::move(beep); }

    // The source being edited.
    Provider selectedProvider() const;
    // Rebuilds the preset pop-up (built-ins, then the user's presets) and selects the preset with
    // that id when it is listed; otherwise nothing is selected.
    void refreshPromptPresetPopup(const std::optional<QString>& selecting);
    std::optional<QString> selectedPresetID() const;

    // The actions behind the buttons.
    void aiLocalizationProviderChanged();
    void applySelectedPromptPreset();
    void savePromptPresetAs();
    void importPromptPreset();
    void exportPromptPreset();
    void normalizeTranslationGlossary();
    void resetAILocalization();
    void saveAILocalization();
    void closeAILocalization();

    // The values in the controls, as a save would store them.
    AILocalizationValues editedValues() const;

    QComboBox* providerPopup() const { return m_providerPopup; }
    QTabWidget* tabs() const { return m_tabs; }
    QComboBox* presetPopup() const { return m_presetPopup; }
    QPlainTextEdit* systemPromptEditor() const { return m_systemPromptEditor; }
    QPlainTextEdit* userTemplateEditor() const { return m_userTemplateEditor; }
    QPlainTextEdit* workContextEditor() const { return m_workContextEditor; }
    QPlainTextEdit* glossaryEditor() const { return m_glossaryEditor; }
    QCheckBox* filterThinkingCheckBox() const { return m_filterThinkingCheckBox; }
    QCheckBox* bilingualProperNounsCheckBox() const { return m_bilingualCheckBox; }
    QPushButton* applyPresetButton() const { return m_applyPresetButton; }
    QPushButton* savePresetAsButton() const { return m_savePresetAsButton; }
    QPushButton* importButton() const { return m_importButton; }
    QPushButton* exportButton() const { return m_exportButton; }
    QPushButton* normalizeButton() const { return m_normalizeButton; }
    QPushButton* resetButton() const { return m_resetButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    QPushButton* closeButton() const { return m_closeButton; }

private:
    QWidget* buildPromptTab();
    QWidget* buildWorkTab();
    QWidget* buildGlossaryTab();
    void loadProvider(Provider provider);
    void selectProvider(Provider provider);
    void beep();

    ProviderSelection& m_selection;
    TranslationProfiles& m_profiles;
    TranslationSettingsActions& m_actions;
    AILocalizationSettings m_localization;

    NamePrompt m_namePrompt;
    OpenFilePicker m_openFilePicker;
    SaveFilePicker m_saveFilePicker;
    Alert m_alert;
    Beep m_beep;

    QComboBox* m_providerPopup = nullptr;
    QTabWidget* m_tabs = nullptr;
    QComboBox* m_presetPopup = nullptr;
    QPlainTextEdit* m_systemPromptEditor = nullptr;
    QPlainTextEdit* m_userTemplateEditor = nullptr;
    QPlainTextEdit* m_workContextEditor = nullptr;
    QPlainTextEdit* m_glossaryEditor = nullptr;
    QCheckBox* m_filterThinkingCheckBox = nullptr;
    QCheckBox* m_bilingualCheckBox = nullptr;
    QPushButton* m_applyPresetButton = nullptr;
    QPushButton* m_savePresetAsButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_normalizeButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

}  // namespace ovisu
