#include "engine/ChatRequestSupport.h"

#include "engine/TranslationPromptRenderer.h"

#include <QJsonDocument>

namespace ovisu::ChatRequestSupport {

QString systemPrompt(const TranslationProviderConfiguration& configuration, const QString& fallback) {
    return configuration.prompt.isEmpty() ? fallback : configuration.prompt;
}

QString userMessage(const QString& text, const TranslationProviderConfiguration& configuration) {
    return TranslationPromptRenderer::render(configuration.userPromptTemplate, text, configuration.context,
                                             configuration.glossary, configuration.workContext, sourceLanguage,
                                             targetLanguage, configuration.bilingualProperNouns);
}

QJsonArray systemAndUserMessages(const QString& system, const QString& user) {
    return QJsonArray{QJsonObject{{"role", "system"}, {"content", system}},
                      QJsonObject{{"role", "user"}, {"content", user}}};
}

HttpRequest jsonPost(const TranslationProviderConfiguration& configuration, const QList<HttpHeader>& headers,
                     const QJsonObject& body) {
    HttpRequest request;
    request.method = "POST";
    request.url = configuration.endpoint;
    request.headers = headers;
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    request.timeoutSeconds = configuration.timeout;
    return request;
}

}  // namespace ovisu::ChatRequestSupport
