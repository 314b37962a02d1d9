#pragma once

#include "engine/Provider.h"

#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class ProviderSettings;
class SettingsStore;

// What the AI-localisation window edits for one prompt-capable source. The prompts and the
// preset are the source's own; the work context, glossary and both switches are shared by all
// sources.
struct AILocalizationValues {
    QString prompt;
    QString userPromptTemplate;
    // The preset the prompts came from; none leaves the stored preset of the source alone.
    std::optional<QString> presetID;
    QString workContext;
    QString glossary;
    bool bilingualProperNouns = true;
    bool filterThinkingOutput = true;

    friend bool operator==(const AILocalizationValues&, const AILocalizationValues&) = default;
};

// Reads and writes the AI-localisation values. The pipeline reads every one of these settings
// again for each request, so a save applies to the next translation.
class AILocalizationSettings {
public:
    AILocalizationSettings(SettingsStore& settings, ProviderSettings& providerSettings);

    // The source's prompt and template as a request would use them (defaults where nothing is
    // stored), its stored preset id and the shared values.
    AILocalizationValues load(Provider provider) const;

    // Stores the values for the source, the glossary normalised. Every key is attempted even
    // after a failed write; the first failure is returned. On success, the status line text.
    std::expected<QString, QString> saveAILocalization(Provider provider, const AILocalizationValues& values);

    // "AI 本地化设置已应用到 " + the source's title.
    static QString appliedStatus(Provider provider);

private:
    SettingsStore& m_settings;
    ProviderSettings& m_providerSettings;
};

}  // namespace ovisu
