#include "pskmodem/dsp/fading_detector.h"

#include <cmath>

namespace pskmodem {
namespace {

constexpr float kShortWeight = 1.0F / 8.0F;
constexpr float kLongWeight = 1.0F / 64.0F;
constexpr float kIndexWeight = 1.0F / 64.0F;
// The averages settle first; only then does the index count.
constexpr int kSettleSymbols = 64;
// Fading from above kOn until below kOff.
constexpr float kOn = 0.04F;
constexpr float kOff = 0.025F;

}  // namespace

void FadingDetector::reset() {
    shortAverage_ = 0.0F;
    longAverage_ = 0.0F;
    index_ = 0.0F;
    symbols_ = 0;
    fading_ = false;
}

void FadingDetector::push(float magnitude) {
    if (!(magnitude > 0.0F) || !std::isfinite(magnitude)) return;
    if (symbols_ == 0) shortAverage_ = longAverage_ = magnitude;
    shortAverage_ += kShortWeight * (magnitude - shortAverage_);
    longAverage_ += kLongWeight * (magnitude - longAverage_);
    if (symbols_ < kSettleSymbols) {
        ++symbols_;
        return;
    }
    const float deviation = shortAverage_ / longAverage_ - 1.0F;
    index_ += kIndexWeight * (deviation * deviation - index_);
    if (!std::isfinite(index_)) index_ = 0.0F;
    if (!fading_ && index_ > kOn) fading_ = true;
    if (fading_ && index_ < kOff) fading_ = false;
}

}  // namespace pskmodem
