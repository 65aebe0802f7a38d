#include "platform/twips.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/number_text.h"

namespace platform {

int PixelSize(double pixels) noexcept {
    const double rounded = KVXmodules::RoundHalfEven(pixels);
    if (!(rounded > 0.0)) {
        return 0;  // negative, or not a number
    }
    constexpr int kLargest = std::numeric_limits<int>::max();
    return rounded >= static_cast<double>(kLargest) ? kLargest : static_cast<int>(rounded);
}

int BoundedWindowPixels(double twips, int currentPixels, int availablePixels) noexcept {
    if (std::isnan(twips)) {
        return currentPixels;
    }
    return std::min(PixelSize(TwipsToPixels(twips)), std::max(availablePixels, 0));
}

}  // namespace platform
