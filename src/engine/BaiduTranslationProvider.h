#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// Baidu's general translation API with its MD5 signature; the model field carries the APPID.
class BaiduTranslationProvider final : public TranslationProviderAdapter {
public:
    QString id() const override;
    QString displayName() const override;
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::none(); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;

    static QString sign(const QString& appid, const QString& text, const QString& salt, const QString& key);
};

}  // namespace ovisu
