#include "pskmodem/dsp/carrier_tracker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Averaging weight of the lock indicator per symbol (time constant about 16 symbols).
constexpr float kLockWeight = 1.0F / 16.0F;

}  // namespace

LoopGains secondOrderLoopGains(double bandwidthNorm, double damping) {
    // Discrete-time proportional-integral loop with a unit-gain detector and NCO (one update per
    // sample), from its noise bandwidth and damping.
    const double theta = bandwidthNorm / (damping + 1.0 / (4.0 * damping));
    const double denominator = 1.0 + 2.0 * damping * theta + theta * theta;
    return {4.0 * damping * theta / denominator, 4.0 * theta * theta / denominator};
}

CarrierTracker::CarrierTracker(int phases, double bandwidthNorm) : phases_(2) {
    setPhases(phases);
    setBandwidth(bandwidthNorm);
}

void CarrierTracker::reset() {
    phase_ = 0.0;
    frequency_ = 0.0;
    drift_ = 0.0;
    lock_ = 0.0F;
    previousRe_ = 0.0;
    previousIm_ = 0.0;
}

void CarrierTracker::setPhases(int phases) {
    if (phases != 2 && phases != 4) throw std::invalid_argument("CarrierTracker: 2 or 4 phases");
    phases_ = phases;
}

void CarrierTracker::setBandwidth(double bandwidthNorm) {
    if (!(bandwidthNorm > 0.0 && bandwidthNorm < 0.5)) {
        throw std::invalid_argument("CarrierTracker: bandwidth outside (0, 0.5)");
    }
    gains_ = secondOrderLoopGains(bandwidthNorm, std::numbers::sqrt2 / 2.0);
}

void CarrierTracker::relax(double fraction) {
    if (!(fraction > 0.0 && fraction <= 1.0)) return;
    frequency_ *= 1.0 - fraction;
    drift_ *= 1.0 - fraction;
}

void CarrierTracker::shiftFrequency(double radPerSymbol) {
    if (std::isfinite(radPerSymbol)) frequency_ -= radPerSymbol;
}

std::complex<float> CarrierTracker::track(std::complex<float> y, float amplitude,
                                          std::optional<double> decidedError) {
    const double c = std::cos(phase_);
    const double s = std::sin(phase_);
    const double yr = static_cast<double>(y.real());
    const double yi = static_cast<double>(y.imag());
    const double vr = yr * c + yi * s;
    const double vi = yi * c - yr * s;

    // Phase error against the nearest constellation point, scaled by the expected amplitude and
    // clipped so that a noise burst cannot throw the loop far.
    double error = 0.0;
    if (phases_ == 2) {
        error = vr >= 0.0 ? vi : -vi;
    } else {
        // Points at 0, 90, 180 and 270 degrees.
        const double dr = std::abs(vr) >= std::abs(vi) ? (vr >= 0.0 ? 1.0 : -1.0) : 0.0;
        const double di = std::abs(vr) >= std::abs(vi) ? 0.0 : (vi >= 0.0 ? 1.0 : -1.0);
        error = vi * dr - vr * di;
    }
    const double scale = static_cast<double>(amplitude);
    error = scale > 0.0 ? std::clamp(error / scale, -1.0, 1.0) : 0.0;
    if (decidedError) error = std::clamp(*decidedError, -1.0, 1.0);
    if (!std::isfinite(error)) error = 0.0;

    // Frequency discriminator: the phase change from the previous derotated sample, times M,
    // as sin(M dphi) / M, so that it approximates dphi (radians per symbol) near zero.
    double frequencyError = 0.0;
    {
        const double dr = vr * previousRe_ + vi * previousIm_;
        const double di = vi * previousRe_ - vr * previousIm_;
        double mr = dr * dr - di * di;  // d^2
        double mi = 2.0 * dr * di;
        double norm = dr * dr + di * di;
        if (phases_ == 4) {
            const double r4 = mr * mr - mi * mi;
            mi = 2.0 * mr * mi;
            mr = r4;
            norm *= norm;
        }
        if (norm > 0.0 && std::isfinite(norm)) frequencyError = mi / norm / phases_;
        if (!std::isfinite(frequencyError)) frequencyError = 0.0;
        previousRe_ = vr;
        previousIm_ = vi;
    }

    drift_ = std::clamp(drift_ + driftGain_ * error + rateAssist_ * frequencyError, -driftLimit_,
                        driftLimit_);
    frequency_ =
        std::clamp(frequency_ + drift_ + gains_.integral * error + assist_ * frequencyError,
                   -frequencyLimit_, frequencyLimit_);
    phase_ += frequency_ + gains_.proportional * error;
    phase_ = std::remainder(phase_, kTwoPi);
    if (!std::isfinite(phase_) || !std::isfinite(frequency_)) {
        phase_ = 0.0;
        frequency_ = 0.0;
        drift_ = 0.0;
    }

    // cos(M error) from the derotated sample without trigonometry.
    const double power = vr * vr + vi * vi;
    if (power > 0.0 && std::isfinite(power)) {
        double cm = (vr * vr - vi * vi) / power;  // cos(2 error)
        if (phases_ == 4) cm = 2.0 * cm * cm - 1.0;
        lock_ += kLockWeight * (static_cast<float>(cm) - lock_);
    }
    return {static_cast<float>(vr), static_cast<float>(vi)};
}

}  // namespace pskmodem
