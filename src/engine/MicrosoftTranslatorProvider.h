#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// Azure Translator v3; the model field carries the resource region, which may be empty.
class MicrosoftTranslatorProvider final : public TranslationProviderAdapter {
public:
    QString id() const override;
    QString displayName() const override;
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::none(); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;
};

}  // namespace ovisu
