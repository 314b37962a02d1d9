#include "base/SessionMetrics.h"

namespace ovisu {

SessionMetrics& SessionMetrics::shared() {
    static SessionMetrics metrics;
    return metrics;
}

QString SessionMetrics::name(Counter counter) {
    static const char* const names[counterCount] = {
        "captures",          "unchangedFrames",    "ocrRuns",   "ocrFailures",       "translationRequests",
        "translationFailures", "cacheHits",        "cancelledRequests", "retries", "fallbackSwitches"};
    return QString::fromLatin1(names[static_cast<size_t>(counter)]);
}

QMap<QString, int> SessionMetrics::dictionary() const {
    QMap<QString, int> values;
    for (int i = 0; i < counterCount; ++i) {
        const auto counter = static_cast<Counter>(i);
        values.insert(name(counter), value(counter));
    }
    return values;
}

}  // namespace ovisu
