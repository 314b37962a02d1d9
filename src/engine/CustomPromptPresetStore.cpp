#include "engine/CustomPromptPresetStore.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/UndecodableSettingArchive.h"

namespace ovisu {

CustomPromptPresetStore::CustomPromptPresetStore(SettingsStore& settings) : m_settings(settings) {}

QList<TranslationPromptPreset> CustomPromptPresetStore::load() {
    m_loadError.reset();
    const QJsonValue stored = m_settings.value(SettingsKeys::customTranslationPromptPresets);
    if (stored.isUndefined() || stored.isNull()) return {};
    auto decoded = TranslationPromptPresetCodec::decodeList(stored);
    if (!decoded) {
        m_loadError = decoded.error();
        return {};
    }
    return std::move(*decoded);
}

std::expected<void, QString> CustomPromptPresetStore::save(const QList<TranslationPromptPreset>& presets) {
    const auto archived = archiveUndecodableSetting(m_settings, SettingsKeys::customTranslationPromptPresets,
                                                    [](const QJsonValue& stored) {
                                                        return TranslationPromptPresetCodec::decodeList(stored).has_value();
                                                    });
    if (!archived) return archived;
    if (auto written =
            m_settings.setArray(SettingsKeys::customTranslationPromptPresets, TranslationPromptPresetCodec::encodeList(presets));
        !written)
        return written;
    m_loadError.reset();
    return {};
}

}  // namespace ovisu
