#include "pskmodem/dsp/symbol_timing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "pskmodem/dsp/carrier_tracker.h"

namespace pskmodem {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Acquisition: a first-order loop of this gain per symbol (time constant about 8 symbols) for
// kWideSymbols symbols.
constexpr double kWideGain = 0.12;
constexpr int kWideSymbols = 64;
// Tracking: second-order loop noise bandwidth per symbol and damping.
constexpr double kNarrowBandwidthNorm = 0.004;
constexpr double kNarrowDamping = 1.0;
// Between the two, a medium second-order loop learns the clock rate for kMediumSymbols symbols
// (the narrow loop alone would take some ten seconds to do it).
constexpr double kMediumBandwidthNorm = 0.012;
constexpr double kMediumDamping = 1.5;
constexpr int kMediumSymbols = 384;
// Time constant of the feedforward estimate, in symbols.
constexpr double kFeedforwardSymbols = 16.0;
// The loop jumps to the feedforward estimate when they differ by more than a quarter symbol
// for this many symbols in a row while the line is at least this strong.
constexpr int kFarSymbolsToJump = 6;
constexpr float kJumpLineStrength = 0.15F;
// Largest timing error one symbol can report, in radians of the symbol clock.
constexpr double kMaxError = 1.5;
// Largest clock error followed: 0.5 %.
constexpr double kMaxClockError = 0.005;
// Averages below this are flushed to zero so that long silence cannot reach subnormal numbers.
constexpr float kFlushLevel = 1e-30F;

}  // namespace

SymbolTiming::SymbolTiming(int samplesPerSymbol)
    : samplesPerSymbol_(samplesPerSymbol),
      nominalStep_(kTwoPi / static_cast<double>(samplesPerSymbol)),
      ffKeep_(0.0F) {
    if (samplesPerSymbol < 4) throw std::invalid_argument("SymbolTiming: too few samples");
    rotation_.resize(static_cast<std::size_t>(samplesPerSymbol));
    for (std::size_t i = 0; i < rotation_.size(); ++i) {
        const double angle = -nominalStep_ * static_cast<double>(i);
        rotation_[i] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
    ffKeep_ = static_cast<float>(
        std::exp(-1.0 / (kFeedforwardSymbols * static_cast<double>(samplesPerSymbol))));
    reset();
}

void SymbolTiming::reset() {
    phase_ = 0.0;
    rate_ = 0.0;
    lineRe_ = 0.0;
    lineIm_ = 0.0;
    symbolPower_ = 0.0;
    strobe_ = 0.0;
    wideSymbols_ = kWideSymbols;
    mediumSymbols_ = kMediumSymbols;
    ffRe_ = 0.0F;
    ffIm_ = 0.0F;
    ffPower_ = 0.0F;
    farSymbols_ = 0;
    lastIndex_ = 0;
    oscRe_ = 1.0;
    oscIm_ = 0.0;
    stepRe_ = std::cos(nominalStep_);
    stepIm_ = -std::sin(nominalStep_);
}

void SymbolTiming::restartAcquisition() {
    wideSymbols_ = kWideSymbols;
    mediumSymbols_ = kMediumSymbols;
    farSymbols_ = 0;
}

float SymbolTiming::lineStrength() const {
    if (ffPower_ <= 0.0F) return 0.0F;
    return std::hypot(ffRe_, ffIm_) / ffPower_;
}

double SymbolTiming::clockErrorPpm() const {
    // A faster sender makes the oscillator step faster: rate_ > 0.
    return rate_ / nominalStep_ * 1e6;
}

bool SymbolTiming::push(std::int64_t index, float power) {
    lastIndex_ = index;
    if (!std::isfinite(power) || power < 0.0F) power = 0.0F;

    // Feedforward line against the nominal symbol-rate phasor.
    const std::int64_t sps = samplesPerSymbol_;
    const std::complex<float> r = rotation_[static_cast<std::size_t>(((index % sps) + sps) % sps)];
    const float gain = 1.0F - ffKeep_;
    ffRe_ = ffKeep_ * ffRe_ + gain * power * r.real();
    ffIm_ = ffKeep_ * ffIm_ + gain * power * r.imag();
    ffPower_ = ffKeep_ * ffPower_ + gain * power;
    if (ffPower_ < kFlushLevel) ffRe_ = ffIm_ = ffPower_ = 0.0F;

    // Loop oscillator; its phasor exp(-j phase) turns by a fixed step between symbol updates.
    const double step = nominalStep_ + rate_;
    const double previous = phase_;
    phase_ += step;
    const double nextRe = oscRe_ * stepRe_ - oscIm_ * stepIm_;
    oscIm_ = oscRe_ * stepIm_ + oscIm_ * stepRe_;
    oscRe_ = nextRe;
    const double p = static_cast<double>(power);
    lineRe_ += p * oscRe_;
    lineIm_ += p * oscIm_;
    symbolPower_ += p;
    if (phase_ < kTwoPi) return false;
    phase_ -= kTwoPi;
    // The centre is where the phase passed 2 pi, between the previous output and this one.
    const double past = std::clamp(phase_ / (phase_ + kTwoPi - previous), 0.0, 1.0);
    strobe_ = static_cast<double>(index) - past;
    endOfSymbol();
    return true;
}

void SymbolTiming::endOfSymbol() {
    // With |y|^2 = P (1 + cos(2 pi (m - c) / sps)) / 2 the line over one symbol, against the
    // oscillator, is sps P / 4 exp(-j d) for a phase error d (centre later than the strobe:
    // d > 0). Data with few phase changes gives a weaker line than idle; dividing by the average
    // line strength keeps the loop's gain, and so its bandwidth, independent of the data.
    const double sps = samplesPerSymbol_;
    const double expected = sps * static_cast<double>(std::hypot(ffRe_, ffIm_));
    double error = 0.0;
    if (expected > 0.0 && std::isfinite(expected) && std::isfinite(lineIm_)) {
        error = std::clamp(-lineIm_ / expected, -kMaxError, kMaxError);
    }
    lineRe_ = lineIm_ = symbolPower_ = 0.0;

    const double maxRate = kMaxClockError * nominalStep_;
    if (wideSymbols_ > 0) {
        // Acquisition: a first-order loop, with no rate integrator to wind up on the initial
        // phase error (a clock error measured over so few symbols would be mostly noise).
        phase_ -= kWideGain * error;
        --wideSymbols_;
    } else {
        const bool medium = mediumSymbols_ > 0;
        if (medium) --mediumSymbols_;
        const LoopGains gains = medium ? secondOrderLoopGains(kMediumBandwidthNorm, kMediumDamping)
                                       : secondOrderLoopGains(kNarrowBandwidthNorm, kNarrowDamping);
        rate_ = std::clamp(rate_ - gains.integral * error / sps, -maxRate, maxRate);
        phase_ -= gains.proportional * error;
    }

    // Compare with the feedforward estimate: where it puts the centre against this strobe.
    if (lineStrength() >= kJumpLineStrength) {
        const double ffCentre =
            -std::atan2(static_cast<double>(ffIm_), static_cast<double>(ffRe_)) / nominalStep_;
        const double offset = std::remainder(ffCentre - strobe_, sps);  // within +-sps/2
        if (std::abs(offset) > sps / 4.0) {
            if (++farSymbols_ >= kFarSymbolsToJump) {
                // Move the oscillator so that its next wrap lands on the estimated centre.
                phase_ -= offset * nominalStep_;
                farSymbols_ = 0;
                wideSymbols_ = kWideSymbols;
                mediumSymbols_ = kMediumSymbols;
            }
        } else {
            farSymbols_ = 0;
        }
    } else {
        farSymbols_ = 0;
    }
    if (!std::isfinite(phase_) || !std::isfinite(rate_)) {
        phase_ = 0.0;
        rate_ = 0.0;
    }
    oscRe_ = std::cos(phase_);
    oscIm_ = -std::sin(phase_);
    stepRe_ = std::cos(nominalStep_ + rate_);
    stepIm_ = -std::sin(nominalStep_ + rate_);
}

}  // namespace pskmodem
