#pragma once

#include <QString>
#include <QUrl>

namespace ovisu {

// Everything one request of one source needs; built fresh for each request and never changed.
struct TranslationProviderConfiguration {
    QUrl endpoint;
    QString apiKey;
    QString model;  // or the application id / region for the services that need one
    QString prompt;
    double timeout = 45;
    double temperature = 0.3;
    int maxTokens = 1024;
    double topP = 0.9;
    QString context;
    QString userPromptTemplate;
    QString glossary;
    QString workContext;
    bool bilingualProperNouns = true;
    bool streaming = false;
    bool disableThinking = true;
};

}  // namespace ovisu
