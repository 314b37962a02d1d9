#pragma once

#include "engine/TranslationStreamStyle.h"

#include <QList>
#include <QString>

#include <optional>

namespace ovisu {

// The 26 translation sources. The raw value is what settings keys, profiles and lists store, so
// the numbering never changes.
enum class Provider : int {
    google = 0,
    openAI = 1,
    claude = 2,
    doubao = 3,
    deepSeek = 4,
    custom = 5,
    deepL = 6,
    microsoft = 7,
    youdao = 8,
    sakura = 9,
    qwenLocal = 10,
    baidu = 11,
    papago = 12,
    libreTranslate = 13,
    hyMTLocal = 14,
    ollamaLocal = 15,
    translateGemmaLocal = 16,
    siliconFlow = 17,
    glm = 18,
    fireworks = 19,
    together = 20,
    mistral = 21,
    groq = 22,
    openRouter = 23,
    geminiOpenAI = 24,
    systemTranslation = 25,
};

inline constexpr int providerCount = 26;

inline int rawValue(Provider provider) { return static_cast<int>(provider); }
std::optional<Provider> providerFromRawValue(int raw);
QList<Provider> allProviders();  // in raw-value order
// The case name ("deepSeek") and its inverse, for command lines and logs.
QString caseName(Provider provider);
std::optional<Provider> providerFromCaseName(const QString& name);

// What the settings window's acquisition button does for a source.
enum class AcquisitionButton { hidden, download, officialSite };

namespace ProviderCatalogue {

QString title(Provider);
QString credentialAccount(Provider);
QString defaultEndpoint(Provider);
QString defaultModel(Provider);  // empty: none
QString note(Provider);
QString officialPurchaseURL(Provider);

QString keyLabel(Provider);
bool keyRequired(Provider);
bool keyFieldEnabled(Provider);
QString modelLabel(Provider);
bool modelFieldEnabled(Provider);
bool endpointEditable(Provider);

bool isPromptCapable(Provider);
QList<Provider> promptCapableProviders();
// The stream grammar of Table 3. The custom source depends on its endpoint; pass it.
std::optional<TranslationStreamStyle> streamStyle(Provider, const QString& endpoint = {});
// True when a custom endpoint speaks chat completions rather than the Responses API.
bool endpointUsesChatCompletions(const QString& endpoint);

std::optional<int> localPort(Provider);
bool usesOllama(Provider);
// What is said while a local source's server starts.
QString localServerStartingText(Provider);
// The three llama-server engines: the "local providers" of the error guide.
bool isManagedLocalEngine(Provider);
AcquisitionButton acquisitionButton(Provider);
// The source's own default system prompt, where it has one that differs from the general one.
std::optional<QString> defaultLocalOtomePrompt(Provider);

}  // namespace ProviderCatalogue
}  // namespace ovisu
