#pragma once

namespace ovisu {

// What an adapter can do with a request, in the order the settings windows list them.
struct TranslationCapabilities {
    bool supportsPrompt = false;
    bool supportsContext = false;
    bool supportsStreaming = false;
    bool supportsTemperature = false;
    bool supportsTopP = false;
    bool supportsReasoning = false;
    bool supportsPrefill = false;

    friend bool operator==(const TranslationCapabilities&, const TranslationCapabilities&) = default;

    static constexpr TranslationCapabilities chat(bool streaming) {
        return {true, true, streaming, true, true, false, false};
    }
    static constexpr TranslationCapabilities none() { return {}; }
};

}  // namespace ovisu
