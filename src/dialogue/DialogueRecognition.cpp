#include "dialogue/DialogueRecognition.h"

#include "base/AppLogger.h"
#include "base/OCRTextCleaner.h"
#include "dialogue/DialogueOCRLineMerger.h"
#include "dialogue/DialogueOCRNoiseFilter.h"
#include "dialogue/DialogueTextCompleteness.h"
#include "capture/OCRQualityGate.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ovisu {

QImage DialogueRecognition::upscaledOCRImage(const QImage& image) {
    if (image.isNull() || image.width() >= targetWidth)
        return image;

    const double scale = std::min(double(targetWidth) / std::max(image.width(), 1), maximumScale);
    const int width = std::max(1, int(std::lround(image.width() * scale)));
    const int height = std::max(1, int(std::lround(image.height() * scale)));

    // Smooth scaling of a premultiplied image, then composed onto black: transparent areas come
    // out black, as they would from a bitmap context that starts zeroed.
    const QImage scaled = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return image;
    QImage result(width, height, QImage::Format_RGB32);
    if (result.isNull())
        return image;
    result.fill(Qt::black);
    QPainter painter(&result);
    painter.drawImage(0, 0, scaled);
    painter.end();
    return result;
}

QStringList DialogueRecognition::customWords() {
    return {QStringLiteral(u"す"),      QStringLiteral(u"ます"),     QStringLiteral(u"です"),
            QStringLiteral(u"します"),  QStringLiteral(u"しました"), QStringLiteral(u"致します"),
            QStringLiteral(u"致しました")};
}

bool DialogueRecognition::shouldRetryAccurately(const QString& text, double confidence) {
    static const QStringList continuationEndings{
        QStringLiteral(u"、"),   QStringLiteral(u"，"),   QStringLiteral(u","),     QStringLiteral(u"と"),
        QStringLiteral(u"て"),   QStringLiteral(u"で"),   QStringLiteral(u"が"),     QStringLiteral(u"を"),
        QStringLiteral(u"に"),   QStringLiteral(u"へ"),   QStringLiteral(u"から"),   QStringLiteral(u"ので"),
        QStringLiteral(u"のに"), QStringLiteral(u"けど"), QStringLiteral(u"けれど"), QStringLiteral(u"なら"),
        QStringLiteral(u"ば"),   QStringLiteral(u"し"),   QStringLiteral(u"たり"),   QStringLiteral(u"ご用意"),
        QStringLiteral(u"用意"),
    };

    if (OCRQualityGate{}.evaluate(text, confidence) != OCRQualityGate::Decision::accept)
        return true;
    const QString cleaned = OCRTextCleaner::clean(text);
    if (!cleaned.isEmpty() && DialogueTextCompleteness::hasUnclosedDelimiters(cleaned))
        return true;
    const QString flat = QString(cleaned).remove(QLatin1Char('\n'));
    return std::any_of(continuationEndings.cbegin(), continuationEndings.cend(),
                       [&flat](const QString& ending) { return flat.endsWith(ending); });
}

std::expected<DialogueRecognitionResult, QString> DialogueRecognition::performDialogueRecognition(
    TextRecognizer& recognizer, const QImage& image, RecognitionLevel level, const std::optional<QRectF>& selectedArea) {
    TextRecognitionRequest request;
    request.level = level;
    request.languages = {QStringLiteral("ja-JP"), QStringLiteral("en-US")};
    request.languageCorrection = true;
    request.customWords = customWords();

    const std::expected<QList<RecognizedLine>, QString> lines = recognizer.recognize(image, request);
    if (!lines)
        return std::unexpected(lines.error());

    QList<RecognizedLine> inside;
    for (const RecognizedLine& line : *lines)
        if (!selectedArea || selectedArea->contains(line.normalizedRect.center())) inside.append(line);
    const QList<RecognizedLine> kept = DialogueOCRNoiseFilter::filtered(inside);
    if (kept.isEmpty())
        return DialogueRecognitionResult{};
    double sum = 0;
    for (const RecognizedLine& line : kept)
        sum += line.confidence;
    return DialogueRecognitionResult{DialogueOCRLineMerger::text(kept), sum / double(kept.size())};
}

std::expected<DialogueRecognitionResult, QString> DialogueRecognition::recognizeFastThenAccurate(
    TextRecognizer& recognizer, const QImage& croppedImage, bool manual, const std::optional<QRectF>& selectedArea) {
    const QImage image = upscaledOCRImage(croppedImage);
    auto first = performDialogueRecognition(recognizer, image,
                                            manual ? RecognitionLevel::accurate : RecognitionLevel::fast, selectedArea);
    if (!first || manual || !shouldRetryAccurately(first->text, first->confidence))
        return first;

    AppLogger::shared().info(QStringLiteral("ocr"), QStringLiteral(u"快速识别质量不足，自动改用高精度 OCR 重试"));
    return performDialogueRecognition(recognizer, image, RecognitionLevel::accurate, selectedArea);
}

}  // namespace ovisu
