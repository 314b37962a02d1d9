#include "capture/platform/OCRImagePreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace ovisu {
namespace {

// The recogniser slows down sharply on huge inputs and gains nothing from them.
constexpr qint64 maximumPreparedPixels = 12'000'000;

QImage inverted(QImage grey) {
    grey.invertPixels();
    return grey;
}

}  // namespace

QImage OCRImagePreparation::grey(const QImage& image) {
    if (image.format() == QImage::Format_Grayscale8) return image;
    // Transparent pixels count as the ground behind them, which a screen capture shows as black.
    return image.convertToFormat(QImage::Format_Grayscale8);
}

int OCRImagePreparation::otsuThreshold(const QImage& grey) {
    std::array<qint64, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) ++histogram[row[x]];
    }
    const qint64 total = qint64(grey.width()) * grey.height();
    if (total == 0) return 127;
    double sumAll = 0;
    for (int i = 0; i < 256; ++i) sumAll += double(i) * histogram[i];

    double sumBelow = 0;
    qint64 countBelow = 0;
    double bestVariance = -1;
    int best = 127;
    for (int t = 0; t < 255; ++t) {
        countBelow += histogram[t];
        sumBelow += double(t) * histogram[t];
        const qint64 countAbove = total - countBelow;
        if (countBelow == 0 || countAbove == 0) continue;
        const double meanBelow = sumBelow / countBelow;
        const double meanAbove = (sumAll - sumBelow) / countAbove;
        const double variance = double(countBelow) * double(countAbove) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (variance > bestVariance) {
            bestVariance = variance;
            best = t;
        }
    }
    return best;
}

InkPolarity OCRImagePreparation::detectPolarity(const QImage& grey, int threshold, bool* certain) {
    const int width = grey.width();
    const int height = grey.height();
    const int ring = std::max(1, std::min(width, height) / 16);
    qint64 ringLight = 0, ringTotal = 0, allLight = 0;
    for (int y = 0; y < height; ++y) {
        const uchar* row = grey.constScanLine(y);
        const bool edgeRow = y < ring || y >= height - ring;
        for (int x = 0; x < width; ++x) {
            const bool light = row[x] > threshold;
            allLight += light;
            if (edgeRow || x < ring || x >= width - ring) {
                ++ringTotal;
                ringLight += light;
            }
        }
    }
    if (ringTotal == 0) {
        if (certain) *certain = false;
        return InkPolarity::darkOnLight;
    }
    const double ringShare = double(ringLight) / double(ringTotal);
    if (ringShare <= 0.35 || ringShare >= 0.65) {
        if (certain) *certain = true;
        return ringShare < 0.5 ? InkPolarity::lightOnDark : InkPolarity::darkOnLight;
    }
    if (certain) *certain = false;
    const double allShare = double(allLight) / (double(width) * height);
    return allShare >= 0.5 ? InkPolarity::darkOnLight : InkPolarity::lightOnDark;
}

QImage OCRImagePreparation::binarised(const QImage& grey, int threshold, InkPolarity polarity) {
    QImage result(grey.size(), QImage::Format_Grayscale8);
    const bool lightInk = polarity == InkPolarity::lightOnDark;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = result.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            const bool light = in[x] > threshold;
            out[x] = (light != lightInk) ? 255 : 0;
        }
    }
    return result;
}

int OCRImagePreparation::estimatedTextHeight(const QImage& binary) {
    const int width = binary.width();
    const int height = binary.height();
    if (width == 0 || height == 0) return 0;
    std::vector<int> ink(height, 0), left(height, width), right(height, -1);
    for (int y = 0; y < height; ++y) {
        const uchar* row = binary.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (row[x] >= 128) continue;
            ++ink[y];
            left[y] = std::min(left[y], x);
            right[y] = std::max(right[y], x);
        }
    }
    // Rows with a few stray pixels are not text; a text row has ink across many glyphs.
    const int rowMinimum = std::max(2, width / 200);
    std::vector<int> heights;
    int y = 0;
    while (y < height) {
        if (ink[y] < rowMinimum) {
            ++y;
            continue;
        }
        const int top = y;
        qint64 inkCount = 0;
        int bandLeft = width, bandRight = -1;
        while (y < height && ink[y] >= rowMinimum) {
            inkCount += ink[y];
            bandLeft = std::min(bandLeft, left[y]);
            bandRight = std::max(bandRight, right[y]);
            ++y;
        }
        const int bandHeight = y - top;
        const int bandWidth = bandRight - bandLeft + 1;
        if (bandHeight < 5 || bandWidth < bandHeight) continue;
        // Text covers a fraction of its band; a band nearly full of ink is a picture or a bar.
        const double density = double(inkCount) / (double(bandHeight) * bandWidth);
        if (density > 0.6) continue;
        heights.push_back(bandHeight);
    }
    if (heights.empty()) return 0;
    std::sort(heights.begin(), heights.end());
    return heights[heights.size() / 2];
}

PreparedOCRImage OCRImagePreparation::prepare(const QImage& image, const Options& options) {
    PreparedOCRImage prepared;
    QImage g = grey(image);
    if (g.isNull()) return prepared;
    int threshold = otsuThreshold(g);
    bool certain = true;
    prepared.polarity = options.polarity ? *options.polarity : detectPolarity(g, threshold, &certain);
    prepared.polarityCertain = options.polarity.has_value() || certain;

    prepared.textHeight = estimatedTextHeight(binarised(g, threshold, prepared.polarity));
    if (options.targetTextHeight > 0 && prepared.textHeight > 0) {
        double scale = std::clamp(double(options.targetTextHeight) / prepared.textHeight, 0.5, 4.0);
        const double pixels = double(g.width()) * g.height() * scale * scale;
        if (pixels > maximumPreparedPixels) scale = std::sqrt(maximumPreparedPixels / (double(g.width()) * g.height()));
        // Small corrections cost a resampling and change nothing the model would notice.
        if (std::abs(scale - 1) >= 0.15) {
            const QSize size(std::max(1, int(std::lround(g.width() * scale))),
                             std::max(1, int(std::lround(g.height() * scale))));
            g = g.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            prepared.scale = double(size.width()) / image.width();
            threshold = otsuThreshold(g);
        }
    }
    if (options.binarise)
        prepared.image = binarised(g, threshold, prepared.polarity);
    else
        prepared.image = prepared.polarity == InkPolarity::lightOnDark ? inverted(g) : g;
    return prepared;
}

}  // namespace ovisu
