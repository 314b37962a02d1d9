#pragma once

#include "engine/TranslationProfile.h"

#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// The saved profiles, kept as one JSON array under the settings key "translationProfiles".
class TranslationProfileStore {
public:
    explicit TranslationProfileStore(SettingsStore& settings);

    // Sorted by name. A stored list that cannot be decoded reads as empty; loadError() then says why.
    QList<TranslationProfile> load();
    std::optional<QString> loadError() const { return m_loadError; }

    // Replaces the whole list. An undecodable stored list is copied aside first; when that copy
    // cannot be written nothing is saved.
    std::expected<void, QString> save(const QList<TranslationProfile>& profiles);

private:
    SettingsStore& m_settings;
    std::optional<QString> m_loadError;
};

}  // namespace ovisu
