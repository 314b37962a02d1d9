#pragma once

#include "engine/Provider.h"

#include <QString>

#include <expected>

namespace ovisu {

class ProviderSettings;
class SettingsStore;

// What the source configuration window edits for one source. The values go to the settings and
// the credential file only through saveProviderFields, so a window that is closed mid-edit never
// leaves half a source behind.
struct ProviderFields {
    QString secret;
    QString model;
    QString endpoint;
    QString prompt;
};

// The sources whose secret the window stores: those whose key field is enabled. The local
// engines and the key-less sources keep whatever the credential file holds for them.
bool storesProviderSecret(Provider provider);

// The secret as it is stored: a key copied from a web console often brings a space or a line break
// along, which no service accepts.
QString normalizedProviderSecret(const QString& secret);

// The values the window shows for a source: the stored secret, model, endpoint and prompt (each
// with its default when nothing is stored).
ProviderFields loadProviderFields(ProviderSettings& providerSettings, Provider provider);

// Stores the secret (an empty one deletes the entry), "model.n", "endpoint.n" and, for sources
// that use a prompt, "prompt.n". Every write is attempted; the first failure is returned as the
// sentence the window shows.
std::expected<void, QString> saveProviderFields(SettingsStore& settings, Provider provider, const ProviderFields& values);

}  // namespace ovisu
