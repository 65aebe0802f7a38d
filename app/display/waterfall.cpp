#include "display/waterfall.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

namespace receiver {

namespace {

constexpr int kPixelBytes = 4;

bool IsThirtyTwoBit(const QImage& image) noexcept {
    return image.depth() == kPixelBytes * 8;
}

}  // namespace

const std::vector<int>& Waterfall::sourceRows(int pictureHeight, int targetHeight) {
    if (pictureHeight != rowsPictureHeight_ || targetHeight != rowsTargetHeight_) {
        rows_ = ScrollSourceRows(pictureHeight, targetHeight);
        rowsPictureHeight_ = pictureHeight;
        rowsTargetHeight_ = targetHeight;
    }
    return rows_;
}

const PaletteTable& Waterfall::palette(int redOffset, int blueOffset) {
    if (!paletteValid_ || redOffset != paletteRed_ || blueOffset != paletteBlue_) {
        palette_ = MakePaletteTable(redOffset, blueOffset);
        paletteRed_ = redOffset;
        paletteBlue_ = blueOffset;
        paletteValid_ = true;
    }
    return palette_;
}

void Waterfall::scroll(const QImage& picture, QImage& image, int targetHeight) {
    Q_ASSERT(picture.size() == image.size());
    Q_ASSERT(IsThirtyTwoBit(picture) && IsThirtyTwoBit(image));
    if (picture.size() != image.size() || !IsThirtyTwoBit(picture) || !IsThirtyTwoBit(image)) {
        return;
    }
    const int height = image.height();
    const auto rowBytes = static_cast<std::size_t>(image.width()) * kPixelBytes;
    if (rowBytes == 0) {
        return;
    }
    const std::vector<int>& rows = sourceRows(height, targetHeight);
    const uchar* source = picture.constBits();
    uchar* target = image.bits();
    const auto sourceStride = static_cast<std::size_t>(picture.bytesPerLine());
    const auto targetStride = static_cast<std::size_t>(image.bytesPerLine());
    // Runs of consecutive source rows are copied in one piece; without stretching the whole
    // picture is one run.
    int y = 0;
    while (y < height) {
        const int first = rows[static_cast<std::size_t>(y)];
        int run = 1;
        while (y + run < height && rows[static_cast<std::size_t>(y + run)] == first + run) {
            ++run;
        }
        if (sourceStride == targetStride) {
            std::memcpy(target + static_cast<std::size_t>(y) * targetStride,
                        source + static_cast<std::size_t>(first) * sourceStride,
                        static_cast<std::size_t>(run - 1) * targetStride + rowBytes);
        } else {
            for (int i = 0; i < run; ++i) {
                std::memcpy(target + static_cast<std::size_t>(y + i) * targetStride,
                            source + static_cast<std::size_t>(first + i) * sourceStride, rowBytes);
            }
        }
        y += run;
    }
}

void Waterfall::drawLine(QImage& image, std::span<const std::int32_t> spectrum, int outerWidth,
                         int redOffset, int blueOffset) {
    Q_ASSERT(IsThirtyTwoBit(image));
    if (image.height() < 1 || !IsThirtyTwoBit(image)) {
        return;
    }
    const PaletteTable& table = palette(redOffset, blueOffset);
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(0));
    const int columns = WaterfallLineColumns(outerWidth, image.width());
    const auto bins = spectrum.size();
    for (int x = 0; x < columns; ++x) {
        const auto k = static_cast<std::size_t>(WaterfallBin(x));
        if (k >= bins) {
            break;
        }
        const std::int32_t v = spectrum[k];
        row[x] = v >= 0 && v < static_cast<std::int32_t>(table.size())
                     ? table[static_cast<std::size_t>(v)]
                     : WaterfallColour(v, redOffset, blueOffset);
    }
}

}  // namespace receiver
