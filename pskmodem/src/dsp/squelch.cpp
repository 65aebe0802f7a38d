#include "pskmodem/dsp/squelch.h"

#include <algorithm>
#include <cmath>

namespace pskmodem {
namespace {

// Averaging weights per symbol: fast about 8 symbols (a quarter second), slow about 48.
constexpr float kFastWeight = 1.0F / 8.0F;
constexpr float kSlowWeight = 1.0F / 48.0F;
// Averages of cos(M dphi) on noise alone scatter around zero (standard deviation about 0.18
// fast and 0.07 slow); the quality scale starts above that spread, for the slow speed so far
// above (more than four standard deviations) that noise alone practically never shows as
// quality above zero.
constexpr float kFastNoiseFloor = 0.30F;
constexpr float kSlowNoiseFloor = 0.30F;
// The squelch closes this many quality points below the threshold (half the threshold for
// thresholds below 10, so that even threshold 1 can close).
constexpr int kMaxHysteresis = 5;

}  // namespace

float phaseClustering(std::complex<float> diff, int phases) {
    const float re = diff.real();
    const float im = diff.imag();
    const float power = re * re + im * im;
    if (!(power > 0.0F) || !std::isfinite(power)) return 0.0F;
    const float c2 = (re * re - im * im) / power;  // cos(2 dphi)
    return phases == 4 ? 2.0F * c2 * c2 - 1.0F : c2;
}

Squelch::Squelch() {
    reset();
}

void Squelch::reset() {
    average_ = 0.0F;
    quality_ = 0;
    open_ = false;
}

void Squelch::setThreshold(int threshold) {
    threshold_ = std::clamp(threshold, 0, 99);
    update();
}

void Squelch::setSpeed(int speed) {
    speed_ = speed != 0 ? 1 : 0;
    update();
}

void Squelch::setPhases(int phases) {
    if (phases == 2 || phases == 4) phases_ = phases;
}

void Squelch::push(std::complex<float> diff) {
    const float c = phaseClustering(diff, phases_);
    const float weight = speed_ == 1 ? kSlowWeight : kFastWeight;
    average_ += weight * (c - average_);
    if (!std::isfinite(average_)) average_ = 0.0F;
    update();
}

void Squelch::update() {
    const float floor = speed_ == 1 ? kSlowNoiseFloor : kFastNoiseFloor;
    const float scaled = (average_ - floor) / (1.0F - floor);
    quality_ = static_cast<int>(std::lround(100.0F * std::clamp(scaled, 0.0F, 1.0F)));
    const int hysteresis = std::min(kMaxHysteresis, threshold_ / 2);
    if (quality_ >= threshold_) {
        open_ = true;
    } else if (quality_ < threshold_ - hysteresis) {
        open_ = false;
    }
}

}  // namespace pskmodem
