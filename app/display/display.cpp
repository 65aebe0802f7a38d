#include "display/display.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/number_text.h"

namespace receiver {

namespace {

constexpr int kComponentMax = 255;
constexpr double kScaleLeftTwips = 130.0;
constexpr double kScaleLeftValue = 45.0;
constexpr double kScaleTwipsPerHz = 2.6;
constexpr double kScaleOffsetHz = 5.0;
constexpr std::int64_t kQualityBase = 40;
constexpr std::int64_t kQualityStep = 2;
constexpr double kPercent = 100.0;

int Component(std::int64_t value) noexcept {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kComponentMax));
}

// A real number as a whole number, halves to even; beyond the int range it saturates.
int RoundedInt(double value) noexcept {
    const double rounded = KVXmodules::RoundHalfEven(value);
    if (std::isnan(rounded)) {
        return 0;
    }
    return static_cast<int>(std::clamp(rounded,
                                       static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

}  // namespace

int WaterfallBin(int x) noexcept {
    return RoundedInt(kBinsPerPixel * x);
}

int WaterfallLineColumns(int outerWidth, int drawableWidth) noexcept {
    return std::max(0, std::min({outerWidth + 1, drawableWidth, kLastWaterfallColumn + 1}));
}

QRgb WaterfallColour(std::int32_t value, int redOffset, int blueOffset) noexcept {
    const std::int64_t v = value;
    return qRgb(Component(v + redOffset), Component(v), Component(v + blueOffset));
}

PaletteTable MakePaletteTable(int redOffset, int blueOffset) noexcept {
    PaletteTable table{};
    for (std::size_t v = 0; v < table.size(); ++v) {
        table[v] = WaterfallColour(static_cast<std::int32_t>(v), redOffset, blueOffset);
    }
    return table;
}

int ScrollTargetHeight(double waterfallHeight, double spectrumSpeed) noexcept {
    return RoundedInt(waterfallHeight - spectrumSpeed);
}

std::vector<int> ScrollSourceRows(int pictureHeight, int targetHeight) {
    std::vector<int> rows(static_cast<std::size_t>(std::max(0, pictureHeight)));
    for (int y = 0; y < pictureHeight; ++y) {
        int source = y;
        if (y >= 1 && y <= targetHeight) {
            // The centre of target row y - 1, (y - 1 + 0.5) / targetHeight of the way down.
            const std::int64_t numerator = (2 * static_cast<std::int64_t>(y) - 1) * pictureHeight;
            source = static_cast<int>(numerator / (2 * static_cast<std::int64_t>(targetHeight)));
        }
        rows[static_cast<std::size_t>(y)] = source;
    }
    return rows;
}

std::int32_t ClickFrequency(double x) noexcept {
    return RoundedInt(x * kHzPerPixel);
}

QString PointerFrequencyText(double x) {
    return KVXmodules::NumberTextNoTrail(std::floor(x * kHzPerPixel)) + QStringLiteral("Hz");
}

QString ScaleFrequencyText(double xTwips) {
    const double v = xTwips < kScaleLeftTwips ? kScaleLeftValue : xTwips / kScaleTwipsPerHz;
    return KVXmodules::NumberTextNoTrail(std::floor(v) + kScaleOffsetHz) + QStringLiteral("Hz");
}

QString ActiveFrequencyText(std::int32_t activeFrequency) {
    return QStringLiteral("Active Frequency ") + KVXmodules::NumberTextNoTrail(activeFrequency) +
           QStringLiteral("Hz");
}

float MarkerLeft(std::int32_t activeFrequency) noexcept {
    return static_cast<float>(activeFrequency / kHzPerPixel - 1.0);
}

int MarkerLeftPixels(std::int32_t activeFrequency) noexcept {
    return RoundedInt(static_cast<double>(MarkerLeft(activeFrequency)));
}

QString QualityText(std::int32_t quality) {
    return QStringLiteral("PSK Signal Quality") + KVXmodules::NumberTextNoTrail(quality) +
           QStringLiteral("%");
}

QualityBox QualityBarBox(std::int32_t quality, int height) noexcept {
    QualityBox box;
    box.top = height - static_cast<double>(quality) * height / kPercent;
    box.firstRow = RoundedInt(box.top);
    const int level = Component(kQualityBase + kQualityStep * quality);
    box.colour = qRgb(level, level, 0);
    return box;
}

std::array<QLineF, kPhaseSpokes> PhaseSpokes(
    const std::array<std::int32_t, platform::kVectorDataSize>& vectorData) noexcept {
    std::array<QLineF, kPhaseSpokes> spokes{};
    const QPointF centre(kIndicatorCentre, kIndicatorCentre);
    for (std::size_t i = 0; i < spokes.size(); ++i) {
        const float x = static_cast<float>(vectorData[2 * i] / kVectorUnitsPerPixel);
        const float y = static_cast<float>(vectorData[2 * i + 1] / kVectorUnitsPerPixel);
        spokes[i] = QLineF(centre, QPointF(static_cast<double>(x), static_cast<double>(y)));
    }
    return spokes;
}

}  // namespace receiver
