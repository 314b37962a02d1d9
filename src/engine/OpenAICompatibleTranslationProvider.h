#pragma once

#include "engine/TranslationProviderAdapter.h"

namespace ovisu {

// OpenAI-style services: chat completions (DeepSeek, the local llama-servers and most clouds) or
// the Responses API (OpenAI, Doubao).
class OpenAICompatibleTranslationProvider final : public TranslationProviderAdapter {
public:
    enum class ProtocolStyle { responses, chatCompletions };

    OpenAICompatibleTranslationProvider(QString id, QString displayName, ProtocolStyle style,
                                        TranslationCapabilities capabilities);

    QString id() const override { return m_id; }
    QString displayName() const override { return m_displayName; }
    TranslationCapabilities capabilities() const override { return m_capabilities; }
    ProtocolStyle style() const { return m_style; }

    RequestResult makeRequest(const QString& text, const TranslationProviderConfiguration& configuration) const override;
    std::optional<QString> parseResponse(const QByteArray& data) const override;
    std::optional<QString> parseError(const QByteArray& data) const override;

    static QString fallbackPrompt();

private:
    const QString m_id;
    const QString m_displayName;
    const ProtocolStyle m_style;
    const TranslationCapabilities m_capabilities;
};

}  // namespace ovisu
