#pragma once

#include "engine/Provider.h"
#include "engine/ProviderConnectionTest.h"
#include "engine/ProviderFields.h"

#include <QDialog>
#include <QString>

#include <expected>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ovisu {

class ProviderSelection;
class ProviderSettings;
class SettingsStore;
class TranslationSettingsActions;

// "配置翻译源": the secret, model, endpoint and prompt of one source at a time. Edits reach the
// settings and the credential file only through saveProviderFields: on switching sources, on
// "完成", on closing and before a connection test. Built once and kept; closing only hides it.
class ProviderSettingsWindow : public QDialog {
    Q_OBJECT
public:
    ProviderSettingsWindow(SettingsStore& settings, ProviderSelection& selection, ProviderSettings& providerSettings,
                           ConnectionTestServices connectionServices, TranslationSettingsActions& actions,
                           QWidget* parent = nullptr);
    ~ProviderSettingsWindow() override;

    // Opens the window on the current source (saving what was being edited when it is open).
    void present();
    // Opens the window on this source, centred and in front.
    void openFor(Provider provider);

    Provider providerSettingsProvider() const { return m_provider; }
    bool isKeyVisible() const { return m_keyVisible; }

    // Writes the shown fields for the source being edited; a failure is also shown in the status line.
    std::expected<void, QString> saveProviderFields();
    // Fills every control from the stored values of the source.
    void loadProviderFields(Provider provider);

    void toggleAPIKeyVisibility();
    void copyAPIKey();
    void pasteAPIKey();
    void testProviderConnection();
    void openCurrentProviderAcquisition();
    // The service row's button: start, stop, or install and start the source's server.
    void startLocalModel();
    // The service row again, from the program's state (the server moved on, an install ended).
    void refreshLocalServiceRow();
    // A started server stores the model it announces: the field shows it.
    void showStoredModel();
    // Saves and hides. A save failure keeps the window open once, so the message is seen.
    void closeProviderSettings();

    QComboBox* providerPopup() const { return m_providerPopup; }
    QLabel* keyLabel() const { return m_keyLabel; }
    QLineEdit* secureKeyField() const { return m_secureKeyField; }
    QLineEdit* plainKeyField() const { return m_plainKeyField; }
    QPushButton* visibilityButton() const { return m_visibilityButton; }
    QPushButton* copyButton() const { return m_copyButton; }
    QPushButton* pasteButton() const { return m_pasteButton; }
    QLabel* modelLabel() const { return m_modelLabel; }
    QLineEdit* modelField() const { return m_modelField; }
    QLineEdit* endpointField() const { return m_endpointField; }
    QPlainTextEdit* promptEditor() const { return m_promptEditor; }
    QLabel* noteLabel() const { return m_noteLabel; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QPushButton* startLocalModelButton() const { return m_startLocalModelButton; }
    QLabel* localServiceStatus() const { return m_serviceStatus; }
    QPushButton* testButton() const { return m_testButton; }
    QPushButton* acquisitionButton() const { return m_acquisitionButton; }
    QPushButton* doneButton() const { return m_doneButton; }

public slots:
    // Esc and the window's close button come here too.
    void reject() override;

private:
    void buildInterface();
    void providerSettingsSelectionChanged(int index);
    QLineEdit* visibleKeyField() const;
    ProviderFields shownFields() const;
    void showStatus(const QString& text, std::optional<ConnectionTestState> state = std::nullopt);

    SettingsStore& m_settings;
    ProviderSelection& m_selection;
    ProviderSettings& m_providerSettings;
    TranslationSettingsActions& m_actions;
    ProviderConnectionTest m_connectionTest;

    Provider m_provider = Provider::google;
    bool m_keyVisible = false;
    bool m_closeFailureShown = false;

    QComboBox* m_providerPopup = nullptr;
    QLabel* m_keyLabel = nullptr;
    QLineEdit* m_secureKeyField = nullptr;
    QLineEdit* m_plainKeyField = nullptr;
    QPushButton* m_visibilityButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_pasteButton = nullptr;
    QLabel* m_modelLabel = nullptr;
    QLineEdit* m_modelField = nullptr;
    QLineEdit* m_endpointField = nullptr;
    QPlainTextEdit* m_promptEditor = nullptr;
    QLabel* m_noteLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_serviceTitle = nullptr;
    QLabel* m_serviceStatus = nullptr;
    QPushButton* m_startLocalModelButton = nullptr;
    QPushButton* m_testButton = nullptr;
    QPushButton* m_acquisitionButton = nullptr;
    QPushButton* m_doneButton = nullptr;
};

}  // namespace ovisu
