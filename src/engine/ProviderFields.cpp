#include "engine/ProviderFields.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSettings.h"

namespace ovisu {
namespace {

QString key(const QString& prefix, Provider provider) { return SettingsKeys::perSource(prefix, rawValue(provider)); }

}  // namespace

bool storesProviderSecret(Provider provider) { return ProviderCatalogue::keyFieldEnabled(provider); }

QString normalizedProviderSecret(const QString& secret) { return secret.trimmed(); }

ProviderFields loadProviderFields(ProviderSettings& providerSettings, Provider provider) {
    ProviderFields fields;
    fields.secret = LocalCredentialStore::secret(ProviderCatalogue::credentialAccount(provider));
    fields.model = providerSettings.model(provider);
    fields.endpoint = providerSettings.endpoint(provider);
    fields.prompt = providerSettings.prompt(provider);
    return fields;
}

std::expected<void, QString> saveProviderFields(SettingsStore& settings, Provider provider, const ProviderFields& values) {
    std::optional<QString> firstFailure;
    const auto note = [&firstFailure](const QString& failure) {
        if (!firstFailure) firstFailure = failure;
    };

    if (storesProviderSecret(provider)) {
        const auto saved = LocalCredentialStore::save(normalizedProviderSecret(values.secret),
                                                      ProviderCatalogue::credentialAccount(provider));
        if (!saved) note(QStringLiteral("本地凭据保存失败：") + saved.error());
    }

    QList<std::pair<QString, QString>> writes{{key(SettingsKeys::modelPrefix, provider), values.model},
                                              {key(SettingsKeys::endpointPrefix, provider), values.endpoint}};
    if (ProviderCatalogue::isPromptCapable(provider))
        writes.append({key(SettingsKeys::promptPrefix, provider), values.prompt});
    for (const auto& [settingKey, value] : writes) {
        const auto written = settings.setString(settingKey, value);
        if (!written) note(QStringLiteral("设置保存失败：") + written.error());
    }

    if (firstFailure) return std::unexpected(*firstFailure);
    return {};
}

}  // namespace ovisu
