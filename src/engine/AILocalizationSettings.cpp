#include "engine/AILocalizationSettings.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationGlossaryFormatter.h"

namespace ovisu {
namespace {

QString perSource(const QString& prefix, Provider provider) {
    return SettingsKeys::perSource(prefix, rawValue(provider));
}

}  // namespace

AILocalizationSettings::AILocalizationSettings(SettingsStore& settings, ProviderSettings& providerSettings)
    : m_settings(settings), m_providerSettings(providerSettings) {}

AILocalizationValues AILocalizationSettings::load(Provider provider) const {
    AILocalizationValues values;
    values.prompt = m_providerSettings.prompt(provider);
    values.userPromptTemplate = m_providerSettings.userPromptTemplate(provider);
    const QString presetID = m_settings.stringValue(perSource(SettingsKeys::promptPresetPrefix, provider));
    if (!presetID.isEmpty()) values.presetID = presetID;
    values.workContext = m_settings.stringValue(SettingsKeys::translationWorkContext);
    values.glossary = m_settings.stringValue(SettingsKeys::translationGlossary);
    values.bilingualProperNouns =
        m_settings.boolValue(SettingsKeys::bilingualProperNouns, SettingsDefaults::bilingualProperNouns);
    values.filterThinkingOutput =
        m_settings.boolValue(SettingsKeys::filterThinkingOutput, SettingsDefaults::filterThinkingOutput);
    return values;
}

std::expected<QString, QString> AILocalizationSettings::saveAILocalization(Provider provider,
                                                                          const AILocalizationValues& values) {
    // A source without prompts would never read them; storing them would only leave stray keys.
    if (!ProviderCatalogue::isPromptCapable(provider))
        return std::unexpected(
            QStringLiteral("%1 不使用 Prompt，AI 本地化设置未保存。").arg(ProviderCatalogue::title(provider)));

    std::optional<QString> firstError;
    const auto note = [&firstError](const std::expected<void, QString>& result) {
        if (!result && !firstError) firstError = result.error();
    };
    note(m_settings.setString(perSource(SettingsKeys::promptPrefix, provider), values.prompt));
    note(m_settings.setString(perSource(SettingsKeys::userPromptPrefix, provider), values.userPromptTemplate));
    if (values.presetID)
        note(m_settings.setString(perSource(SettingsKeys::promptPresetPrefix, provider), *values.presetID));
    note(m_settings.setString(SettingsKeys::translationWorkContext, values.workContext));
    note(m_settings.setString(SettingsKeys::translationGlossary, TranslationGlossaryFormatter::normalized(values.glossary)));
    note(m_settings.setBool(SettingsKeys::bilingualProperNouns, values.bilingualProperNouns));
    note(m_settings.setBool(SettingsKeys::filterThinkingOutput, values.filterThinkingOutput));
    if (firstError) return std::unexpected(*firstError);
    return appliedStatus(provider);
}

QString AILocalizationSettings::appliedStatus(Provider provider) {
    return QStringLiteral("AI 本地化设置已应用到 ") + ProviderCatalogue::title(provider);
}

}  // namespace ovisu
