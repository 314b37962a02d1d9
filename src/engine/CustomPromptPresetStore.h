#pragma once

#include "engine/TranslationPromptPreset.h"

#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// The user's own prompt presets, in the order they were added, kept as one JSON array under the
// settings key "customTranslationPromptPresets".
class CustomPromptPresetStore {
public:
    explicit CustomPromptPresetStore(SettingsStore& settings);

    // A stored list that cannot be decoded reads as empty; loadError() then says why.
    QList<TranslationPromptPreset> load();
    std::optional<QString> loadError() const { return m_loadError; }

    // Replaces the whole list. An undecodable stored list is copied aside first; when that copy
    // cannot be written nothing is saved.
    std::expected<void, QString> save(const QList<TranslationPromptPreset>& presets);

private:
    SettingsStore& m_settings;
    std::optional<QString> m_loadError;
};

}  // namespace ovisu
