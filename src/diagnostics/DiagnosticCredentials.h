#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

namespace ovisu {

class ProviderSettings;

// What the package reports of one translation source.
struct DiagnosticSourceSettings {
    QString title;
    QString apiKey;  // as stored; "" when there is none
    QString endpoint;
    QString model;
};

// Three entries per source: title + ".apiKey" (masked as every other echo of a key is, never in
// clear), ".endpoint" and ".model".
QJsonObject diagnosticCredentials(const QList<DiagnosticSourceSettings>& sources);

// Every source in catalogue order with its stored secret (the credential file read afresh for each,
// under its lock), endpoint and model.
QList<DiagnosticSourceSettings> gatherDiagnosticSourceSettings(ProviderSettings& providerSettings);

}  // namespace ovisu
