#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// Anthropic's Messages API.
class ClaudeTranslationProvider final : public TranslationProviderAdapter {
public:
    ClaudeTranslationProvider();

    QString id() const override { return QStringLiteral("claude"); }
    QString displayName() const override { return QStringLiteral("Claude / Anthropic"); }
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::chat(true); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;

    static QString fallbackPrompt();
};

}  // namespace ovisu
