#include "engine/TranslationProfileStore.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/UndecodableSettingArchive.h"

namespace ovisu {

TranslationProfileStore::TranslationProfileStore(SettingsStore& settings) : m_settings(settings) {}

QList<TranslationProfile> TranslationProfileStore::load() {
    m_loadError.reset();
    const QJsonValue stored = m_settings.value(SettingsKeys::translationProfiles);
    if (stored.isUndefined() || stored.isNull()) return {};
    auto decoded = TranslationProfileCodec::decode(stored);
    if (!decoded) {
        m_loadError = decoded.error();
        return {};
    }
    return std::move(*decoded);
}

std::expected<void, QString> TranslationProfileStore::save(const QList<TranslationProfile>& profiles) {
    const auto archived = archiveUndecodableSetting(m_settings, SettingsKeys::translationProfiles,
                                                    [](const QJsonValue& stored) {
                                                        return TranslationProfileCodec::decode(stored).has_value();
                                                    });
    if (!archived) return archived;
    if (auto written = m_settings.setArray(SettingsKeys::translationProfiles, TranslationProfileCodec::encode(profiles));
        !written)
        return written;
    m_loadError.reset();
    return {};
}

}  // namespace ovisu
