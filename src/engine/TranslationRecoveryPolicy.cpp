#include "engine/TranslationRecoveryPolicy.h"

namespace ovisu::TranslationRecoveryPolicy {

bool shouldRetry(const std::optional<TransportError>& error, std::optional<int> httpStatus, int attempt) {
    if (attempt >= 2) return false;
    if (httpStatus) return *httpStatus == 429 || *httpStatus == 502 || *httpStatus == 503 || *httpStatus == 504;
    if (!error) return false;
    switch (error->code) {
    case TransportError::timedOut:
    case TransportError::networkConnectionLost:
    case TransportError::notConnectedToInternet:
    case TransportError::cannotConnectToHost:
    case TransportError::cannotFindHost:
        return true;
    default:
        return false;
    }
}

bool isRecoverableFallback(const std::optional<QString>& error, std::optional<int> httpStatus) {
    if (httpStatus) return *httpStatus == 429 || (*httpStatus >= 502 && *httpStatus <= 504);
    const QString lower = error.value_or(QString()).toLower();
    for (const char* word : {"timeout", "timed out", "超时", "connection", "连接", "network", "网络", "temporarily", "临时"})
        if (lower.contains(QString::fromUtf8(word))) return true;
    return false;
}

double retryDelaySeconds(int attempt) { return attempt == 0 ? 0.8 : 2.0; }

}  // namespace ovisu::TranslationRecoveryPolicy
