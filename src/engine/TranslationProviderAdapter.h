#pragma once

#include "engine/HttpRequest.h"
#include "engine/TranslationCapabilities.h"
#include "engine/TranslationProviderConfiguration.h"

#include <QByteArray>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// Why a request could not be built. Shown to the user through the error guide.
struct TranslationProviderBuildError {
    enum class Kind { invalidEndpoint, serialization };
    Kind kind = Kind::invalidEndpoint;
    QString detail;

    static TranslationProviderBuildError invalidEndpoint() { return {Kind::invalidEndpoint, {}}; }
    QString localizedDescription() const {
        return kind == Kind::invalidEndpoint ? QStringLiteral("接口地址无效") : detail;
    }
};

using RequestResult = std::expected<HttpRequest, TranslationProviderBuildError>;

// One kind of translation service: turns a text into a request and a reply back into text.
// Implementations hold no state and do no networking, so any thread may use them.
class TranslationProviderAdapter {
public:
    virtual ~TranslationProviderAdapter() = default;

    virtual QString id() const = 0;
    virtual QString displayName() const = 0;
    virtual TranslationCapabilities capabilities() const = 0;

    virtual RequestResult makeRequest(const QString& text,
                                      const TranslationProviderConfiguration& configuration) const = 0;
    // The translation from a complete success body; nothing when the body is not what the service sends.
    virtual std::optional<QString> parseResponse(const QByteArray& data) const = 0;
    // A readable error from an error body; nothing when none can be found.
    virtual std::optional<QString> parseError(const QByteArray& data) const = 0;
};

}  // namespace ovisu
