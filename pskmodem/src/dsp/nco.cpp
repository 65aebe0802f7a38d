#include "pskmodem/dsp/nco.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {

Nco::Nco(double sampleRateHz) : sampleRateHz_(sampleRateHz) {
    if (!std::isfinite(sampleRateHz) || sampleRateHz <= 0.0) {
        throw std::invalid_argument("Nco: sample rate must be finite and positive");
    }
}

void Nco::reset() {
    phasorRe_ = 1.0;
    phasorIm_ = 0.0;
    sinceRenormalise_ = 0;
}

void Nco::setFrequency(double hz) {
    if (!std::isfinite(hz)) return;
    const double half = sampleRateHz_ / 2.0;
    hz = std::fmod(hz + half, sampleRateHz_);
    if (hz < 0.0) hz += sampleRateHz_;
    frequencyHz_ = hz - half;
    const double step = 2.0 * std::numbers::pi * frequencyHz_ / sampleRateHz_;
    // The phasor turns backwards: the mixer multiplies by exp(-j w n).
    stepRe_ = std::cos(step);
    stepIm_ = -std::sin(step);
}

void Nco::mixDown(std::span<const float> in, std::span<float> outRe, std::span<float> outIm) {
    double re = phasorRe_;
    double im = phasorIm_;
    const double sr = stepRe_;
    const double si = stepIm_;
    const std::size_t n = in.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(in[i]);
        outRe[i] = static_cast<float>(x * re);
        outIm[i] = static_cast<float>(x * im);
        const double nextRe = re * sr - im * si;
        im = re * si + im * sr;
        re = nextRe;
        // One Newton step back onto the unit circle every kRenormalisePeriod samples keeps the
        // rounding drift of the magnitude from accumulating. Counting samples rather than calls
        // makes the output independent of how the input is cut into blocks.
        if (++sinceRenormalise_ == kRenormalisePeriod) {
            sinceRenormalise_ = 0;
            const double scale = 1.5 - 0.5 * (re * re + im * im);
            re *= scale;
            im *= scale;
        }
    }
    phasorRe_ = re;
    phasorIm_ = im;
}

}  // namespace pskmodem
