#pragma once

#include <QJsonValue>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ovisu {

class SettingsStore;
class TranslationProfiles;
class TranslationSettingsActions;

// The settings page "翻译": the ways into the translation settings windows, the fallback source
// and the saved profiles. Values are stored the moment they change; the page is read again
// whenever it is shown.
class SettingsPageTranslation : public QWidget {
    Q_OBJECT
public:
    using Beep = std::function<void()>;

    SettingsPageTranslation(SettingsStore& settings, TranslationProfiles& profiles,
                            TranslationSettingsActions& actions, QWidget* parent = nullptr);

    // Shows the stored fallback settings and the profile list, emitting nothing.
    void render();

    void saveCurrentTranslationProfile();
    void applySelectedTranslationProfile();
    void deleteSelectedTranslationProfile();
    // The profile pop-up's selected name; none when there are no profiles.
    std::optional<QString> selectedProfileName() const;

    QCheckBox* fallbackBox() const { return m_fallbackBox; }
    QComboBox* fallbackPopup() const { return m_fallbackPopup; }
    QLineEdit* profileNameField() const { return m_profileName; }
    QComboBox* profilePopup() const { return m_profilePopup; }
    QPushButton* saveProfileButton() const { return m_saveProfile; }
    QPushButton* applyProfileButton() const { return m_applyProfile; }
    QPushButton* deleteProfileButton() const { return m_deleteProfile; }
    QLabel* errorLabel() const { return m_error; }
    void setBeep(Beep beep) { m_beep = std::move(beep); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshProfilePopup(const std::optional<QString>& selecting);
    void storeSetting(const QString& key, const QJsonValue& value);

    SettingsStore& m_settings;
    TranslationProfiles& m_profiles;
    TranslationSettingsActions& m_actions;
    Beep m_beep;

    QCheckBox* m_fallbackBox = nullptr;
    QComboBox* m_fallbackPopup = nullptr;
    QLineEdit* m_profileName = nullptr;
    QComboBox* m_profilePopup = nullptr;
    QPushButton* m_saveProfile = nullptr;
    QPushButton* m_applyProfile = nullptr;
    QPushButton* m_deleteProfile = nullptr;
    QLabel* m_error = nullptr;
};

}  // namespace ovisu
