#include "app/OcrCommand.h"

#include "app/CommandSupport.h"
#include "base/OCRTextCleaner.h"
#include "dialogue/DialogueOCRLineMerger.h"
#include "dialogue/DialogueOCRNoiseFilter.h"
#include "dialogue/DialogueRecognition.h"
#include "capture/OCRQualityGate.h"
#include "capture/TextRecognizer.h"
#include "capture/platform/TesseractTextRecognizer.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace ovisu {
namespace {

QString decisionName(OCRQualityGate::Decision decision) {
    switch (decision) {
    case OCRQualityGate::Decision::accept: return QStringLiteral("accept");
    case OCRQualityGate::Decision::lowConfidence: return QStringLiteral("lowConfidence");
    case OCRQualityGate::Decision::insufficientText: return QStringLiteral("insufficientText");
    case OCRQualityGate::Decision::garbled: return QStringLiteral("garbled");
    }
    return {};
}

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

QJsonObject lineJson(const RecognizedLine& line) {
    const QRectF& box = line.normalizedRect;
    return QJsonObject{{"text", line.text},
                       {"confidence", line.confidence},
                       {"box", QJsonObject{{"x", box.x()}, {"y", box.y()}, {"width", box.width()}, {"height", box.height()}}}};
}

}  // namespace

int runOcrCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Recognise the text of a subtitle image and show what the dialogue pipeline makes of it."));
    const QCommandLineOption levelOption("level", QStringLiteral("Recognition level: fast (default) or accurate."),
                                         "level", QStringLiteral("fast"));
    const QCommandLineOption jsonOption("json", QStringLiteral("Print one JSON object describing the result."));
    parser.addOption(levelOption);
    parser.addOption(jsonOption);
    parser.addPositionalArgument("image", QStringLiteral("The image file (PNG, JPEG, ...)."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const QString levelName = parser.value(levelOption);
    if (levelName != QLatin1String("fast") && levelName != QLatin1String("accurate")) {
        streams.err << "ovisu ocr: unknown level '" << levelName << "' (use fast or accurate)\n";
        return 2;
    }
    const RecognitionLevel level = levelName == QLatin1String("fast") ? RecognitionLevel::fast : RecognitionLevel::accurate;
    if (parser.positionalArguments().size() != 1) {
        streams.err << "ovisu ocr: give exactly one image file\n";
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    const bool json = parser.isSet(jsonOption);
    const auto fail = [&](const QString& message) {
        if (json)
            streams.out << QJsonDocument(QJsonObject{{"image", path}, {"error", message}}).toJson(QJsonDocument::Compact)
                        << "\n";
        else
            streams.err << "ovisu ocr: " << message << "\n";
        return 1;
    };

    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage captured = reader.read();
    if (captured.isNull()) return fail(QStringLiteral("cannot read %1: %2").arg(path, reader.errorString()));
    const QImage image = DialogueRecognition::upscaledOCRImage(captured);

    // The same request as the dialogue pipeline's passes.
    TextRecognitionRequest request;
    request.level = level;
    request.customWords = DialogueRecognition::customWords();

    const std::unique_ptr<TextRecognizer> recognizer = makeTextRecognizer();
    QElapsedTimer timer;
    std::optional<double> startupMs;
    if (auto* tesseract = dynamic_cast<TesseractTextRecognizer*>(recognizer.get())) {
        timer.start();
        if (const auto error = tesseract->start(request)) return fail(*error);
        startupMs = milliseconds(timer);
    }
    timer.start();
    const auto lines = recognizer->recognize(image, request);
    const double recognitionMs = milliseconds(timer);
    if (!lines) return fail(lines.error());

    const QList<RecognizedLine> kept = DialogueOCRNoiseFilter::filtered(*lines);
    double confidence = 0;
    for (const RecognizedLine& line : kept) confidence += line.confidence;
    if (!kept.isEmpty()) confidence /= double(kept.size());
    const QString text = kept.isEmpty() ? QString() : DialogueOCRLineMerger::text(kept);
    const OCRQualityGate::Decision decision = OCRQualityGate{}.evaluate(text, confidence);
    // At the fast level, what the realtime loop would do next with this result.
    const std::optional<bool> retry =
        level == RecognitionLevel::fast ? std::optional<bool>(DialogueRecognition::shouldRetryAccurately(text, confidence))
                                        : std::nullopt;

    if (json) {
        QJsonArray lineArray;
        for (const RecognizedLine& line : *lines) lineArray.append(lineJson(line));
        QJsonObject object{{"image", path},
                           {"imageSize", QJsonArray{captured.width(), captured.height()}},
                           {"recognizedSize", QJsonArray{image.width(), image.height()}},
                           {"level", levelName},
                           {"startupMs", startupMs ? QJsonValue(*startupMs) : QJsonValue()},
                           {"durationMs", recognitionMs},
                           {"lines", lineArray},
                           {"keptLines", int(kept.size())},
                           {"text", text},
                           {"cleanedText", OCRTextCleaner::clean(text)},
                           {"confidence", confidence},
                           {"gate", decisionName(decision)},
                           {"retryAccurately", retry ? QJsonValue(*retry) : QJsonValue()}};
        streams.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << "\n";
        return 0;
    }

    streams.out << "image " << captured.width() << "x" << captured.height();
    if (image.size() != captured.size()) streams.out << ", recognised at " << image.width() << "x" << image.height();
    streams.out << "\n";
    if (startupMs) streams.out << "engine start-up: " << number(*startupMs, 0) << " ms\n";
    streams.out << "recognition (" << levelName << "): " << number(recognitionMs, 0) << " ms\n";
    streams.out << "lines: " << lines->size()
                << " (confidence; box x y width height, normalised, origin at the bottom-left; - dropped as noise)\n";
    for (const RecognizedLine& line : *lines) {
        const QRectF& box = line.normalizedRect;
        streams.out << "  " << (kept.contains(line) ? "  " : "- ") << number(line.confidence, 2) << "  "
                    << number(box.x(), 3) << " " << number(box.y(), 3) << " " << number(box.width(), 3) << " "
                    << number(box.height(), 3) << "  " << line.text << "\n";
    }
    streams.out << "dialogue text (" << kept.size() << " lines kept by the noise filter; mean confidence "
                << number(confidence, 2) << "):\n";
    for (const QString& textLine : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) streams.out << "  " << textLine << "\n";
    streams.out << "gate: " << decisionName(decision) << "\n";
    if (retry) streams.out << "read again accurately: " << (*retry ? "yes" : "no") << "\n";
    return 0;
}

}  // namespace ovisu
