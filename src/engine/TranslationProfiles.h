#pragma once

#include "engine/CustomPromptPresetStore.h"
#include "engine/Provider.h"
#include "engine/TranslationProfile.h"
#include "engine/TranslationProfileStore.h"
#include "engine/TranslationPromptPreset.h"

#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class ProviderSelection;
class ProviderSettings;
class SettingsStore;

// Why a prompt file could not be imported, as the alert shows it.
struct PromptImportError {
    QString title;
    QString text;
};

// What the AI-localisation editors are reset to for a source.
struct AILocalizationDefaults {
    QString prompt;
    QString userPromptTemplate;
    QString presetID;
};

// Saved profiles and prompt presets: the logic behind the profile pop-up, the status menu's
// profile list and the preset pop-up. Both lists are loaded once here and written back whole
// after every change; a change that cannot be stored leaves the list as it was and is returned
// as an error. Windows decide how to show an error (a beep, an alert); nothing here shows one.
class TranslationProfiles {
public:
    TranslationProfiles(SettingsStore& settings, ProviderSelection& selection, ProviderSettings& providerSettings);

    // Shown instead of a profile list when there is none.
    static QString noProfilesTitle();

    // Why a stored list read as empty; it is kept aside before it is next replaced.
    std::optional<QString> profilesLoadError() const { return m_profileStore.loadError(); }
    std::optional<QString> presetsLoadError() const { return m_presetStore.loadError(); }

    // ---- Profiles
    const QList<TranslationProfile>& profiles() const { return m_profiles; }
    // Case-insensitive, as names are unique that way.
    std::optional<TranslationProfile> profileNamed(const QString& name) const;
    // The current source and translation settings under the given name.
    TranslationProfile currentSettingsProfile(const QString& name);
    // The name is trimmed; an empty one is refused. Replaces any profile of the same name in any
    // letter case and keeps the list sorted.
    std::expected<TranslationProfile, QString> saveCurrentTranslationProfile(const QString& name);
    // Enables and selects the profile's source and writes its settings. Absent optional fields
    // leave the current values alone. Returns the status text to show. Stopping a running
    // realtime session and closing settings windows are the caller's part.
    std::expected<QString, QString> applyTranslationProfile(const TranslationProfile& profile);
    std::expected<void, QString> deleteTranslationProfile(const QString& name);

    // ---- Prompt presets
    const QList<TranslationPromptPreset>& customPromptPresets() const { return m_customPresets; }
    // The built-ins, then the user's presets in stored order.
    QList<TranslationPromptPreset> allPresets() const;
    std::optional<TranslationPromptPreset> preset(const QString& id) const;
    // A new "custom." preset appended to the user's list; an empty trimmed name is refused.
    std::expected<TranslationPromptPreset, QString> savePromptPresetAs(const QString& name, const QString& systemPrompt,
                                                                       const QString& userTemplate);
    // A ".json" file (any letter case) holding a preset is imported with a new id; any other
    // file, or JSON that is not a preset, becomes a preset named after the file with its text as
    // system prompt and the short template. Text that is not UTF-8 is refused and adds nothing.
    std::expected<TranslationPromptPreset, PromptImportError> importPromptPreset(const QString& path);
    // Writes the preset with this id (built-in or the user's) to the file.
    std::expected<void, QString> exportPromptPreset(const QString& id, const QString& path) const;
    static std::expected<void, QString> writePromptPreset(const TranslationPromptPreset& preset, const QString& path);
    // What the export writes from the editors: the selected preset's id and title, or
    // "exported" and "Ovisu Prompt" when none is selected.
    static TranslationPromptPreset exportedPreset(const std::optional<QString>& id, const std::optional<QString>& title,
                                                  const QString& systemPrompt, const QString& userTemplate);
    static QString proposedExportFileName(const TranslationPromptPreset& preset);

    static AILocalizationDefaults resetAILocalization(Provider provider);

private:
    std::expected<void, QString> storeCustomPreset(const TranslationPromptPreset& preset);

    SettingsStore& m_settings;
    ProviderSelection& m_selection;
    ProviderSettings& m_providerSettings;
    TranslationProfileStore m_profileStore;
    CustomPromptPresetStore m_presetStore;
    QList<TranslationProfile> m_profiles;
    QList<TranslationPromptPreset> m_customPresets;
};

}  // namespace ovisu
