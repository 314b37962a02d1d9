#include "overlay/OverlayTextRenderer.h"

#include "base/RecordTimeText.h"
#include "engine/TranslationDurationFormatter.h"

#include <QStringList>

#include <algorithm>

namespace ovisu {

const QString OverlayTextRenderer::placeholderText = QStringLiteral("等待识别字幕…");

namespace {

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

}  // namespace

QString OverlayText::plainText() const {
    QString text;
    for (const auto& run : runs) text += run.text;
    return text;
}

OverlayParagraphStyle OverlayTextRenderer::paragraphStyle(const OverlayAppearance& a) {
    return {OverlayAppearance::clampedAlignment(a.alignment), std::max(a.fontSize * 0.12 * a.lineSpacing, 1.0),
            std::max(a.fontSize * 0.42 * a.lineSpacing, 6.0)};
}

std::optional<QString> OverlayTextRenderer::metadataLine(const TranslationHistoryRecord& entry,
                                                         const OverlayAppearance& a) {
    QStringList parts;
    if (a.showsMetadata) parts << historyTimeText(entry.createdAt) << entry.provider;
    if (a.showsDuration && entry.duration)
        parts << QStringLiteral("耗时 ") + TranslationDurationFormatter::string(entry.duration);
    if (parts.isEmpty()) return std::nullopt;
    return parts.join(QStringLiteral(" · "));
}

OverlayText OverlayTextRenderer::render(const QList<TranslationHistoryRecord>& entries, const OverlayAppearance& a) {
    OverlayText text;
    text.paragraph = paragraphStyle(a);
    if (entries.isEmpty()) {
        text.runs.append({OverlayTextRun::Kind::placeholder, placeholderText, a.resolvedFont(a.fontSize, true),
                          a.textColor});
        return text;
    }
    const QFont metadataFont = a.resolvedFont(std::max(a.fontSize * 0.5, 10.0), false);
    const QFont originalFont = a.resolvedFont(std::max(a.fontSize * 0.62, 12.0), false);
    const QFont translationFont = a.resolvedFont(a.fontSize, true);
    const QColor metadataColor = withAlpha(a.textColor, 0.52);
    const QColor originalColor = withAlpha(a.textColor, a.originalOpacity);

    const qsizetype first = a.compactMode ? entries.size() - 1 : 0;
    for (qsizetype i = first; i < entries.size(); ++i) {
        const TranslationHistoryRecord& entry = entries[i];
        if (i > first) text.runs.append({OverlayTextRun::Kind::separator, QStringLiteral("\n"), metadataFont, metadataColor});
        if (const auto line = metadataLine(entry, a))
            text.runs.append({OverlayTextRun::Kind::metadata, *line + QLatin1Char('\n'), metadataFont, metadataColor});
        if (a.showsOriginal)
            text.runs.append(
                {OverlayTextRun::Kind::original, entry.original + QLatin1Char('\n'), originalFont, originalColor});
        text.runs.append({OverlayTextRun::Kind::translation, entry.translation, translationFont, a.textColor});
    }
    return text;
}

}  // namespace ovisu
