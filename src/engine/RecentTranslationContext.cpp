#include "engine/RecentTranslationContext.h"

#include <QStringList>

#include <algorithm>

namespace ovisu {

QString recentTranslationContext(const QList<TranslationHistoryRecord>& records, int contextCount) {
    if (contextCount < 1)
        return {};
    const qsizetype first = std::max<qsizetype>(0, records.size() - contextCount);
    QStringList entries;
    entries.reserve(records.size() - first);
    for (qsizetype i = first; i < records.size(); ++i) {
        const TranslationHistoryRecord& record = records.at(i);
        entries.append(QStringLiteral(u"原文：") + record.original + QStringLiteral(u"\n译文：") +
                       record.translation);
    }
    return entries.join(QStringLiteral(u"\n\n"));
}

}  // namespace ovisu
