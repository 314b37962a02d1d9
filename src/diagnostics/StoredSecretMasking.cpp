#include "diagnostics/StoredSecretMasking.h"

#include "base/SecretMasking.h"
#include "engine/LocalCredentialStore.h"

#include <algorithm>

namespace ovisu {

QStringList storedSecrets() {
    QStringList secrets;
    for (const QString& value : LocalCredentialStore::readAll())
        if (!value.isEmpty()) secrets.append(value);
    std::sort(secrets.begin(), secrets.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return secrets;
}

QString maskSecretsIn(QString text, const QStringList& secrets) {
    for (const QString& secret : secrets) text = maskStoredSecretIn(text, secret);
    return text;
}

}  // namespace ovisu
