#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// Ollama's native /api/chat. Replies are always asked for whole: Ollama streams NDJSON, which the
// stream parser does not speak.
class OllamaTranslationProvider final : public TranslationProviderAdapter {
public:
    OllamaTranslationProvider();

    QString id() const override { return QStringLiteral("ollama-native"); }
    QString displayName() const override { return QStringLiteral("Ollama 本地"); }
    TranslationCapabilities capabilities() const override { return TranslationCapabilities::chat(false); }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;

    static QString fallbackPrompt();
};

}  // namespace ovisu
