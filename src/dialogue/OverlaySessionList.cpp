#include "dialogue/OverlaySessionList.h"

#include "base/TextSimilarity.h"

#include <algorithm>

namespace ovisu {

bool OverlaySessionList::replacesLast(const TranslationHistoryRecord& last, const TranslationHistoryRecord& record) {
    if (record.original == last.original) return true;
    if (record.provider != last.provider || record.translation != last.translation) return false;
    if (!similar(last.original, record.original, mergeSimilarity)) return false;
    if (!last.createdAt.isValid() || !record.createdAt.isValid()) return false;
    return last.createdAt.msecsTo(record.createdAt) < qint64(mergeWindowSeconds * 1000);
}

void OverlaySessionList::showOverlay(QList<TranslationHistoryRecord>& list, const TranslationHistoryRecord& record,
                                     int limit) {
    if (!list.isEmpty() && replacesLast(list.constLast(), record))
        list.last() = record;
    else
        list.append(record);
    trimOverlayHistory(list, limit);
}

void OverlaySessionList::trimOverlayHistory(QList<TranslationHistoryRecord>& list, int limit) {
    const qsizetype keep = std::max(limit, 1);
    if (list.size() > keep) list.remove(0, list.size() - keep);
}

}  // namespace ovisu
