#include "capture/platform/TextLineDetector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ovisu {

struct TextLineDetector::Network {
    cv::dnn::Net net;
};

TextLineDetector::TextLineDetector(std::unique_ptr<Network> network, TextLineDetectorSettings settings)
    : network_(std::move(network)), settings_(settings) {}

TextLineDetector::~TextLineDetector() = default;

std::expected<std::unique_ptr<TextLineDetector>, QString> TextLineDetector::load(const QString& modelPath,
                                                                                  TextLineDetectorSettings settings) {
    if (!QFileInfo(modelPath).isReadable())
        return std::unexpected(QStringLiteral("未找到界面文字检测模型：%1").arg(QDir::toNativeSeparators(modelPath)));
    auto network = std::make_unique<Network>();
    // OpenCV reports what it cannot read by throwing; that stops here.
    try {
        network->net = cv::dnn::readNetFromONNX(QFile::encodeName(modelPath).toStdString());
    } catch (const cv::Exception& error) {
        return std::unexpected(QStringLiteral("界面文字检测模型无法载入（%1）：%2")
                                   .arg(QDir::toNativeSeparators(modelPath), QString::fromStdString(error.msg)));
    }
    if (network->net.empty())
        return std::unexpected(QStringLiteral("界面文字检测模型无法载入：%1").arg(QDir::toNativeSeparators(modelPath)));
    network->net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
    network->net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    return std::unique_ptr<TextLineDetector>(new TextLineDetector(std::move(network), settings));
}

namespace {

// The network's input: the image resized to sides that are multiples of 32, as BGR planes
// normalised the way PaddleOCR trained it (ImageNet's mean and deviation, in B, G, R order of
// its OpenCV-read images).
cv::Mat networkInput(const QImage& image, int width, int height) {
    const QImage resized = image.convertToFormat(QImage::Format_RGB888)
                               .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    constexpr float mean[3] = {0.485f, 0.456f, 0.406f};
    constexpr float deviation[3] = {0.229f, 0.224f, 0.225f};
    const int sizes[] = {1, 3, height, width};
    cv::Mat blob(4, sizes, CV_32F);
    float* planes[3];
    for (int c = 0; c < 3; ++c) planes[c] = blob.ptr<float>(0, c);
    float scale[3], offset[3];
    for (int c = 0; c < 3; ++c) {
        scale[c] = 1.0f / (255.0f * deviation[c]);
        offset[c] = -mean[c] / deviation[c];
    }
    for (int y = 0; y < height; ++y) {
        const uchar* row = resized.constScanLine(y);
        const qsizetype at = qsizetype(y) * width;
        for (int x = 0; x < width; ++x) {
            // Plane 0 is blue: the RGB pixel's last byte.
            for (int c = 0; c < 3; ++c) planes[c][at + x] = row[3 * x + (2 - c)] * scale[c] + offset[c];
        }
    }
    return blob;
}

int multipleOf32(double side) {
    return std::max(32, int(std::lround(side / 32.0)) * 32);
}

}  // namespace

std::expected<QList<DetectedTextLine>, QString> TextLineDetector::detect(const QImage& image, double scale) {
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::unexpected(QStringLiteral("界面文字检测失败：图像为空"));
    const int width = multipleOf32(image.width() * scale);
    const int height = multipleOf32(image.height() * scale);
    cv::Mat probability;
    try {
        network_->net.setInput(networkInput(image, width, height));
        const cv::Mat output = network_->net.forward();
        if (output.dims != 4 || output.size[2] != height || output.size[3] != width)
            return std::unexpected(QStringLiteral("界面文字检测模型的输出不合预期（不是本程序改写过的模型？）"));
        probability = cv::Mat(height, width, CV_32F, const_cast<float*>(output.ptr<float>())).clone();
    } catch (const cv::Exception& error) {
        return std::unexpected(QStringLiteral("界面文字检测失败：%1").arg(QString::fromStdString(error.msg)));
    }

    cv::Mat text;
    cv::threshold(probability, text, settings_.pixelThreshold, 255, cv::THRESH_BINARY);
    text.convertTo(text, CV_8U);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(text, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);

    const double toImageX = double(image.width()) / width;
    const double toImageY = double(image.height()) / height;
    QList<DetectedTextLine> lines;
    cv::Mat mask;
    for (const std::vector<cv::Point>& contour : contours) {
        if (contour.size() < 3) continue;
        const cv::RotatedRect core = cv::minAreaRect(contour);
        if (std::min(core.size.width, core.size.height) < settings_.minimumSide) continue;
        // The mean probability inside the region tells text from the odd bright spot of a picture.
        const cv::Rect bounds = cv::boundingRect(contour) & cv::Rect(0, 0, width, height);
        if (bounds.empty()) continue;
        mask.create(bounds.height, bounds.width, CV_8U);
        mask.setTo(0);
        std::vector<std::vector<cv::Point>> shifted{contour};
        for (cv::Point& point : shifted[0]) point -= bounds.tl();
        cv::fillPoly(mask, shifted, cv::Scalar(255));
        const double score = cv::mean(probability(bounds), mask)[0];
        if (score < settings_.boxThreshold) continue;
        // The network marks a shrunk core of each line: grow it back by the distance the training
        // shrank it by. On a rectangle, growing every side by d is what offsetting the polygon does.
        const double area = double(core.size.width) * core.size.height;
        const double perimeter = 2.0 * (double(core.size.width) + core.size.height);
        const double distance = area * settings_.unclipRatio / perimeter;
        cv::RotatedRect grown = core;
        grown.size.width += float(2 * distance);
        grown.size.height += float(2 * distance);
        if (std::min(grown.size.width, grown.size.height) < settings_.minimumSide + 2) continue;
        const cv::Rect2f box = grown.boundingRect2f();
        const QRectF inImage(QPointF(std::clamp(box.x * toImageX, 0.0, double(image.width())),
                                     std::clamp(box.y * toImageY, 0.0, double(image.height()))),
                             QPointF(std::clamp((box.x + box.width) * toImageX, 0.0, double(image.width())),
                                     std::clamp((box.y + box.height) * toImageY, 0.0, double(image.height()))));
        if (inImage.width() < 1 || inImage.height() < 1) continue;
        lines.append({inImage, score});
    }
    return lines;
}

}  // namespace ovisu
