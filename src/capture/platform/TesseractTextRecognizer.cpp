#include "capture/platform/TesseractTextRecognizer.h"

#include "base/AppLogger.h"
#include "capture/BaselineDotsReading.h"
#include "capture/RecognizedWordTrimming.h"
#include "capture/platform/OCRImagePreparation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace ovisu {
namespace {

bool isCJK(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF)     // radicals
           || (c >= 0x3001 && c <= 0x303F)  // CJK punctuation (not the ideographic space)
           || (c >= 0x3040 && c <= 0x30FF)  // hiragana, katakana
           || (c >= 0x3190 && c <= 0x33FF)  // kanbun, katakana extensions, enclosed and compatibility forms
           || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)
           || (c >= 0xFF01 && c <= 0xFF60)  // full-width forms
           || (c >= 0xFF61 && c <= 0xFF9F)  // half-width katakana and punctuation
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFF)
           || c == 0x2015 || c == 0x2025 || c == 0x2026;  // dash and ellipses of Japanese text
}

bool isRemovableSpace(char32_t c) {
    return c != U'\n' && c != U'\r' && c != 0x3000 && QChar::isSpace(c);
}

QString languageCode(const QString& language) {
    const QString lower = language.toLower();
    const QString base = lower.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
    if (base == QLatin1String("ja")) return QStringLiteral("jpn");
    if (base == QLatin1String("en")) return QStringLiteral("eng");
    if (base == QLatin1String("ko")) return QStringLiteral("kor");
    if (base == QLatin1String("zh")) {
        const bool traditional = lower.contains(QLatin1String("hant")) || lower.endsWith(QLatin1String("-tw")) ||
                                 lower.endsWith(QLatin1String("-hk"));
        return traditional ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
    }
    return {};
}

QString trimmed(const char* utf8) {
    return utf8 ? QString::fromUtf8(utf8).trimmed() : QString();
}

}  // namespace

struct TesseractTextRecognizer::EngineKey {
    QString languages;
    QStringList customWords;
    bool languageCorrection = true;
    bool operator==(const EngineKey&) const = default;
};

struct TesseractTextRecognizer::Engine {
    tesseract::TessBaseAPI api;
    EngineKey key;
};

struct TesseractTextRecognizer::PassResult {
    QList<RecognizedLine> lines;
    double meanConfidence = 0;
};

TesseractTextRecognizer::TesseractTextRecognizer(TesseractRecognizerSettings settings)
    : settings_(std::move(settings)) {}

TesseractTextRecognizer::~TesseractTextRecognizer() = default;

QString TesseractTextRecognizer::defaultBestDataPath() {
    if (qEnvironmentVariableIsSet("OVISU_TESSDATA_BEST")) return qEnvironmentVariable("OVISU_TESSDATA_BEST");
    // The installed program's own copy (<prefix>/share/ovisu beside <prefix>/bin), else the one
    // the install script fetched for builds run from the source tree.
    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ovisu/tessdata-best")));
    folders.append(QStringLiteral("/usr/local/share/ovisu/tessdata-best"));
    for (const QString& folder : folders)
        if (QFileInfo(folder + QStringLiteral("/jpn.traineddata")).isReadable()) return folder;
    return QString();
}

QString TesseractTextRecognizer::defaultDataPath() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return prefix.isEmpty() ? QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") : prefix;
}

QString TesseractTextRecognizer::tesseractLanguages(const QStringList& languages) {
    QStringList codes;
    for (const QString& language : languages) {
        const QString code = languageCode(language);
        if (!code.isEmpty() && !codes.contains(code)) codes.append(code);
    }
    // The Japanese model reads Latin letters and digits itself. With the English model beside it,
    // Tesseract tries English on every word it doubts and keeps what it likes better: on rendered
    // subtitles that made more errors (5.2 % against 3.4 % of characters) and took a third longer.
    if (codes.contains(QLatin1String("jpn"))) codes.removeAll(QStringLiteral("eng"));
    return codes.join(QLatin1Char('+'));
}

void TesseractTextRecognizer::setCancelCheck(std::function<bool()> check) {
    cancelCheck_ = std::move(check);
}

std::optional<QString> TesseractTextRecognizer::start(const TextRecognitionRequest& request) {
    keepOpenMPOnThisThread();
    EngineKey key{settings_.languages.isEmpty() ? tesseractLanguages(request.languages) : settings_.languages,
                  request.customWords, request.languageCorrection};
    if (engine_ && engine_->key == key) return std::nullopt;
    engine_.reset();
    bestEngine_.reset();
    if (key.languages.isEmpty())
        return QStringLiteral("文字识别不支持所选语言：%1").arg(request.languages.join(QStringLiteral(", ")));
    auto engine = startEngine(settings_.dataPath.isEmpty() ? defaultDataPath() : settings_.dataPath, key);
    if (!engine) return engine.error();
    engine_ = std::move(*engine);
    // The better model is a help, not a need: without it the accurate level reads with one model.
    const QString bestPath = settings_.bestDataPath.isNull() ? defaultBestDataPath() : settings_.bestDataPath;
    if (!bestPath.isEmpty() && key.languages == QLatin1String("jpn")) {
        auto best = startEngine(bestPath, key);
        if (best)
            bestEngine_ = std::move(*best);
        else
            AppLogger::shared().warning(QStringLiteral("ocr"), QStringLiteral("高精度识别只用一个模型：") + best.error());
    }
    return std::nullopt;
}

std::expected<std::unique_ptr<TesseractTextRecognizer::Engine>, QString> TesseractTextRecognizer::startEngine(
    const QString& dataPath, const EngineKey& key) {
    // Tesseract reports a missing model only on its error output; look first, so the reason reaches
    // the caller.
    const QDir folder(dataPath);
    for (const QString& code : key.languages.split(QLatin1Char('+'))) {
        if (!QFileInfo(folder.filePath(code + QStringLiteral(".traineddata"))).isReadable())
            return std::unexpected(QStringLiteral("文字识别模型缺失：%1 中没有 %2.traineddata")
                                       .arg(QDir::toNativeSeparators(folder.absolutePath()), code));
    }

    // Custom words reach Tesseract's dictionary through a word list read while the engine starts.
    QTemporaryFile wordsFile(QDir::tempPath() + QStringLiteral("/ovisu-ocr-words-XXXXXX.txt"));
    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    if (!key.customWords.isEmpty() && wordsFile.open()) {
        wordsFile.write(key.customWords.join(QLatin1Char('\n')).toUtf8() + '\n');
        wordsFile.flush();
        names.push_back("user_words_file");
        values.push_back(QFile::encodeName(wordsFile.fileName()).toStdString());
    }
    if (!key.languageCorrection) {
        for (const char* name : {"load_system_dawg", "load_freq_dawg"}) {
            names.push_back(name);
            values.push_back("0");
        }
    }

    auto engine = std::make_unique<Engine>();
    const QByteArray path = QFile::encodeName(folder.absolutePath() + QLatin1Char('/'));
    const QByteArray languages = key.languages.toUtf8();
    if (engine->api.Init(path.constData(), languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                         &names, &values, false) != 0)
        return std::unexpected(QStringLiteral("文字识别引擎无法启动（语言 %1，模型目录 %2）")
                                   .arg(key.languages, QDir::toNativeSeparators(folder.absolutePath())));
    engine->api.SetPageSegMode(settings_.singleBlock ? tesseract::PSM_SINGLE_BLOCK : tesseract::PSM_AUTO);
    // Tesseract drops rows whose blobs look like noise to it; on subtitle crops that threw away whole
    // lines of clean text at some scales. Noise is the business of the preparation and the noise
    // filter here.
    engine->api.SetVariable("textord_noise_rejrows", "0");
    engine->key = key;
    return engine;
}

std::expected<TesseractTextRecognizer::PassResult, QString> TesseractTextRecognizer::runPass(
    const PreparedOCRImage& prepared, Engine& engine) {
    struct CancelState {
        const std::function<bool()>* check;
        bool cancelled = false;
    } state{&cancelCheck_};
    if (cancelCheck_ && cancelCheck_()) return std::unexpected(QStringLiteral("文字识别已取消"));
    // Tesseract reads a stray "|" into a page without a single dark pixel.
    if (prepared.blank) return PassResult{};

    tesseract::TessBaseAPI& api = engine.api;
    const QImage& image = prepared.image;
    api.SetImage(image.constBits(), image.width(), image.height(), 1, int(image.bytesPerLine()));
    // Screen text has no physical resolution; a fixed value keeps Tesseract from guessing one.
    api.SetSourceResolution(96);

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = [](void* data, int) {
        auto* cancel = static_cast<CancelState*>(data);
        if (!cancel->cancelled && *cancel->check && (*cancel->check)()) cancel->cancelled = true;
        return cancel->cancelled;
    };
    monitor.cancel_this = &state;
    const int status = api.Recognize(&monitor);
    if (state.cancelled) {
        api.Clear();
        return std::unexpected(QStringLiteral("文字识别已取消"));
    }
    if (status != 0) {
        api.Clear();
        return std::unexpected(QStringLiteral("文字识别失败（Tesseract 无法处理这张图像）"));
    }

    PassResult result;
    const double width = image.width();
    const double height = image.height();
    const auto lineOf = [&](const QString& text, double confidence, const QRect& pixels) {
        RecognizedLine line;
        line.text = text;
        line.confidence = std::clamp(confidence, 0.0, 1.0);
        // Tesseract counts rows from the top; recognised boxes have their origin at the bottom-left.
        // The prepared image is the input scaled, so the normalised box fits both.
        const QRectF box(QPointF(std::clamp(pixels.left() / width, 0.0, 1.0), std::clamp(pixels.top() / height, 0.0, 1.0)),
                         QPointF(std::clamp((pixels.right() + 1) / width, 0.0, 1.0),
                                 std::clamp((pixels.bottom() + 1) / height, 0.0, 1.0)));
        line.normalizedRect = QRectF(box.left(), 1.0 - box.bottom(), box.width(), box.height());
        return line;
    };
    std::unique_ptr<tesseract::ResultIterator> iterator(api.GetIterator());
    if (iterator && !iterator->Empty(tesseract::RIL_SYMBOL)) {
        // Character by character, so that what a character's shape says can mend its reading; then
        // word by word, so that a line is trimmed of the scattered pieces a picture or a frame adds.
        struct LineReading {
            QList<RecognizedWord> words;
            QList<RecognizedSymbol> symbols;
            QList<qsizetype> wordOfSymbol;
            double confidence = 0;
        };
        QList<LineReading> lines;
        const auto boxAt = [&](tesseract::PageIteratorLevel level) -> std::optional<QRect> {
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!iterator->BoundingBox(level, &left, &top, &right, &bottom)) return std::nullopt;
            return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        };
        do {
            if (lines.isEmpty() || iterator->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
                lines.append(LineReading{{}, {}, {}, iterator->Confidence(tesseract::RIL_TEXTLINE) / 100.0});
            LineReading& line = lines.last();
            if (line.words.isEmpty() || iterator->IsAtBeginningOf(tesseract::RIL_WORD)) {
                const auto box = boxAt(tesseract::RIL_WORD);
                line.words.append({QString(), iterator->Confidence(tesseract::RIL_WORD) / 100.0, box.value_or(QRect())});
            }
            const auto box = boxAt(tesseract::RIL_SYMBOL);
            if (!box) continue;
            std::unique_ptr<char[]> utf8(iterator->GetUTF8Text(tesseract::RIL_SYMBOL));
            line.symbols.append({trimmed(utf8.get()), *box});
            line.wordOfSymbol.append(line.words.size() - 1);
        } while (iterator->Next(tesseract::RIL_SYMBOL));

        for (LineReading& line : lines) {
            const QStringList symbolTexts = BaselineDotsReading::texts(line.symbols, image);
            for (qsizetype k = 0; k < symbolTexts.size(); ++k) line.words[line.wordOfSymbol[k]].text += symbolTexts[k];
            line.words.removeIf([](const RecognizedWord& word) { return word.text.isEmpty(); });
            const QList<RecognizedWord> kept = RecognizedWordTrimming::kept(line.words);
            // Words are spaced only between Latin letters or digits, as in the line's own text.
            QString text;
            QRect box;
            double sum = 0;
            for (const RecognizedWord& word : kept) {
                if (!text.isEmpty() && !isCJK(text.back().unicode()) && !isCJK(word.text.front().unicode()))
                    text += QLatin1Char(' ');
                text += word.text;
                box = box.united(word.box);
                sum += word.confidence;
            }
            if (text.isEmpty()) continue;
            const bool whole = kept.size() == line.words.size();
            result.lines.append(lineOf(text, whole ? line.confidence : sum / double(kept.size()), box));
        }
    }
    api.Clear();
    if (!result.lines.isEmpty()) {
        double sum = 0;
        for (const RecognizedLine& line : result.lines) sum += line.confidence;
        result.meanConfidence = sum / result.lines.size();
    }
    return result;
}

std::expected<QList<RecognizedLine>, QString> TesseractTextRecognizer::recognize(const QImage& image,
                                                                                 const TextRecognitionRequest& request) {
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::unexpected(QStringLiteral("文字识别失败：图像为空"));
    if (const auto error = start(request)) return std::unexpected(*error);

    OCRImagePreparation::Options options;
    options.targetTextHeight = settings_.targetTextHeight;
    options.binarise = settings_.binarise;
    const PreparedOCRImage first = OCRImagePreparation::prepare(image, options);
    auto firstPass = runPass(first, *engine_);
    if (!firstPass || request.level == RecognitionLevel::fast) {
        if (!firstPass) return std::unexpected(firstPass.error());
        return firstPass->lines;
    }
    // The accurate level also reads with the better model, where there is one, and keeps the
    // better reading: each model misreads lines the other reads right.
    if (bestEngine_) {
        auto bestPass = runPass(first, *bestEngine_);
        if (!bestPass) return std::unexpected(bestPass.error());
        firstPass = betterReading(std::move(*firstPass), std::move(*bestPass));
    }
    if (firstPass->lines.isEmpty() || firstPass->meanConfidence >= settings_.doubtfulConfidence)
        return firstPass->lines;

    // A doubtful reading: the ground may have fooled the polarity test (outlined text straight on a
    // bright picture), so read the other way round and keep whichever reading is better.
    options.polarity = first.polarity == InkPolarity::lightOnDark ? InkPolarity::darkOnLight : InkPolarity::lightOnDark;
    const PreparedOCRImage second = OCRImagePreparation::prepare(image, options);
    auto secondPass = runPass(second, *engine_);
    if (!secondPass) return std::unexpected(secondPass.error());
    return readingWeight(*secondPass) > readingWeight(*firstPass) ? secondPass->lines : firstPass->lines;
}

// Both models see the same page layout, so their lines usually pair up one to one: then each line
// is taken from the model that read it more surely. Otherwise the weightier reading wins whole.
TesseractTextRecognizer::PassResult TesseractTextRecognizer::betterReading(PassResult first, PassResult second) {
    if (first.lines.size() != second.lines.size() || first.lines.isEmpty())
        return readingWeight(second) > readingWeight(first) ? std::move(second) : std::move(first);
    double sum = 0;
    for (qsizetype i = 0; i < first.lines.size(); ++i) {
        if (second.lines[i].confidence > first.lines[i].confidence) first.lines[i] = second.lines[i];
        sum += first.lines[i].confidence;
    }
    first.meanConfidence = sum / double(first.lines.size());
    return first;
}

// Surer text counts, and so does more of it: a fragment read surely from the picture must not win
// over the whole line read a little less surely.
double TesseractTextRecognizer::readingWeight(const PassResult& pass) {
    double sum = 0;
    for (const RecognizedLine& line : pass.lines) sum += line.confidence * double(line.text.size());
    return sum;
}

void keepOpenMPOnThisThread() {
    thread_local bool done = false;
    if (done) return;
    done = true;
    using SetMaxActiveLevels = void (*)(int);
    if (void* symbol = dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"))
        reinterpret_cast<SetMaxActiveLevels>(symbol)(0);
}

QString removeSpacesBetweenCJK(const QString& text) {
    const QList<uint> scalars = text.toUcs4();
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < scalars.size()) {
        const char32_t c = scalars[i];
        if (!isRemovableSpace(c)) {
            result.append(QString::fromUcs4(&c, 1));
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < scalars.size() && isRemovableSpace(scalars[end])) ++end;
        const bool between = i > 0 && end < scalars.size() && isCJK(scalars[i - 1]) && isCJK(scalars[end]);
        if (!between)
            for (qsizetype k = i; k < end; ++k) {
                const char32_t space = scalars[k];
                result.append(QString::fromUcs4(&space, 1));
            }
        i = end;
    }
    return result;
}

}  // namespace ovisu
