#include "history/TranslationHistoryText.h"

#include "engine/TranslationDurationFormatter.h"

#include <QStringList>

namespace ovisu {

QString historyPlainText(const QList<TranslationHistoryRecord>& records) {
    QStringList blocks;
    blocks.reserve(records.size());
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        blocks.append(QStringLiteral("[") + historyTimeText(it->createdAt) + QStringLiteral("] ") + it->provider +
                      QStringLiteral(" · ") + TranslationDurationFormatter::string(it->duration) +
                      QStringLiteral("\n原文：") + it->original + QStringLiteral("\n译文：") + it->translation);
    }
    return blocks.join(QStringLiteral("\n\n"));
}

QString emptyHistoryText() { return QStringLiteral("还没有保存的翻译记录。"); }

QString sessionStatsText(std::optional<QDateTime> sessionStartedAt, const QDateTime& now, int count,
                         double totalSeconds, std::optional<double> latest) {
    qint64 runSeconds = 0;
    if (sessionStartedAt)
        runSeconds = std::max<qint64>(0, sessionStartedAt->msecsTo(now) / 1000);
    const qint64 hours = runSeconds / 3600;
    const qint64 minutes = (runSeconds % 3600) / 60;
    const qint64 seconds = runSeconds % 60;

    const QString latestText = latest ? TranslationDurationFormatter::string(latest) : QStringLiteral("--");
    const QString averageText =
        count < 1 ? QStringLiteral("--") : TranslationDurationFormatter::string(totalSeconds / count);
    return QStringLiteral("最新 %1 · 平均 %2 · 本次 %3 句 · 运行 %4:%5:%6")
        .arg(latestText, averageText, QString::number(count))
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'));
}

std::optional<TranslationHistoryRecord> latestTranslationRecord(const QList<TranslationHistoryRecord>& session,
                                                                const QList<TranslationHistoryRecord>& persisted) {
    if (!session.isEmpty())
        return session.constLast();
    if (!persisted.isEmpty())
        return persisted.constLast();
    return std::nullopt;
}

}  // namespace ovisu
