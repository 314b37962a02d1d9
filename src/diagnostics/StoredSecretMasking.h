#pragma once

#include <QString>
#include <QStringList>

namespace ovisu {

// Every non-empty secret of the credential file, longest first: a key that contains another is
// masked whole before the shorter one could cut it apart.
QStringList storedSecrets();

// The text with each of the secrets (in every form maskStoredSecretIn knows) replaced by its
// masked form: what leaves the program for a developer never carries a key in clear.
QString maskSecretsIn(QString text, const QStringList& secrets);

}  // namespace ovisu
