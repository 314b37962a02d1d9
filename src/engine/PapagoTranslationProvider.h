#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// NAVER Cloud Papago; the model field carries the Client ID, the key the Client Secret.
class PapagoTranslationProvider final : public TranslationProviderAdapter {
public:
    QString id() const override;
    QString displayName() const override;
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::none(); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;
};

}  // namespace ovisu
