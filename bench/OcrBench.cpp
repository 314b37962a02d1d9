// Recognition quality and speed of the Tesseract back end on rendered game subtitles: character
// error rate per level over a corpus of rendered lines (several fonts, 18-40 px, outlined light
// text on dark boxes, dark text on light boxes, calm and busy pictures), where it does worst, the
// time to read a two-line subtitle crop of a 1280x720 frame, and the engine's start-up time. The
// corpus goes to the recogniser as rendered; the timed crops are enlarged first, as in the pipeline.
//
// The same on the real-crop corpus (bench/corpus/renpy: subtitle crops of Ren'Py's tutorial, as
// the realtime loop cut them, labelled with the lines the game showed), read the way the dialogue
// pipeline reads them: enlarged, recognised, noise-filtered and merged, at each level.
//
//   ovisu_ocr_bench [--images N] [--languages jpn+eng] [--auto-layout] [--height PX] [--doubtful C]
//                   [--timing-runs N] [--quiet] [--save DIR] [--real DIR] [--data DIR] [--grey] [--worst N]
#include "base/OCRTextCleaner.h"
#include "base/TextSimilarity.h"
#include "capture/CaptureRegionGeometry.h"
#include "dialogue/DialogueRecognition.h"
#include "capture/platform/TesseractTextRecognizer.h"
#include "Quantile.h"
#include "support/DialogueImageRenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMap>
#include <QRegularExpression>

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ovisu;
using bench::quantile;
using namespace ovisu::test;

namespace {

// Compared without white space and in NFKC form: a full-width "！" read as "!" is the same text
// to every later step, so it is not counted as an error.
QString comparable(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.normalized(QString::NormalizationForm_KC).remove(space);
}

struct Errors {
    qint64 edits = 0;
    qint64 characters = 0;
    int lines = 0;
    void add(qint64 e, qint64 c, int l) {
        edits += e;
        characters += c;
        lines += l;
    }
    double rate() const { return characters ? 100.0 * double(edits) / double(characters) : 0; }
};

const char* styleName(DialogueTextStyle style) {
    switch (style) {
    case DialogueTextStyle::outlinedOnDarkBox: return "outlined on dark box";
    case DialogueTextStyle::outlinedOnPicture: return "outlined on picture";
    case DialogueTextStyle::darkOnLightBox: return "dark on light box";
    }
    return "?";
}

QString joinedText(const QList<RecognizedLine>& lines) {
    QString text;
    for (const RecognizedLine& line : lines) text += line.text;
    return text;
}

// Character errors of the dialogue pipeline's reading of every labelled real crop, per level.
void benchRealCorpus(const QString& folder, TextRecognizer& recognizer, bool quiet, int listed) {
    QFile labels(folder + QStringLiteral("/labels.tsv"));
    if (!labels.open(QIODevice::ReadOnly)) {
        std::printf("real corpus: no %s\n\n", qPrintable(labels.fileName()));
        return;
    }
    QList<QPair<QImage, QString>> crops;
    for (const QByteArray& row : labels.readAll().split('\n')) {
        const QList<QByteArray> fields = row.split('\t');
        if (fields.size() < 2) continue;
        crops.append({QImage(folder + QLatin1Char('/') + QString::fromUtf8(fields[0])), QString::fromUtf8(fields[1])});
    }
    std::printf("real corpus: %lld crops of Ren'Py's tutorial from %s\n", static_cast<long long>(crops.size()),
                qPrintable(folder));
    // region.txt says how the crops were cut: "WIDTH HEIGHT x,y,w,h" (window pixels, region
    // fractions), margins and all.
    std::optional<QRectF> selectedArea;
    QFile cut(folder + QStringLiteral("/region.txt"));
    if (cut.open(QIODevice::ReadOnly)) {
        const QStringList fields = QString::fromUtf8(cut.readAll()).simplified().split(QLatin1Char(' '));
        const QStringList region = fields.value(2).split(QLatin1Char(','));
        if (fields.size() == 3 && region.size() == 4)
            selectedArea = CaptureRegionGeometry::selectedAreaInCrop(
                QSize(fields[0].toInt(), fields[1].toInt()),
                QRectF(region[0].toDouble(), region[1].toDouble(), region[2].toDouble(), region[3].toDouble()));
    }
    // The two levels alone, then what the realtime loop delivers: fast, and accurate when the fast
    // reading is doubtful.
    enum class Way { fast, accurate, loop };
    for (const Way way : {Way::fast, Way::accurate, Way::loop}) {
        Errors errors;
        std::vector<double> times;
        struct Worst {
            double rate;
            QString expected, got;
        };
        std::vector<Worst> worst;
        int perfect = 0, emptyBoxes = 0, emptyBoxesReadAsNothing = 0;
        QElapsedTimer clock;
        for (const auto& [image, label] : crops) {
            clock.start();
            const auto result =
                way == Way::loop
                    ? DialogueRecognition::recognizeFastThenAccurate(recognizer, image, false, selectedArea)
                    : DialogueRecognition::performDialogueRecognition(
                          recognizer, DialogueRecognition::upscaledOCRImage(image),
                          way == Way::fast ? RecognitionLevel::fast : RecognitionLevel::accurate, selectedArea);
            times.push_back(clock.nsecsElapsed() / 1e6);
            // A box of punctuation only ("……") has nothing to translate: reading nothing is right,
            // reading anything else would be sent as junk.
            if (OCRTextCleaner::comparisonForm(label).isEmpty()) {
                ++emptyBoxes;
                emptyBoxesReadAsNothing += !result || OCRTextCleaner::comparisonForm(result->text).isEmpty();
                continue;
            }
            const QString expected = comparable(label);
            const QString got = result ? comparable(result->text) : QString();
            const int edits = levenshteinDistance(expected, got);
            errors.add(edits, expected.toUcs4().size(), 1);
            perfect += edits == 0;
            if (edits) worst.push_back({100.0 * edits / expected.toUcs4().size(), expected, got});
        }
        std::printf("== real crops, %s: %.2f %% character errors, %d of %d lines read exactly, %.0f ms median; "
                    "%d of %d boxes of punctuation only read as nothing ==\n",
                    way == Way::fast ? "fast level" : way == Way::accurate ? "accurate level" : "as the loop reads",
                    errors.rate(), perfect, errors.lines,
                    quantile(times, 0.5), emptyBoxesReadAsNothing, emptyBoxes);
        if (!quiet) {
            std::sort(worst.begin(), worst.end(), [](const Worst& a, const Worst& b) { return a.rate > b.rate; });
            for (size_t i = 0; i < std::min<size_t>(worst.size(), size_t(listed)); ++i)
                std::printf("    %5.1f %%  want %s\n            got  %s\n", worst[i].rate, qPrintable(worst[i].expected),
                            qPrintable(worst[i].got));
        }
    }
    std::printf("\n");
}

struct Sample {
    DialogueImageOptions options;
    QString label;  // for the worst-case list
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption imagesOption("images", "Rendered images in the corpus (each one or two lines).", "N", "360");
    const QCommandLineOption languagesOption("languages", "Tesseract language string.", "L", "");
    const QCommandLineOption autoOption("auto-layout", "Let Tesseract find blocks instead of one block.");
    const QCommandLineOption heightOption("height", "Target text height in pixels, 0 to leave the size.", "PX", "");
    const QCommandLineOption doubtfulOption("doubtful", "Accurate level: confidence below which it reads again.", "C", "");
    const QCommandLineOption timingOption("timing-runs", "Recognitions of the game crop per level.", "N", "30");
    const QCommandLineOption quietOption("quiet", "Do not list the worst readings of subtitle boxes.");
    const QCommandLineOption saveOption("save", "Also write the corpus images into this folder.", "DIR");
    const QCommandLineOption realOption("real", "The real-crop corpus.", "DIR", QStringLiteral(OVISU_REAL_CORPUS_DIR));
    const QCommandLineOption dataOption("data", "Tesseract model folder.", "DIR");
    const QCommandLineOption greyOption("grey", "Recognise the grey image instead of a binarised one.");
    const QCommandLineOption worstOption("worst", "How many of the worst readings to list.", "N", "8");
    parser.addOptions({imagesOption, languagesOption, autoOption, heightOption, doubtfulOption, timingOption,
                       quietOption, saveOption, realOption, dataOption, greyOption, worstOption});
    parser.addHelpOption();
    parser.process(app);

    TesseractRecognizerSettings settings;
    if (parser.isSet(languagesOption)) settings.languages = parser.value(languagesOption);
    settings.singleBlock = !parser.isSet(autoOption);
    if (parser.isSet(heightOption)) settings.targetTextHeight = parser.value(heightOption).toInt();
    if (parser.isSet(doubtfulOption)) settings.doubtfulConfidence = parser.value(doubtfulOption).toDouble();
    if (parser.isSet(dataOption)) settings.dataPath = parser.value(dataOption);
    settings.binarise = !parser.isSet(greyOption);

    const QStringList wanted{"Noto Sans CJK JP", "Noto Serif CJK JP", "IPAexGothic", "IPAexMincho", "VL Gothic"};
    QStringList fonts;
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : wanted)
        if (installed.contains(family)) fonts.append(family);
    const QList<int> sizes{18, 22, 26, 30, 34, 40};
    const QList<QPair<DialogueTextStyle, DialogueBackground>> looks{
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::gradient},
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::busy},
        {DialogueTextStyle::darkOnLightBox, DialogueBackground::gradient},
        {DialogueTextStyle::darkOnLightBox, DialogueBackground::busy},
        {DialogueTextStyle::outlinedOnPicture, DialogueBackground::gradient},
        {DialogueTextStyle::outlinedOnPicture, DialogueBackground::busy},
    };
    const QStringList corpus = sampleDialogueLines();

    // Every combination of font, size and look comes round in turn; two-line images alternate with
    // one-line ones, and each image takes the next lines of the corpus.
    std::vector<Sample> samples;
    const int imageCount = parser.value(imagesOption).toInt();
    int next = 0;
    for (int i = 0; i < imageCount; ++i) {
        Sample sample;
        sample.options.fontFamily = fonts[i % fonts.size()];
        sample.options.pixelSize = sizes[(i / fonts.size()) % sizes.size()];
        const auto look = looks[(i / (fonts.size() * sizes.size()) + i) % looks.size()];
        sample.options.style = look.first;
        sample.options.background = look.second;
        sample.options.seed = unsigned(i + 1);
        // Every seventh crop keeps some picture around the box, as a loosely drawn region does.
        sample.options.pictureMargin = i % 7 == 3 ? sample.options.pixelSize / 2 : 0;
        const int lineCount = i % 2 == 0 ? 2 : 1;
        for (int k = 0; k < lineCount; ++k) sample.options.lines.append(corpus[next++ % corpus.size()]);
        sample.label = QStringLiteral("#%6 %1 %2px, %3%4%5")
                           .arg(sample.options.fontFamily)
                           .arg(sample.options.pixelSize)
                           .arg(QString::fromLatin1(styleName(look.first)),
                                look.second == DialogueBackground::busy ? QStringLiteral(", busy") : QString(),
                                sample.options.pictureMargin ? QStringLiteral(", picture margin") : QString())
                           .arg(i);
        samples.push_back(sample);
    }

    TesseractTextRecognizer recognizer(settings);
    TextRecognitionRequest request;
    request.customWords = QStringList{"す", "ます", "です", "します", "しました", "致します", "致しました"};
    QElapsedTimer clock;
    clock.start();
    if (const auto error = recognizer.start(request)) {
        std::fprintf(stderr, "cannot start the recogniser: %s\n", qPrintable(*error));
        return 1;
    }

    std::printf("Tesseract %s, languages %s, %s, text height %d px, doubtful below %.2f\n",
                tesseract::TessBaseAPI::Version(),
                qPrintable(settings.languages.isEmpty() ? TesseractTextRecognizer::tesseractLanguages(request.languages)
                                                        : settings.languages),
                settings.singleBlock ? "single block" : "automatic layout", settings.targetTextHeight,
                settings.doubtfulConfidence);
    const int worstListed = parser.value(worstOption).toInt();
    benchRealCorpus(parser.value(realOption), recognizer, parser.isSet(quietOption), worstListed);
    if (imageCount <= 0) return 0;
    std::printf("rendered corpus: %d images, fonts: %s\n\n", imageCount, qPrintable(fonts.join(", ")));

    struct Worst {
        double rate;
        QString label, expected, got;
    };
    for (const RecognitionLevel level : {RecognitionLevel::fast, RecognitionLevel::accurate}) {
        request.level = level;
        Errors boxed, onPicture;
        QMap<QString, Errors> byFont, byStyle;
        QMap<int, Errors> bySize;
        std::vector<Worst> worst;
        std::vector<double> times;
        int failures = 0;
        for (const Sample& sample : samples) {
            const RenderedDialogue rendered = renderDialogueImage(sample.options);
            if (parser.isSet(saveOption) && level == RecognitionLevel::fast)
                rendered.image.save(QStringLiteral("%1/%2.png").arg(parser.value(saveOption)).arg(&sample - samples.data()));
            clock.restart();
            const auto lines = recognizer.recognize(rendered.image, request);
            times.push_back(clock.nsecsElapsed() / 1e6);
            const QString expected = comparable(sample.options.lines.join(QString()));
            const QString got = lines ? comparable(joinedText(*lines)) : QString();
            if (!lines) ++failures;
            const int edits = levenshteinDistance(expected, got);
            const qint64 length = expected.toUcs4().size();
            const int lineCount = int(sample.options.lines.size());
            const bool inBox = sample.options.style != DialogueTextStyle::outlinedOnPicture;
            (inBox ? boxed : onPicture).add(edits, length, lineCount);
            byStyle[QString::fromLatin1(styleName(sample.options.style)) +
                    (sample.options.background == DialogueBackground::busy ? QStringLiteral(", busy") : QString())]
                .add(edits, length, lineCount);
            // Fonts and sizes are compared on subtitle boxes, the usual case; text straight on the
            // picture is much harder and would drown the differences.
            if (inBox) {
                byFont[sample.options.fontFamily].add(edits, length, lineCount);
                bySize[sample.options.pixelSize].add(edits, length, lineCount);
            }
            if (edits && inBox) worst.push_back({100.0 * edits / length, sample.label, expected, got});
        }
        std::printf("== %s level: %d failed, %.0f ms median per image ==\n",
                    level == RecognitionLevel::fast ? "fast" : "accurate", failures, quantile(times, 0.5));
        std::printf("  character errors, subtitle boxes:     %6.2f %% over %d lines (%lld characters)\n", boxed.rate(),
                    boxed.lines, static_cast<long long>(boxed.characters));
        std::printf("  character errors, text on the picture: %5.2f %% over %d lines (%lld characters)\n",
                    onPicture.rate(), onPicture.lines, static_cast<long long>(onPicture.characters));
        const auto worstOf = [](const auto& map) {
            auto it = std::max_element(map.begin(), map.end(),
                                       [](const Errors& a, const Errors& b) { return a.rate() < b.rate(); });
            return std::make_pair(it.key(), it.value().rate());
        };
        for (auto it = byStyle.begin(); it != byStyle.end(); ++it)
            std::printf("  %-28s %6.2f %%\n", qPrintable(it.key()), it.value().rate());
        for (auto it = byFont.begin(); it != byFont.end(); ++it)
            std::printf("  %-28s %6.2f %%\n", qPrintable(it.key()), it.value().rate());
        for (auto it = bySize.begin(); it != bySize.end(); ++it)
            std::printf("  %-28s %6.2f %%\n", qPrintable(QStringLiteral("%1 px").arg(it.key())), it.value().rate());
        const auto font = worstOf(byFont);
        const auto size = worstOf(bySize);
        std::printf("  subtitle boxes: worst font %s (%.2f %%), worst size %d px (%.2f %%)\n", qPrintable(font.first),
                    font.second, size.first, size.second);
        if (!parser.isSet(quietOption)) {
            std::sort(worst.begin(), worst.end(), [](const Worst& a, const Worst& b) { return a.rate > b.rate; });
            for (size_t i = 0; i < std::min<size_t>(worst.size(), size_t(worstListed)); ++i)
                std::printf("    %5.1f %%  %s\n            want %s\n            got  %s\n", worst[i].rate,
                            qPrintable(worst[i].label), qPrintable(worst[i].expected), qPrintable(worst[i].got));
        }
        std::printf("\n");
    }

    // A two-line subtitle crop of a 1280x720 frame, as the realtime loop hands it over.
    const int runs = std::max(1, parser.value(timingOption).toInt());
    std::printf("two-line crop of a 1280x720 frame (Noto Sans CJK JP 30 px, outlined on a dark box over a busy "
                "picture, enlarged to 960 px wide as the pipeline does):\n");
    for (const RecognitionLevel level : {RecognitionLevel::fast, RecognitionLevel::accurate}) {
        request.level = level;
        std::vector<double> times;
        QSize cropSize;
        for (int i = 0; i < runs; ++i) {
            DialogueImageOptions options;
            options.lines = {corpus[(2 * i) % corpus.size()], corpus[(2 * i + 1) % corpus.size()]};
            options.background = DialogueBackground::busy;
            options.seed = unsigned(1000 + i);
            const RenderedGameFrame frame = renderGameFrame(options);
            // Enlarged as the dialogue pipeline does before it recognises.
            const QImage crop = DialogueRecognition::upscaledOCRImage(frame.frame.copy(frame.subtitleRect));
            cropSize = crop.size();
            clock.restart();
            const auto lines = recognizer.recognize(crop, request);
            times.push_back(clock.nsecsElapsed() / 1e6);
            if (!lines) std::printf("  failed: %s\n", qPrintable(lines.error()));
        }
        std::printf("  %-8s  median %6.1f ms   p95 %6.1f ms   (%d runs, crops about %dx%d)\n",
                    level == RecognitionLevel::fast ? "fast" : "accurate", quantile(times, 0.5), quantile(times, 0.95),
                    runs, cropSize.width(), cropSize.height());
    }

    std::vector<double> startTimes;
    for (int i = 0; i < 5; ++i) {
        TesseractTextRecognizer fresh(settings);
        clock.restart();
        if (const auto error = fresh.start(request)) {
            std::fprintf(stderr, "cannot start the recogniser: %s\n", qPrintable(*error));
            return 1;
        }
        startTimes.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("engine start-up: median %.0f ms, p95 %.0f ms (5 starts)\n", quantile(startTimes, 0.5),
                quantile(startTimes, 0.95));
    return 0;
}
