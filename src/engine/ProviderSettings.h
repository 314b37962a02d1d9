#pragma once

#include "engine/Provider.h"
#include "engine/TranslationHistoryRecord.h"
#include "engine/TranslationProviderAdapter.h"
#include "engine/TranslationProviderConfiguration.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class SettingsStore;

// Resolves a source's stored settings and secret into what one request needs, and says what
// stops a source from working. Every call reads the current settings and the credential file
// again, so a change made in a settings window applies to the next request.
class ProviderSettings {
public:
    // The in-memory list of recent translations the prompt context is taken from.
    using RecentTranslations = std::function<QList<TranslationHistoryRecord>()>;

    explicit ProviderSettings(SettingsStore& settings, RecentTranslations recentTranslations = {});

    // A stored "system://" endpoint on an ordinary source is a leftover and is removed here.
    QString endpoint(Provider provider);
    QString model(Provider provider) const;
    QString prompt(Provider provider) const;
    QString userPromptTemplate(Provider provider) const;
    QString recentTranslationContext() const;
    std::optional<TranslationStreamStyle> streamStyle(Provider provider);

    std::optional<TranslationProviderConfiguration> providerConfiguration(Provider provider, bool streaming);
    // The first problem that stops the source, as the message shown to the user.
    std::optional<QString> providerConfigurationIssue(Provider provider);
    std::shared_ptr<const TranslationProviderAdapter> providerAdapter(Provider provider);
    // The Ollama server an Ollama source talks to: its endpoint's scheme, host and port, or the
    // usual local address while the endpoint is not usable.
    QUrl localServer(Provider provider);
    // Whether the program starts the source's server when it does not answer: Ollama's, or the
    // llama-server of a GGUF source while the source still points at that server's own port (a
    // source pointed at another server is that server's business).
    bool startsLocalServer(Provider provider);

    // The endpoint as a request URL: http or https with a host, or nothing.
    static std::optional<QUrl> validatedEndpoint(const QString& endpoint);

private:
    SettingsStore& m_settings;
    RecentTranslations m_recentTranslations;
};

}  // namespace ovisu
