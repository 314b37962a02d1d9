#pragma once

#include "engine/HttpRequest.h"
#include "engine/TranslationProviderConfiguration.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>


// What the three chat adapters share: the system prompt choice, the rendered user message and a
// JSON POST to the configured endpoint.
namespace ovisu::ChatRequestSupport {

inline const QString sourceLanguage = QStringLiteral("日语");
inline const QString targetLanguage = QStringLiteral("简体中文");

// The configured system prompt, or the adapter's own when none is configured.
QString systemPrompt(const TranslationProviderConfiguration& configuration, const QString& fallback);
QString userMessage(const QString& text, const TranslationProviderConfiguration& configuration);
QJsonArray systemAndUserMessages(const QString& system, const QString& user);

HttpRequest jsonPost(const TranslationProviderConfiguration& configuration, const QList<HttpHeader>& headers,
                     const QJsonObject& body);

}  // namespace ovisu::ChatRequestSupport
