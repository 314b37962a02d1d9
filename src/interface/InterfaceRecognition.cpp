#include "interface/InterfaceRecognition.h"

#include "base/OCRTextCleaner.h"
#include "interface/UIElementClassifier.h"

#include <QRegularExpression>

#include <algorithm>

namespace ovisu::InterfaceRecognition {

namespace {
constexpr double kMinimumConfidence = 0.2;

bool containsInside(const QRectF& region, QPointF point) {
    // Inclusive on all four sides, which QRectF::contains is not on the right and bottom edges.
    const QRectF r = region.normalized();
    return point.x() >= r.left() && point.x() <= r.right() && point.y() >= r.top() && point.y() <= r.bottom();
}

bool hasKanaOrKanji(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF))
            return true;
    return false;
}
}  // namespace

TextRecognitionRequest request() {
    TextRecognitionRequest request;
    request.level = RecognitionLevel::accurate;
    // Japanese, whose model reads kanji and Latin letters as well. A Chinese model would only
    // compete with it for the same kanji, and the install has none.
    request.languages = {QStringLiteral("ja-JP"), QStringLiteral("en-US")};
    request.languageCorrection = true;
    request.customWords = {QStringLiteral("設定"), QStringLiteral("開始"), QStringLiteral("戻る"),
                           QStringLiteral("保存"), QStringLiteral("終了"), QStringLiteral("好感度")};
    return request;
}

QList<UIOCRTextBlock> blocksFrom(const QList<RecognizedLine>& lines) {
    QList<UIOCRTextBlock> blocks;
    for (const RecognizedLine& line : lines) {
        const QString cleaned = OCRTextCleaner::clean(line.text);
        if (cleaned.isEmpty() || line.confidence < kMinimumConfidence)
            continue;
        blocks.append({cleaned, line.normalizedRect, float(line.confidence)});
    }
    return blocks;
}

std::expected<QList<UIOCRTextBlock>, QString> performInterfaceRecognition(TextRecognizer& recognizer,
                                                                          const QImage& window) {
    auto lines = recognizer.recognize(window, request());
    if (!lines)
        return std::unexpected(lines.error());
    return blocksFrom(*lines);
}

QString describe(Rejection rejection) {
    switch (rejection) {
    case Rejection::outsideRegions: return QStringLiteral("不在启用的 UI 区域内");
    case Rejection::kindDisabled: return QStringLiteral("文字类型未启用");
    case Rejection::blank: return QStringLiteral("只有空白");
    case Rejection::noWords: return QStringLiteral("没有日文或英文单词");
    }
    return {};
}

std::optional<Rejection> rejectionOf(const UIOCRTextBlock& block, const QList<QRectF>& enabledRegions,
                                     const UIElementKindSet& enabledKinds) {
    if (!enabledRegions.isEmpty()) {
        const QPointF centre = topLeftCentre(block);
        if (std::none_of(enabledRegions.begin(), enabledRegions.end(),
                         [&](const QRectF& region) { return containsInside(region, centre); }))
            return Rejection::outsideRegions;
    }
    if (!enabledKinds.contains(UIElementClassifier::classify(block.text)))
        return Rejection::kindDisabled;
    static const QRegularExpression whiteSpace(QStringLiteral("\\s"), QRegularExpression::UseUnicodePropertiesOption);
    const QString compact = QString(block.text).remove(whiteSpace);
    if (compact.isEmpty())
        return Rejection::blank;
    static const QRegularExpression latinWord(QStringLiteral("[A-Za-z]{2,}"));
    if (!hasKanaOrKanji(compact) && !latinWord.match(block.text).hasMatch())
        return Rejection::noWords;
    return std::nullopt;
}

}  // namespace ovisu::InterfaceRecognition
