#include "diagnostics/DiagnosticCredentials.h"

#include "base/SecretMasking.h"
#include "engine/LocalCredentialStore.h"
#include "engine/Provider.h"
#include "engine/ProviderSettings.h"

namespace ovisu {

QJsonObject diagnosticCredentials(const QList<DiagnosticSourceSettings>& sources) {
    QJsonObject credentials;
    for (const DiagnosticSourceSettings& source : sources) {
        credentials.insert(source.title + QStringLiteral(".apiKey"), maskedSecret(source.apiKey));
        credentials.insert(source.title + QStringLiteral(".endpoint"), source.endpoint);
        credentials.insert(source.title + QStringLiteral(".model"), source.model);
    }
    return credentials;
}

QList<DiagnosticSourceSettings> gatherDiagnosticSourceSettings(ProviderSettings& providerSettings) {
    QList<DiagnosticSourceSettings> sources;
    for (Provider provider : allProviders())
        sources.append({ProviderCatalogue::title(provider),
                        LocalCredentialStore::secret(ProviderCatalogue::credentialAccount(provider)),
                        providerSettings.endpoint(provider), providerSettings.model(provider)});
    return sources;
}

}  // namespace ovisu
