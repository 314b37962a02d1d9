#pragma once

#include "base/RecordTimeText.h"
#include "engine/TranslationHistoryRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace ovisu {

// The history as text, newest first: "[time] source · duration", then "原文：" and "译文："
// lines; one empty line between records.
QString historyPlainText(const QList<TranslationHistoryRecord>& records);

// What the history shows when there is nothing to show.
QString emptyHistoryText();

// The main window's statistics line: "最新 … · 平均 … · 本次 N 句 · 运行 HH:MM:SS".
QString sessionStatsText(std::optional<QDateTime> sessionStartedAt, const QDateTime& now, int count,
                         double totalSeconds, std::optional<double> latest);

// The translation that copy and speak act on: the session's newest, else the persisted newest.
std::optional<TranslationHistoryRecord> latestTranslationRecord(const QList<TranslationHistoryRecord>& session,
                                                                const QList<TranslationHistoryRecord>& persisted);

}  // namespace ovisu
