#include "interface/UIOCRTextBlock.h"

#include "base/OCRTextCleaner.h"

#include <QStringList>

#include <cmath>

namespace ovisu {

namespace {
// std::lround rounds halves away from zero, which is what the keys have always used.
QString scaledRect(const QRectF& rect, double scale) {
    return QStringList{QString::number(std::lround(rect.x() * scale)), QString::number(std::lround(rect.y() * scale)),
                       QString::number(std::lround(rect.width() * scale)),
                       QString::number(std::lround(rect.height() * scale))}
        .join(QLatin1Char(':'));
}
}  // namespace

QString uiComparisonForm(const QString& text) {
    return OCRTextCleaner::comparisonForm(text);
}

QString interfaceBlockKey(const UIOCRTextBlock& block) {
    const QString form = uiComparisonForm(block.text);
    if (form.isEmpty())
        return {};
    return form + QLatin1Char('|') + scaledRect(block.normalizedRect, 200);
}

QString interfacePanelKey(const UIOCRTextBlock& block) {
    return scaledRect(block.normalizedRect, 100);
}

QPointF topLeftCentre(const UIOCRTextBlock& block) {
    const QRectF& r = block.normalizedRect;
    return {r.x() + r.width() * 0.5, 1.0 - (r.y() + r.height() * 0.5)};
}

}  // namespace ovisu
