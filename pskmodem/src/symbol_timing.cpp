#include "pskmodem/dsp/symbol_timing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {
namespace {

// Below this line strength the estimate is mostly noise and the strobes keep their spacing.
constexpr float kMinLineStrength = 0.03F;
// Averages below this are flushed to zero so that long silence cannot reach subnormal numbers.
constexpr float kFlushLevel = 1e-30F;

}  // namespace

SymbolTiming::SymbolTiming(int samplesPerSymbol, double averagingSymbols)
    : samplesPerSymbol_(samplesPerSymbol) {
    if (samplesPerSymbol < 4) throw std::invalid_argument("SymbolTiming: too few samples");
    rotation_.resize(static_cast<std::size_t>(samplesPerSymbol));
    for (std::size_t i = 0; i < rotation_.size(); ++i) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(i) /
                             static_cast<double>(samplesPerSymbol);
        rotation_[i] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
    setAveraging(averagingSymbols);
}

void SymbolTiming::reset() {
    lineRe_ = 0.0F;
    lineIm_ = 0.0F;
    meanPower_ = 0.0F;
}

void SymbolTiming::setAveraging(double averagingSymbols) {
    if (!std::isfinite(averagingSymbols) || averagingSymbols <= 0.0) {
        throw std::invalid_argument("SymbolTiming: averaging time must be positive");
    }
    keep_ = static_cast<float>(
        std::exp(-1.0 / (averagingSymbols * static_cast<double>(samplesPerSymbol_))));
}

void SymbolTiming::push(std::int64_t index, float power) {
    const std::int64_t sps = samplesPerSymbol_;
    const auto slot = static_cast<std::size_t>(((index % sps) + sps) % sps);
    const float gain = 1.0F - keep_;
    const std::complex<float> r = rotation_[slot];
    lineRe_ = keep_ * lineRe_ + gain * power * r.real();
    lineIm_ = keep_ * lineIm_ + gain * power * r.imag();
    meanPower_ = keep_ * meanPower_ + gain * power;
    if (meanPower_ < kFlushLevel) reset();
}

double SymbolTiming::phase() const {
    const double sps = samplesPerSymbol_;
    double p = -std::atan2(static_cast<double>(lineIm_), static_cast<double>(lineRe_)) * sps /
               (2.0 * std::numbers::pi);
    if (p < 0.0) p += sps;
    return p;
}

float SymbolTiming::lineStrength() const {
    if (meanPower_ <= 0.0F) return 0.0F;
    return std::hypot(lineRe_, lineIm_) / meanPower_;
}

double SymbolTiming::nextStrobe(double previous, double maxStepSymbols) const {
    const double sps = samplesPerSymbol_;
    const double candidate = previous + sps;
    if (lineStrength() < kMinLineStrength) return candidate;
    double delta = phase() - std::fmod(candidate, sps);
    if (delta >= sps / 2.0) delta -= sps;
    if (delta < -sps / 2.0) delta += sps;
    const double limit = maxStepSymbols * sps;
    return candidate + std::clamp(delta, -limit, limit);
}

}  // namespace pskmodem
