#include "capture/platform/OCRImagePreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
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
    return otsuThresholdOf(histogram);
}

int OCRImagePreparation::otsuThresholdOf(const std::array<qint64, 256>& histogram) {
    qint64 total = 0;
    double sumAll = 0;
    for (int i = 0; i < 256; ++i) {
        total += histogram[i];
        sumAll += double(i) * histogram[i];
    }
    if (total == 0) return 127;
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
    const qint64 total = qint64(width) * height;
    if (total == 0) {
        if (certain) *certain = false;
        return InkPolarity::darkOnLight;
    }
    // Text covers well under half of a subtitle crop, so the minority class is the ink. The border
    // ring is no safe guide on its own: a loosely drawn region has picture all round the box.
    const double lightShare = double(allLight) / double(total);
    if (lightShare <= 0.42 || lightShare >= 0.58) {
        if (certain) *certain = true;
        return lightShare < 0.5 ? InkPolarity::lightOnDark : InkPolarity::darkOnLight;
    }
    // Nearly even: a busy picture; the ground is what the border mostly shows.
    if (certain) *certain = false;
    return ringLight * 2 >= ringTotal ? InkPolarity::darkOnLight : InkPolarity::lightOnDark;
}

std::optional<OCRImagePreparation::InkSplit> OCRImagePreparation::splitOutMinorityInk(const QImage& grey,
                                                                                      int threshold) {
    std::array<qint64, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) ++histogram[row[x]];
    }
    const qint64 total = qint64(grey.width()) * grey.height();
    if (total == 0) return std::nullopt;
    // Text is a small share of a crop; a split that leaves more on its far side is shading.
    const auto textLike = [&](qint64 count) { return count * 200 >= total && count * 100 <= total * 15; };
    std::array<qint64, 256> light{}, dark{};
    for (int i = 0; i < 256; ++i) (i > threshold ? light : dark)[i] = histogram[i];
    const int lightSplit = otsuThresholdOf(light);
    const int darkSplit = otsuThresholdOf(dark);
    qint64 aboveLight = 0, belowDark = 0;
    for (int i = 0; i < 256; ++i) {
        if (i > lightSplit) aboveLight += light[i];
        if (i <= darkSplit) belowDark += dark[i];
    }
    const bool lightText = lightSplit > threshold && textLike(aboveLight);
    const bool darkText = darkSplit < threshold && textLike(belowDark);
    if (lightText && (!darkText || aboveLight <= belowDark)) return InkSplit{lightSplit, InkPolarity::lightOnDark};
    if (darkText) return InkSplit{darkSplit, InkPolarity::darkOnLight};
    return std::nullopt;
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

namespace {

// Marks the pixels of `ink` reachable from the image's border through ink (4-connected).
std::vector<uchar> reachedFromBorder(int width, int height, const std::function<bool(int, int)>& ink,
                                     qint64* count) {
    std::vector<uchar> reached(size_t(width) * height, 0);
    std::vector<std::pair<int, int>> stack;
    const auto push = [&](int x, int y) {
        uchar& seen = reached[size_t(y) * width + x];
        if (seen || !ink(x, y)) return;
        seen = 1;
        stack.emplace_back(x, y);
    };
    for (int x = 0; x < width; ++x) {
        push(x, 0);
        push(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        push(0, y);
        push(width - 1, y);
    }
    qint64 reachedCount = 0;
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        ++reachedCount;
        if (x > 0) push(x - 1, y);
        if (x + 1 < width) push(x + 1, y);
        if (y > 0) push(x, y - 1);
        if (y + 1 < height) push(x, y + 1);
    }
    *count = reachedCount;
    return reached;
}

}  // namespace

bool OCRImagePreparation::clearBorderInk(QImage& binary, const QImage& grey, InkPolarity polarity) {
    const int width = binary.width();
    const int height = binary.height();
    if (width == 0 || height == 0) return false;
    // Ink pixels reachable from the border (4-connected): picture cut by the crop edge, a box's
    // rim, a frame. Outlined text never joins them, as its outline separates it from the ground.
    qint64 cleared = 0;
    const std::vector<uchar> reached =
        reachedFromBorder(width, height, [&](int x, int y) { return binary.constScanLine(y)[x] < 128; }, &cleared);
    if (cleared == 0) return false;
    qint64 allInk = 0;
    for (int y = 0; y < height; ++y) {
        const uchar* row = binary.constScanLine(y);
        for (int x = 0; x < width; ++x) allInk += row[x] < 128;
    }
    // Everything touches the border: the text itself runs off the crop, so keep it all.
    if (cleared == allInk) return false;
    for (int y = 0; y < height; ++y) {
        uchar* row = binary.scanLine(y);
        const uchar* seen = reached.data() + size_t(y) * width;
        for (int x = 0; x < width; ++x)
            if (seen[x]) row[x] = 255;
    }
    // Only a shape of at least a twentieth of the crop can hold letters worth putting back.
    if (!grey.isNull() && grey.size() == binary.size() && cleared * 20 >= qint64(width) * height)
        restoreTextJoinedToPicture(binary, grey, polarity, reached);
    return true;
}

namespace {

// Calls `each` with every connected set of pixels (4- or 8-connected) for which `member` holds.
void forEachShape(int width, int height, const std::function<bool(qint64)>& member, bool diagonal,
                  const std::function<void(const std::vector<qint64>&)>& each) {
    const qint64 area = qint64(width) * height;
    std::vector<uchar> visited(size_t(area), 0);
    std::vector<qint64> shape;
    std::vector<qint64> stack;
    for (qint64 seed = 0; seed < area; ++seed) {
        if (visited[size_t(seed)] || !member(seed)) continue;
        shape.clear();
        stack.assign(1, seed);
        visited[size_t(seed)] = 1;
        while (!stack.empty()) {
            const qint64 at = stack.back();
            stack.pop_back();
            shape.push_back(at);
            const int x = int(at % width);
            const int y = int(at / width);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || (!diagonal && dx != 0 && dy != 0)) continue;
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                    const qint64 next = qint64(ny) * width + nx;
                    if (!visited[size_t(next)] && member(next)) {
                        visited[size_t(next)] = 1;
                        stack.push_back(next);
                    }
                }
        }
        each(shape);
    }
}

}  // namespace

// Text without an outline, drawn over a part of the picture that is itself on the ink side of the
// threshold (white letters over a flat grey shape), joins that shape and went with it. Shape by
// shape, the letters stand out from the shape as the shape stood out from the ground: split each
// large, flat cleared shape by its own threshold and put back the inkier part that no longer
// reaches the border, where it continues a line of text that survived.
void OCRImagePreparation::restoreTextJoinedToPicture(QImage& binary, const QImage& grey, InkPolarity polarity,
                                                      const std::vector<uchar>& cleared) {
    const int width = binary.width();
    const int height = binary.height();
    const qint64 area = qint64(width) * height;
    const bool lightInk = polarity == InkPolarity::lightOnDark;
    const auto greyAt = [&](qint64 at) { return grey.constScanLine(int(at / width))[at % width]; };

    std::vector<int> rowInk(size_t(height), 0);
    int fullestRow = 0;
    for (int y = 0; y < height; ++y) {
        const uchar* row = binary.constScanLine(y);
        rowInk[size_t(y)] = int(std::count(row, row + width, uchar(0)));
        fullestRow = std::max(fullestRow, rowInk[size_t(y)]);
    }
    if (fullestRow == 0) return;

    std::vector<uchar> inkier(size_t(area), 0);
    bool anyInkier = false;
    forEachShape(width, height, [&](qint64 at) { return cleared[size_t(at)] != 0; }, false,
                 [&](const std::vector<qint64>& shape) {
                     // A rim, a speck or a sliver of the picture carries no letters.
                     if (qint64(shape.size()) * 20 < area) return;
                     std::array<qint64, 256> histogram{};
                     for (const qint64 at : shape) ++histogram[greyAt(at)];
                     const int threshold = otsuThresholdOf(histogram);
                     const auto isInkier = [&](qint64 at) { return lightInk ? greyAt(at) > threshold : greyAt(at) <= threshold; };
                     qint64 inkierCount = 0;
                     double sum = 0, squares = 0;
                     for (const qint64 at : shape) {
                         if (isInkier(at)) {
                             ++inkierCount;
                         } else {
                             sum += greyAt(at);
                             squares += double(greyAt(at)) * greyAt(at);
                         }
                     }
                     // Letters are a small part of the shape they sit on; an even split is shading.
                     if (inkierCount == 0 || inkierCount * 4 > qint64(shape.size())) return;
                     // And the shape is flat: on a textured one, the brighter bits are its own.
                     const double rest = double(qint64(shape.size()) - inkierCount);
                     const double mean = sum / rest;
                     if (squares / rest - mean * mean > 16.0 * 16.0) return;
                     for (const qint64 at : shape)
                         if (isInkier(at)) inkier[size_t(at)] = 1;
                     anyInkier = true;
                 });
    if (!anyInkier) return;
    qint64 stillJoined = 0;
    const std::vector<uchar> joined =
        reachedFromBorder(width, height, [&](int x, int y) { return inkier[size_t(y) * width + x] != 0; }, &stillJoined);
    const auto candidate = [&](qint64 at) {
        return inkier[size_t(at)] && !joined[size_t(at)] && rowInk[size_t(at / width)] * 4 >= fullestRow;
    };
    // A letter is a stroke of some size; specks of the picture would read as stray marks.
    const int textHeight = std::max(1, estimatedTextHeight(binary));
    const qint64 smallestLetterPart = std::max<qint64>(12, qint64(textHeight) * textHeight / 20);
    std::vector<qint64> restored;
    forEachShape(width, height, candidate, true, [&](const std::vector<qint64>& part) {
        if (qint64(part.size()) >= smallestLetterPart) restored.insert(restored.end(), part.begin(), part.end());
    });
    for (const qint64 at : restored) binary.scanLine(int(at / width))[at % width] = 0;
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
    // A row through a line of text has ink across many glyphs; rows with a few stray pixels, or with
    // the scattered bits a busy picture leaves, have much less than the fullest row.
    const int fullest = *std::max_element(ink.begin(), ink.end());
    const int rowMinimum = std::max({2, width / 200, fullest * 15 / 100});
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
    // Letters are put back only where the polarity was judged from the image: read the other way
    // round on purpose, the "letters" would be the ground's own shapes.
    const auto restoreFrom = [&](const QImage& grey) {
        return options.polarity || !options.restoreJoinedText ? QImage() : grey;
    };
    QImage g = grey(image);
    if (g.isNull()) return prepared;
    int threshold = otsuThreshold(g);
    bool certain = true;
    prepared.polarity = options.polarity ? *options.polarity : detectPolarity(g, threshold, &certain);
    prepared.polarityCertain = options.polarity.has_value() || certain;
    // A busy picture splits the grey levels between its own shades, not between text and ground.
    bool inkWithinClass = false;
    if (!prepared.polarityCertain) {
        if (const auto split = splitOutMinorityInk(g, threshold)) {
            threshold = split->threshold;
            prepared.polarity = split->polarity;
            inkWithinClass = true;
        }
    }

    QImage binary = binarised(g, threshold, prepared.polarity);
    if (options.clearBorder) clearBorderInk(binary, restoreFrom(g), prepared.polarity);
    qint64 inkPixels = 0;
    for (int y = 0; y < binary.height(); ++y) {
        const uchar* row = binary.constScanLine(y);
        inkPixels += std::count(row, row + binary.width(), uchar(0));
    }
    // A uniform image leaves no ink, or all ink when read the other way round.
    prepared.blank = inkPixels == 0 || inkPixels * 10 > qint64(binary.width()) * binary.height() * 9;
    prepared.textHeight = estimatedTextHeight(binary);
    bool resized = false;
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
            if (inkWithinClass)
                if (const auto split = splitOutMinorityInk(g, threshold); split && split->polarity == prepared.polarity)
                    threshold = split->threshold;
            resized = true;
        }
    }
    if (!options.binarise) {
        prepared.image = prepared.polarity == InkPolarity::lightOnDark ? inverted(g) : g;
        return prepared;
    }
    if (resized) {
        binary = binarised(g, threshold, prepared.polarity);
        if (options.clearBorder) clearBorderInk(binary, restoreFrom(g), prepared.polarity);
    }
    prepared.image = binary;
    return prepared;
}

}  // namespace ovisu
