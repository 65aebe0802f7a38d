#include "pskmodem/signals/hf_channel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "pskmodem/dsp/fir_filter.h"

namespace pskmodem {

namespace {

constexpr double kPi = std::numbers::pi;

// Samples of the Gaussian filter per standard deviation of its impulse response, and how many
// standard deviations it spans either side.
constexpr int kTapSamplesPerSigma = 16;
constexpr int kTapSigmas = 4;

// Hilbert transformer: transition band and stop-band attenuation of its Kaiser design.
constexpr double kHilbertTransitionHz = 120.0;
constexpr double kHilbertAttenuationDb = 60.0;

// Fractional-delay interpolator for the second path: taps either side of the point.
constexpr std::size_t kInterpolatorHalf = 16;
constexpr double kInterpolatorBeta = 8.0;

std::uint64_t splitMix64(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

double sinc(double x) {
    return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

bool positiveFinite(double v) {
    return std::isfinite(v) && v > 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// FadingTap

FadingTap::FadingTap(double dopplerSpreadHz, double sampleRateHz, std::uint64_t seed)
    : spreadHz_(dopplerSpreadHz), noise_(std::sqrt(0.5), seed) {
    if (!std::isfinite(dopplerSpreadHz) || dopplerSpreadHz < 0.0 ||
        dopplerSpreadHz > kMaxDopplerSpreadHz || !positiveFinite(sampleRateHz)) {
        throw std::invalid_argument("FadingTap: spread must be 0..100 Hz and the rate positive");
    }
    if (dopplerSpreadHz == 0.0) {
        // No Doppler spread: one draw of the Rayleigh gain, held for ever.
        from_ = to_ = current_ = {noise_.next(), noise_.next()};
        return;
    }
    // The filter's impulse response is exp(-t^2 / (2 sigmaT^2)) with sigmaT = 1 / (2 pi sqrt(2)
    // sigma), so that |H(f)|^2 = exp(-f^2 / (2 sigma^2)): the Doppler spectrum.
    const double sigmaHz = dopplerSpreadHz / 2.0;
    const double sigmaTSeconds = 1.0 / (2.0 * kPi * std::numbers::sqrt2 * sigmaHz);
    internalRateHz_ = kTapSamplesPerSigma / sigmaTSeconds;
    step_ = internalRateHz_ / sampleRateHz;

    constexpr int kHalf = kTapSamplesPerSigma * kTapSigmas;
    taps_.resize(2 * kHalf + 1);
    double energy = 0.0;
    for (int k = -kHalf; k <= kHalf; ++k) {
        const double t = static_cast<double>(k) / kTapSamplesPerSigma;
        const double h = std::exp(-0.5 * t * t);
        taps_[static_cast<std::size_t>(k + kHalf)] = h;
        energy += h * h;
    }
    // Unit energy: filtered unit-power noise keeps unit power.
    for (double& h : taps_) h /= std::sqrt(energy);

    line_.assign(2 * taps_.size(), 0.0);
    for (std::size_t i = 0; i < taps_.size(); ++i) filterStep();  // fill the delay line
    from_ = filterStep();
    to_ = filterStep();
    current_ = from_;
}

std::complex<double> FadingTap::filterStep() {
    const std::size_t length = taps_.size();
    const std::complex<double> w(noise_.next(), noise_.next());
    line_[lineAt_] = w;
    line_[lineAt_ + length] = w;
    lineAt_ = lineAt_ + 1 == length ? 0 : lineAt_ + 1;
    // line_[lineAt_ .. lineAt_ + length) now holds the newest `length` values, oldest first; the
    // filter is symmetric, so the order of the taps does not matter.
    const std::complex<double>* window = line_.data() + lineAt_;
    std::complex<double> sum = 0.0;
    for (std::size_t k = 0; k < length; ++k) sum += taps_[k] * window[k];
    return sum;
}

std::complex<double> FadingTap::next() {
    if (step_ == 0.0) return current_;
    const std::complex<double> gain = from_ + (to_ - from_) * position_;
    current_ = gain;
    position_ += step_;
    while (position_ >= 1.0) {
        position_ -= 1.0;
        from_ = to_;
        to_ = filterStep();
    }
    return gain;
}

// ---------------------------------------------------------------------------------------------
// Watterson channel

WattersonConfig ccirChannel(CcirChannel channel, std::uint64_t seed, double sampleRateHz) {
    WattersonConfig config;
    config.seed = seed;
    config.sampleRateHz = sampleRateHz;
    switch (channel) {
        case CcirChannel::Good:
            config.differentialDelayMs = 0.5;
            config.dopplerSpreadHz = 0.1;
            break;
        case CcirChannel::Moderate:
            config.differentialDelayMs = 1.0;
            config.dopplerSpreadHz = 0.5;
            break;
        case CcirChannel::Poor:
            config.differentialDelayMs = 2.0;
            config.dopplerSpreadHz = 1.0;
            break;
    }
    return config;
}

const char* ccirChannelName(CcirChannel channel) {
    switch (channel) {
        case CcirChannel::Good:
            return "good";
        case CcirChannel::Moderate:
            return "moderate";
        case CcirChannel::Poor:
            return "poor";
    }
    return "?";
}

namespace {

WattersonConfig validated(const WattersonConfig& config) {
    if (!positiveFinite(config.sampleRateHz) || config.sampleRateHz < 1000.0 ||
        !std::isfinite(config.differentialDelayMs) || config.differentialDelayMs < 0.0 ||
        config.differentialDelayMs > WattersonChannel::kMaxDelayMs) {
        throw std::invalid_argument(
            "WattersonChannel: the rate must be at least 1000 Hz and the delay 0..20 ms");
    }
    return config;
}

}  // namespace

WattersonChannel::WattersonChannel(const WattersonConfig& config)
    : config_(validated(config)),
      path0_(config.dopplerSpreadHz, config.sampleRateHz, splitMix64(config.seed * 2 + 0)),
      path1_(config.dopplerSpreadHz, config.sampleRateHz, splitMix64(config.seed * 2 + 1)) {
    const double rate = config_.sampleRateHz;

    // Windowed ideal Hilbert transformer 2 / (pi k) at odd k, Kaiser design for the transition
    // band and attenuation above.
    const double attenuation = kHilbertAttenuationDb;
    const double beta = 0.1102 * (attenuation - 8.7);
    const double transitionRad = 2.0 * kPi * kHilbertTransitionHz / rate;
    const double order = (attenuation - 8.0) / (2.285 * transitionRad);
    hilbertHalf_ = static_cast<std::size_t>(std::ceil(order / 2.0));
    for (std::size_t k = 1; k <= hilbertHalf_; k += 2) {
        const auto kd = static_cast<double>(k);
        hilbert_.push_back(2.0 / (kPi * kd) *
                           kaiserWindow(kd, static_cast<double>(hilbertHalf_) + 1.0, beta));
    }
    input_.assign(2 * (2 * hilbertHalf_ + 1), 0.0);

    // Second path's extra delay: whole samples, plus a windowed-sinc interpolator when a
    // fraction remains.
    const double delaySamples = config_.differentialDelayMs * 1e-3 * rate;
    double whole = std::floor(delaySamples);
    double fraction = delaySamples - whole;
    if (fraction > 1.0 - 1e-9) {
        whole += 1.0;
        fraction = 0.0;
    }
    pathDelayWhole_ = static_cast<std::size_t>(whole);
    if (fraction > 1e-9) {
        interpolatorHalf_ = kInterpolatorHalf;
        // Taps for m = -(half - 1) .. half on a[t0 - m], reading the signal at t0 - fraction.
        double sum = 0.0;
        const auto half = static_cast<double>(kInterpolatorHalf);
        for (std::size_t i = 0; i < 2 * kInterpolatorHalf; ++i) {
            const double m = static_cast<double>(i) - (half - 1.0);
            const double h =
                sinc(m - fraction) * kaiserWindow(m - fraction, half, kInterpolatorBeta);
            interpolator_.push_back(h);
            sum += h;
        }
        for (double& h : interpolator_) h /= sum;
    }
    const std::size_t span = pathDelayWhole_ + 2 * interpolatorHalf_ + 2;
    analytic_.assign(std::bit_ceil(span), 0.0);
    // Path 0 reads `interpolatorHalf_ - 1` samples back when interpolating, so that path 1's
    // interpolator has the samples it needs on both sides.
    delaySamples_ = hilbertHalf_ + (interpolatorHalf_ > 0 ? interpolatorHalf_ - 1 : 0);
}

void WattersonChannel::reset() {
    path0_ =
        FadingTap(config_.dopplerSpreadHz, config_.sampleRateHz, splitMix64(config_.seed * 2 + 0));
    path1_ =
        FadingTap(config_.dopplerSpreadHz, config_.sampleRateHz, splitMix64(config_.seed * 2 + 1));
    std::fill(input_.begin(), input_.end(), 0.0);
    std::fill(analytic_.begin(), analytic_.end(), 0.0);
    inputAt_ = 0;
    analyticAt_ = 0;
}

std::complex<double> WattersonChannel::pathGain(int path) const {
    return path == 0 ? path0_.current() : path1_.current();
}

void WattersonChannel::process(std::span<const float> in, std::span<float> out) {
    if (in.size() != out.size()) {
        throw std::invalid_argument("WattersonChannel::process: in and out differ in length");
    }
    const std::size_t window = 2 * hilbertHalf_ + 1;
    const std::size_t mask = analytic_.size() - 1;
    const std::size_t path0Back = interpolatorHalf_ > 0 ? interpolatorHalf_ - 1 : 0;
    constexpr double kPathScale = 1.0 / std::numbers::sqrt2;

    for (std::size_t n = 0; n < in.size(); ++n) {
        const auto x = static_cast<double>(in[n]);
        input_[inputAt_] = x;
        input_[inputAt_ + window] = x;
        inputAt_ = inputAt_ + 1 == window ? 0 : inputAt_ + 1;
        // input_[inputAt_ .. inputAt_ + window): oldest first; its centre is hilbertHalf_ old.
        const double* history = input_.data() + inputAt_;
        const double* centre = history + hilbertHalf_;
        double quadrature = 0.0;
        for (std::size_t i = 0; i < hilbert_.size(); ++i) {
            const std::size_t k = 2 * i + 1;
            // y[c] = sum h[k] x[c - k]; h is odd, so h[k] (x[c - k] - x[c + k]).
            quadrature += hilbert_[i] * (*(centre - k) - *(centre + k));
        }
        analytic_[analyticAt_] = {*centre, quadrature};
        const std::size_t newest = analyticAt_;
        analyticAt_ = (analyticAt_ + 1) & mask;

        const std::complex<double> a0 = analytic_[(newest - path0Back) & mask];
        std::complex<double> a1;
        if (interpolator_.empty()) {
            a1 = analytic_[(newest - path0Back - pathDelayWhole_) & mask];
        } else {
            // t0 = newest - path0Back - whole; taps run over m = -(half - 1) .. half, and
            // t0 - m for m = -(half - 1) is `newest - whole`.
            const std::size_t first = newest - pathDelayWhole_;
            for (std::size_t i = 0; i < interpolator_.size(); ++i) {
                a1 += interpolator_[i] * analytic_[(first - i) & mask];
            }
        }
        const std::complex<double> y = path0_.next() * a0 + path1_.next() * a1;
        out[n] = static_cast<float>(kPathScale * y.real());
    }
}

// ---------------------------------------------------------------------------------------------
// QSB

Qsb::Qsb(const QsbConfig& config) : config_(config) {
    if (!std::isfinite(config.depthDb) || config.depthDb < 0.0 ||
        !positiveFinite(config.periodSeconds) || !positiveFinite(config.sampleRateHz) ||
        !std::isfinite(config.phaseRad)) {
        throw std::invalid_argument("Qsb: depth must be >= 0, period and rate positive");
    }
}

double Qsb::gainDb() const {
    const double t = static_cast<double>(sample_) / config_.sampleRateHz;
    return 0.5 * config_.depthDb *
           std::sin(2.0 * kPi * t / config_.periodSeconds + config_.phaseRad);
}

void Qsb::process(std::span<const float> in, std::span<float> out) {
    if (in.size() != out.size()) {
        throw std::invalid_argument("Qsb::process: in and out differ in length");
    }
    for (std::size_t n = 0; n < in.size(); ++n) {
        const double gain = std::pow(10.0, gainDb() / 20.0);
        out[n] = static_cast<float>(static_cast<double>(in[n]) * gain);
        ++sample_;
    }
}

}  // namespace pskmodem
