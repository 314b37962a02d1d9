#include "engine/TranslationProfiles.h"

#include "base/AtomicFile.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace ovisu {
namespace {

QString perSource(const QString& prefix, Provider provider) {
    return SettingsKeys::perSource(prefix, rawValue(provider));
}

QString importErrorTitle() { return QStringLiteral("无法导入 Prompt"); }

// Collects the first failed settings write, so one failure is reported but later writes still run.
class WriteLog {
public:
    void note(const std::expected<void, QString>& result) {
        if (!result && !m_error) m_error = result.error();
    }
    const std::optional<QString>& error() const { return m_error; }

private:
    std::optional<QString> m_error;
};

}  // namespace

TranslationProfiles::TranslationProfiles(SettingsStore& settings, ProviderSelection& selection,
                                         ProviderSettings& providerSettings)
    : m_settings(settings),
      m_selection(selection),
      m_providerSettings(providerSettings),
      m_profileStore(settings),
      m_presetStore(settings),
      m_profiles(m_profileStore.load()),
      m_customPresets(m_presetStore.load()) {}

QString TranslationProfiles::noProfilesTitle() { return QStringLiteral("尚未保存配置"); }

std::optional<TranslationProfile> TranslationProfiles::profileNamed(const QString& name) const {
    for (const TranslationProfile& profile : m_profiles)
        if (TranslationProfileCodec::sameName(profile.name, name)) return profile;
    return std::nullopt;
}

TranslationProfile TranslationProfiles::currentSettingsProfile(const QString& name) {
    const Provider provider = m_selection.currentProvider();
    TranslationProfile profile;
    profile.name = name;
    profile.providerRawValue = rawValue(provider);
    profile.model = m_providerSettings.model(provider);
    profile.endpoint = m_providerSettings.endpoint(provider);
    profile.prompt = m_providerSettings.prompt(provider);
    profile.userPromptTemplate = m_providerSettings.userPromptTemplate(provider);
    if (const QJsonValue presetID = m_settings.value(perSource(SettingsKeys::promptPresetPrefix, provider));
        presetID.isString())
        profile.promptPresetID = presetID.toString();
    profile.workContext = m_settings.stringValue(SettingsKeys::translationWorkContext);
    profile.glossary = m_settings.stringValue(SettingsKeys::translationGlossary);
    profile.filterThinking =
        m_settings.boolValue(SettingsKeys::filterThinkingOutput, SettingsDefaults::filterThinkingOutput);
    profile.streamingEnabled =
        m_settings.boolValue(SettingsKeys::translationStreamingEnabled, SettingsDefaults::translationStreamingEnabled);
    profile.deepSeekThinkingDisabled =
        m_settings.boolValue(SettingsKeys::deepSeekThinkingDisabled, SettingsDefaults::deepSeekThinkingDisabled);
    profile.temperature =
        m_settings.doubleValue(SettingsKeys::translationTemperature, SettingsDefaults::translationTemperature);
    profile.maxTokens = m_settings.intValue(SettingsKeys::translationMaxTokens, SettingsDefaults::translationMaxTokens);
    profile.topP = m_settings.doubleValue(SettingsKeys::translationTopP, SettingsDefaults::translationTopP);
    profile.contextCount =
        m_settings.intValue(SettingsKeys::translationContextCount, SettingsDefaults::translationContextCount);
    return profile;
}

std::expected<TranslationProfile, QString> TranslationProfiles::saveCurrentTranslationProfile(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) return std::unexpected(QStringLiteral("name required"));

    const TranslationProfile profile = currentSettingsProfile(trimmed);
    QList<TranslationProfile> updated = m_profiles;
    updated.removeIf([&trimmed](const TranslationProfile& existing) {
        return TranslationProfileCodec::sameName(existing.name, trimmed);
    });
    updated.append(profile);
    TranslationProfileCodec::sortByName(updated);
    if (auto saved = m_profileStore.save(updated); !saved) return std::unexpected(saved.error());
    m_profiles = std::move(updated);
    return profile;
}

std::expected<QString, QString> TranslationProfiles::applyTranslationProfile(const TranslationProfile& profile) {
    const auto provider = providerFromRawValue(profile.providerRawValue);
    if (!provider)
        return std::unexpected(QStringLiteral("配置“%1”使用了未知的翻译源（%2），无法应用")
                                   .arg(profile.name)
                                   .arg(profile.providerRawValue));

    if (!m_selection.enabledProviders().contains(*provider)) m_selection.providerVisibilityChanged(*provider, true);
    m_selection.providerChanged(*provider);

    WriteLog writes;
    writes.note(m_settings.setString(perSource(SettingsKeys::modelPrefix, *provider), profile.model));
    writes.note(m_settings.setString(perSource(SettingsKeys::endpointPrefix, *provider), profile.endpoint));
    if (*provider != Provider::google)
        writes.note(m_settings.setString(perSource(SettingsKeys::promptPrefix, *provider), profile.prompt));
    if (profile.userPromptTemplate)
        writes.note(
            m_settings.setString(perSource(SettingsKeys::userPromptPrefix, *provider), *profile.userPromptTemplate));
    if (profile.promptPresetID)
        writes.note(m_settings.setString(perSource(SettingsKeys::promptPresetPrefix, *provider), *profile.promptPresetID));
    if (profile.workContext) writes.note(m_settings.setString(SettingsKeys::translationWorkContext, *profile.workContext));
    if (profile.glossary) writes.note(m_settings.setString(SettingsKeys::translationGlossary, *profile.glossary));
    if (profile.filterThinking) writes.note(m_settings.setBool(SettingsKeys::filterThinkingOutput, *profile.filterThinking));
    if (profile.streamingEnabled)
        writes.note(m_settings.setBool(SettingsKeys::translationStreamingEnabled, *profile.streamingEnabled));
    if (profile.deepSeekThinkingDisabled)
        writes.note(m_settings.setBool(SettingsKeys::deepSeekThinkingDisabled, *profile.deepSeekThinkingDisabled));
    writes.note(m_settings.setDouble(SettingsKeys::translationTemperature, profile.temperature));
    writes.note(m_settings.setInt(SettingsKeys::translationMaxTokens, profile.maxTokens));
    writes.note(m_settings.setDouble(SettingsKeys::translationTopP, profile.topP));
    writes.note(m_settings.setInt(SettingsKeys::translationContextCount, profile.contextCount));
    if (writes.error()) return std::unexpected(*writes.error());

    return QStringLiteral("已切换配置：") + profile.name;
}

std::expected<void, QString> TranslationProfiles::deleteTranslationProfile(const QString& name) {
    QList<TranslationProfile> updated = m_profiles;
    const auto removed = updated.removeIf([&name](const TranslationProfile& existing) {
        return TranslationProfileCodec::sameName(existing.name, name);
    });
    if (removed == 0) return std::unexpected(QStringLiteral("没有名为“%1”的配置").arg(name));
    if (auto saved = m_profileStore.save(updated); !saved) return saved;
    m_profiles = std::move(updated);
    return {};
}

QList<TranslationPromptPreset> TranslationProfiles::allPresets() const {
    return TranslationPromptPreset::builtIns() + m_customPresets;
}

std::optional<TranslationPromptPreset> TranslationProfiles::preset(const QString& id) const {
    for (const TranslationPromptPreset& candidate : allPresets())
        if (candidate.id == id) return candidate;
    return std::nullopt;
}

std::expected<void, QString> TranslationProfiles::storeCustomPreset(const TranslationPromptPreset& preset) {
    QList<TranslationPromptPreset> updated = m_customPresets;
    updated.append(preset);
    if (auto saved = m_presetStore.save(updated); !saved) return saved;
    m_customPresets = std::move(updated);
    return {};
}

std::expected<TranslationPromptPreset, QString> TranslationProfiles::savePromptPresetAs(const QString& name,
                                                                                        const QString& systemPrompt,
                                                                                        const QString& userTemplate) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) return std::unexpected(QStringLiteral("name required"));
    const TranslationPromptPreset preset{TranslationPromptPreset::newCustomID(), trimmed, systemPrompt, userTemplate};
    if (auto stored = storeCustomPreset(preset); !stored) return std::unexpected(stored.error());
    return preset;
}

std::expected<TranslationPromptPreset, PromptImportError> TranslationProfiles::importPromptPreset(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(PromptImportError{importErrorTitle(), QStringLiteral("无法读取文件“%1”：%2")
                                                                         .arg(path, file.errorString())});
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::unexpected(PromptImportError{importErrorTitle(), QStringLiteral("无法读取文件“%1”：%2")
                                                                         .arg(path, file.errorString())});

    const QFileInfo info(path);
    std::optional<TranslationPromptPreset> preset;
    if (info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0) {
        preset = TranslationPromptPresetCodec::decode(bytes);
        if (preset) preset->id = TranslationPromptPreset::newCustomID();
    }
    if (!preset) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return std::unexpected(PromptImportError{
                importErrorTitle(), QStringLiteral("文件不是有效的 UTF-8 文本或Ovisu Prompt JSON。")});
        preset = TranslationPromptPreset{TranslationPromptPreset::newCustomID(), info.completeBaseName(), text,
                                         DefaultPrompts::shortTemplate()};
    }
    if (auto stored = storeCustomPreset(*preset); !stored)
        return std::unexpected(PromptImportError{importErrorTitle(), stored.error()});
    return *preset;
}

std::expected<void, QString> TranslationProfiles::exportPromptPreset(const QString& id, const QString& path) const {
    const auto found = preset(id);
    if (!found) return std::unexpected(QStringLiteral("no prompt preset has the id “%1”").arg(id));
    return writePromptPreset(*found, path);
}

std::expected<void, QString> TranslationProfiles::writePromptPreset(const TranslationPromptPreset& preset,
                                                                    const QString& path) {
    return writeFileAtomically(path, TranslationPromptPresetCodec::encode(preset));
}

TranslationPromptPreset TranslationProfiles::exportedPreset(const std::optional<QString>& id,
                                                            const std::optional<QString>& title,
                                                            const QString& systemPrompt, const QString& userTemplate) {
    return {id.value_or(QStringLiteral("exported")), title.value_or(QStringLiteral("Ovisu Prompt")), systemPrompt,
            userTemplate};
}

QString TranslationProfiles::proposedExportFileName(const TranslationPromptPreset& preset) {
    // A slash in a preset name would turn the proposed name into a path.
    QString name = preset.name;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".json");
}

AILocalizationDefaults TranslationProfiles::resetAILocalization(Provider provider) {
    if (provider == Provider::hyMTLocal)
        return {DefaultPrompts::hymt(), DefaultPrompts::hymtTemplate(), QStringLiteral("builtin.hy-mt2-otome")};
    return {DefaultPrompts::otome(), DefaultPrompts::shortTemplate(), QStringLiteral("builtin.otome-localization")};
}

}  // namespace ovisu
