#pragma once

#include "overlay/OverlayAppearance.h"
#include "engine/TranslationHistoryRecord.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <optional>

namespace ovisu {

// One stretch of the overlay's text with its own font and colour. Line breaks are part of the
// text; every line ends a paragraph.
struct OverlayTextRun {
    enum class Kind { separator, metadata, original, translation, placeholder };
    Kind kind;
    QString text;
    QFont font;
    QColor color;
};

// Shared by every paragraph of the overlay.
struct OverlayParagraphStyle {
    int alignment = 1;  // 0 left, 1 centre, 2 right
    double lineSpacing = 1;       // extra space between wrapped lines
    double paragraphSpacing = 6;  // space after each line break
};

struct OverlayText {
    QList<OverlayTextRun> runs;
    OverlayParagraphStyle paragraph;

    QString plainText() const;
};

// What the overlay shows for the session list and its settings.
class OverlayTextRenderer {
public:
    static const QString placeholderText;  // "等待识别字幕…"

    static OverlayText render(const QList<TranslationHistoryRecord>& entries, const OverlayAppearance& appearance);
    static OverlayParagraphStyle paragraphStyle(const OverlayAppearance& appearance);
    // "time · source · 耗时 …" from the parts the settings ask for (without the line break);
    // none when no part is left.
    static std::optional<QString> metadataLine(const TranslationHistoryRecord& entry,
                                               const OverlayAppearance& appearance);
};

}  // namespace ovisu
