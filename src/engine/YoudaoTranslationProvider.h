#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// Youdao's text translation with the v3 signature; the model field carries the application ID,
// the key the application secret.
class YoudaoTranslationProvider final : public TranslationProviderAdapter {
public:
    QString id() const override;
    QString displayName() const override;
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::none(); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;

    // What the signature covers in place of the text: the text itself up to 20 user-perceived
    // characters, else its first 10, its character count and its last 10.
    static QString signatureInput(const QString& text);
    static QString sign(const QString& appKey, const QString& input, const QString& salt, const QString& curtime,
                        const QString& appSecret);
};

}  // namespace ovisu
