#pragma once

#include "engine/HttpTransport.h"

#include <QString>

#include <optional>

namespace ovisu::TranslationRecoveryPolicy {

// Whether a failed send is worth sending again: at most two retries, only for overload and
// gateway statuses or for transport failures that a moment's wait can cure.
bool shouldRetry(const std::optional<TransportError>& error, std::optional<int> httpStatus, int attempt);

// Whether a failure should move on to the fallback source rather than stop with an error.
bool isRecoverableFallback(const std::optional<QString>& error, std::optional<int> httpStatus);

// The delay before retry number attempt + 1.
double retryDelaySeconds(int attempt);

}  // namespace ovisu::TranslationRecoveryPolicy
