#pragma once

#include <QByteArray>
#include <QString>

namespace ovisu {

// "sk-abcdef123" -> "sk-*******23": the first 3 and last 2 characters, the rest as "*". A secret
// too short to keep 5 characters is masked whole, since showing them would show it all.
QString maskedSecret(const QString& secret);

// Replaces every occurrence of the secret in the text, raw, JSON-escaped or percent-encoded,
// by its masked form. Secrets never reach a terminal or a log in clear.
QString maskSecretIn(const QString& text, const QString& secret);

// maskSecretIn for a secret as stored and as sent: a key saved with a stray space or line break
// goes out trimmed, and a service echoes the form it received.
QString maskStoredSecretIn(const QString& text, const QString& storedSecret);

}  // namespace ovisu
