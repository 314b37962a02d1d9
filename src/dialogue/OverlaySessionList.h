#pragma once

#include "engine/TranslationHistoryRecord.h"

#include <QList>

namespace ovisu {

// The rules for the translations of the current session as the overlay shows them: a result
// that only restates the previous line replaces it, and the list never holds more than the
// overlay's limit.
class OverlaySessionList {
public:
    static constexpr double mergeWindowSeconds = 2.0;
    static constexpr double mergeSimilarity = 0.9;

    // Whether `record` takes the place of `last` instead of following it: the same original, or
    // the same source, a nearly equal original, the same translation and made within two seconds.
    static bool replacesLast(const TranslationHistoryRecord& last, const TranslationHistoryRecord& record);

    // Adds a finished translation (replacing the last entry when it only restates it), then trims.
    static void showOverlay(QList<TranslationHistoryRecord>& list, const TranslationHistoryRecord& record, int limit);

    // Keeps the newest max(limit, 1) entries.
    static void trimOverlayHistory(QList<TranslationHistoryRecord>& list, int limit);
};

}  // namespace ovisu
