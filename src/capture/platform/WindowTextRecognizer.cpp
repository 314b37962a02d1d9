#include "capture/platform/WindowTextRecognizer.h"

#include "capture/platform/OCRImagePreparation.h"
#include "capture/platform/TesseractTextRecognizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cmath>

namespace ovisu {
namespace {

const QString kCancelled = QStringLiteral("文字识别已取消");

double overlapOfSmaller(const QRectF& a, const QRectF& b) {
    const QRectF common = a.intersected(b);
    if (common.isEmpty()) return 0;
    const double smaller = std::min(a.width() * a.height(), b.width() * b.height());
    return smaller > 0 ? common.width() * common.height() / smaller : 0;
}

}  // namespace

struct WindowTextRecognizer::Engine {
    tesseract::TessBaseAPI api;
};

struct WindowTextRecognizer::Reading {
    QString text;
    double confidence = 0;
};

WindowTextRecognizer::WindowTextRecognizer(WindowTextRecognizerSettings settings) : settings_(std::move(settings)) {}

WindowTextRecognizer::~WindowTextRecognizer() = default;

void WindowTextRecognizer::setCancelCheck(std::function<bool()> check) {
    cancelCheck_ = std::move(check);
}

QString WindowTextRecognizer::missingModelReason(const QString& path) {
    return QStringLiteral("未找到界面文字检测模型：%1。请运行 scripts/install-deps.sh 后重新构建。")
        .arg(QDir::toNativeSeparators(path));
}

QString WindowTextRecognizer::defaultModelPath() {
    if (qEnvironmentVariableIsSet("OVISU_TEXT_DETECTOR_MODEL")) return qEnvironmentVariable("OVISU_TEXT_DETECTOR_MODEL");
    const QString name = QStringLiteral("/ovisu/models/text-detector.onnx");
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates.append(QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share") + name));
#ifdef OVISU_BUILD_TEXT_DETECTOR_MODEL
    candidates.append(QStringLiteral(OVISU_BUILD_TEXT_DETECTOR_MODEL));
#endif
    candidates.append(QStringLiteral("/usr/local/share") + name);
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isReadable()) return candidate;
    return candidates.constLast();
}

std::optional<QString> WindowTextRecognizer::start() {
    keepOpenMPOnThisThread();
    if (!detector_) {
        const QString path = settings_.modelPath.isEmpty() ? defaultModelPath() : settings_.modelPath;
        if (!QFileInfo(path).isReadable()) return missingModelReason(path);
        auto detector = TextLineDetector::load(path, settings_.detector);
        if (!detector) return detector.error();
        detector_ = std::move(*detector);
    }
    if (!engines_.empty()) return std::nullopt;
    const QString debian = settings_.dataPath.isNull() ? TesseractTextRecognizer::defaultDataPath() : settings_.dataPath;
    const QString best =
        settings_.bestDataPath.isNull() ? TesseractTextRecognizer::defaultBestDataPath() : settings_.bestDataPath;
    QStringList missing;
    for (const QString& folder : {best, debian}) {
        if (folder.isEmpty()) continue;
        const QDir dir(folder);
        if (!QFileInfo(dir.filePath(QStringLiteral("jpn.traineddata"))).isReadable()) {
            missing.append(QDir::toNativeSeparators(dir.absolutePath()));
            continue;
        }
        auto engine = std::make_unique<Engine>();
        std::vector<std::string> names{"debug_file"};
        std::vector<std::string> values{"/dev/null"};
        const QByteArray path = QFile::encodeName(dir.absolutePath() + QLatin1Char('/'));
        if (engine->api.Init(path.constData(), "jpn", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
            missing.append(QDir::toNativeSeparators(dir.absolutePath()));
            continue;
        }
        // One line per image, read as it is: the line-finding of the single-line mode returned
        // nothing for some short menu words that this mode reads.
        engine->api.SetPageSegMode(tesseract::PSM_RAW_LINE);
        engines_.push_back(std::move(engine));
    }
    if (engines_.empty())
        return QStringLiteral("文字识别模型缺失：%1 中没有 jpn.traineddata").arg(missing.join(QStringLiteral("、")));
    return std::nullopt;
}

QImage WindowTextRecognizer::localPolarityImage(const QImage& image) {
    const QImage colour = image.convertToFormat(QImage::Format_RGB888);
    const QImage grey = OCRImagePreparation::grey(colour);
    const cv::Mat greyMat(grey.height(), grey.width(), CV_8U, const_cast<uchar*>(grey.constBits()),
                          size_t(grey.bytesPerLine()));
    // The ground around each pixel: the mean over about a hundred pixels, wide enough that the
    // letters of a menu word barely lift the dark panel they stand on. Worked out at an eighth of
    // the size, where it costs little.
    cv::Mat small, ground;
    const cv::Size reduced(std::max(1, grey.width() / 8), std::max(1, grey.height() / 8));
    cv::resize(greyMat, small, reduced, 0, 0, cv::INTER_AREA);
    cv::blur(small, small, cv::Size(13, 13), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::resize(small, ground, greyMat.size(), 0, 0, cv::INTER_LINEAR);

    QImage result(colour.size(), QImage::Format_RGB888);
    // Dark ground is turned round, light ground kept; in the narrow band between, the two are
    // blended, which flattens the seam instead of drawing a new edge along it.
    constexpr int darkBelow = 105, lightAbove = 150;
    for (int y = 0; y < colour.height(); ++y) {
        const uchar* in = colour.constScanLine(y);
        const uchar* around = ground.ptr<uchar>(y);
        uchar* out = result.scanLine(y);
        for (int x = 0; x < colour.width(); ++x) {
            const int keep = std::clamp((around[x] - darkBelow) * 256 / (lightAbove - darkBelow), 0, 256);
            for (int c = 0; c < 3; ++c) {
                const int value = in[3 * x + c];
                out[3 * x + c] = uchar((value * keep + (255 - value) * (256 - keep)) >> 8);
            }
        }
    }
    return result;
}

std::expected<QList<DetectedTextLine>, QString> WindowTextRecognizer::detectLines(const QImage& image) {
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::unexpected(QStringLiteral("文字识别失败：图像为空"));
    if (const auto error = start()) return std::unexpected(*error);
    QList<DetectedTextLine> lines;
    for (const WindowTextRecognizerSettings::DetectorPass& pass : settings_.passes) {
        if (cancelled()) return std::unexpected(kCancelled);
        using Look = WindowTextRecognizerSettings::DetectorPass::Look;
        QImage seen;
        switch (pass.look) {
            case Look::asIs: seen = image; break;
            case Look::inverted:
                seen = image.convertToFormat(QImage::Format_RGB888);
                seen.invertPixels();
                break;
            case Look::localPolarity: seen = localPolarityImage(image); break;
        }
        auto found = detector_->detect(seen, pass.scale);
        if (!found) return std::unexpected(found.error());
        if (settings_.refineScale > 0) {
            found = refineSmallLines(seen, std::move(*found));
            if (!found) return std::unexpected(found.error());
        }
        // A line found by two passes is kept once, as the pass surer of it drew it.
        for (const DetectedTextLine& line : *found) {
            auto same = std::find_if(lines.begin(), lines.end(), [&](const DetectedTextLine& other) {
                return overlapOfSmaller(line.box, other.box) > 0.6;
            });
            if (same == lines.end())
                lines.append(line);
            else if (line.score > same->score)
                *same = line;
        }
    }
    // Reading order: rows from the top, left to right within a row.
    std::sort(lines.begin(), lines.end(), [](const DetectedTextLine& a, const DetectedTextLine& b) {
        const double rowA = a.box.center().y(), rowB = b.box.center().y();
        if (std::abs(rowA - rowB) > std::min(a.box.height(), b.box.height()) / 2) return rowA < rowB;
        return a.box.left() < b.box.left();
    });
    return lines;
}

std::expected<QList<DetectedTextLine>, QString> WindowTextRecognizer::refineSmallLines(const QImage& seen,
                                                                                      QList<DetectedTextLine> lines) {
    // The stretches around small lines: a row of quick-menu words is one stretch. At the first
    // scale their boxes are often pieces of words, or several words run together.
    QList<QRect> stretches;
    for (const DetectedTextLine& line : lines) {
        if (line.box.height() >= settings_.smallTextHeight) continue;
        const double h = std::max(line.box.height(), 8.0);
        QRect around = line.box.adjusted(-3 * h, -h, 3 * h, h).toAlignedRect().intersected(seen.rect());
        // Stretches that now touch become one, until none do.
        // Words of a row whose neighbours were missed (greyed-out quick-menu words) lie between
        // stretches: those of a row a few heights apart become one.
        const auto near = [](const QRect& a, const QRect& b) {
            const int reach = 3 * std::max(a.height(), b.height());
            return a.adjusted(-reach, 0, reach, 0).intersects(b);
        };
        for (bool merged = true; merged;) {
            merged = false;
            for (qsizetype i = 0; i < stretches.size(); ++i) {
                if (near(stretches[i], around)) {
                    around = around.united(stretches.takeAt(i));
                    merged = true;
                    break;
                }
            }
        }
        stretches.append(around);
    }
    for (const QRect& stretch : stretches) {
        if (cancelled()) return std::unexpected(kCancelled);
        auto refined = detector_->detect(seen.copy(stretch), settings_.refineScale);
        if (!refined) return std::unexpected(refined.error());
        // What the closer look found stands for the small lines of the stretch; where it found
        // nothing, they were bits of the picture.
        lines.removeIf([&](const DetectedTextLine& line) {
            return line.box.height() < settings_.smallTextHeight && stretch.contains(line.box.center().toPoint());
        });
        for (DetectedTextLine line : *refined) {
            line.box.translate(stretch.topLeft());
            lines.append(line);
        }
    }
    return lines;
}

std::optional<WindowTextRecognizer::Reading> WindowTextRecognizer::read(const QImage& grey, const QRectF& box,
                                                                         Engine& engine) {
    // A little ground on every side: a letter that touches the crop's edge is taken for a cut
    // piece of the picture and cleared.
    const double margin = std::max(2.0, box.height() * settings_.readingMargin);
    const QRect pixels = box.adjusted(-margin, -margin, margin, margin).toAlignedRect().intersected(grey.rect());
    if (pixels.width() < 4 || pixels.height() < 4) return std::nullopt;
    OCRImagePreparation::Options options;
    options.targetTextHeight = settings_.targetTextHeight;
    const PreparedOCRImage prepared = OCRImagePreparation::prepare(grey.copy(pixels), options);
    if (prepared.blank || prepared.image.isNull()) return std::nullopt;

    tesseract::TessBaseAPI& api = engine.api;
    const QImage& image = prepared.image;
    api.SetImage(image.constBits(), image.width(), image.height(), 1, int(image.bytesPerLine()));
    api.SetSourceResolution(96);
    std::unique_ptr<char[]> utf8(api.GetUTF8Text());
    Reading reading;
    reading.text = removeSpacesBetweenCJK(QString::fromUtf8(utf8 ? utf8.get() : "").simplified());
    reading.confidence = std::clamp(api.MeanTextConf() / 100.0, 0.0, 1.0);
    api.Clear();
    if (reading.text.isEmpty()) return std::nullopt;
    return reading;
}

std::expected<QList<RecognizedLine>, QString> WindowTextRecognizer::recognize(const QImage& image,
                                                                              const TextRecognitionRequest& request) {
    (void)request;  // the window's text is Japanese; the detector itself knows no language
    auto lines = detectLines(image);
    if (!lines) return std::unexpected(lines.error());
    const QImage grey = OCRImagePreparation::grey(image);
    const double width = image.width();
    const double height = image.height();
    QList<RecognizedLine> recognized;
    for (const DetectedTextLine& line : *lines) {
        if (cancelled()) return std::unexpected(kCancelled);
        std::optional<Reading> best;
        for (const auto& engine : engines_) {
            // The first model (the better one) reading a line with confidence leaves nothing
            // for the second to improve; it only reads what the first doubts.
            if (best && best->confidence >= settings_.confidentReading) break;
            const auto reading = read(grey, line.box, *engine);
            if (reading && (!best || reading->confidence > best->confidence)) best = reading;
        }
        if (!best || best->confidence < settings_.minimumConfidence) continue;
        RecognizedLine result;
        result.text = best->text;
        result.confidence = best->confidence;
        // Recognised boxes have their origin at the bottom-left.
        const QRectF& box = line.box;
        result.normalizedRect =
            QRectF(box.left() / width, 1.0 - box.bottom() / height, box.width() / width, box.height() / height);
        recognized.append(result);
    }
    return recognized;
}

}  // namespace ovisu
