#include "engine/DialogueCacheKey.h"

#include "base/OCRTextCleaner.h"

#include <QCryptographicHash>
#include <QStringList>

namespace ovisu {

QString dialogueCacheKey(const QString& text, const QString& providerTitle, const QString& model,
                         const QString& prompt, const QString& glossary, const QString& workContext) {
    const QStringList parts{OCRTextCleaner::comparisonForm(text), providerTitle, model, prompt, glossary, workContext};
    const QByteArray digest =
        QCryptographicHash::hash(parts.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex());
}

}  // namespace ovisu
