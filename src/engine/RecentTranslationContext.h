#pragma once

#include "engine/TranslationHistoryRecord.h"

#include <QList>
#include <QString>

namespace ovisu {

// The block of recent dialogue given to chat-style sources: the last `contextCount` records of
// the in-memory translation list, oldest first. Empty when contextCount is below one.
QString recentTranslationContext(const QList<TranslationHistoryRecord>& records, int contextCount);

}  // namespace ovisu
