#include "pskmodem/signals/channel.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {

namespace {

// Bandwidth in which signal-to-noise ratios are quoted, the usual SSB receiver passband.
constexpr double kSnrBandwidthHz = 3000.0;

}  // namespace

double meanPower(std::span<const float> samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (float v : samples) sum += static_cast<double>(v) * static_cast<double>(v);
    return sum / static_cast<double>(samples.size());
}

double noiseRmsForSnr(double signalPower, double snrDb, double sampleRateHz) {
    // White noise spreads its power evenly over 0..fs/2; only 3000 Hz of it counts.
    const double noisePowerInBand = signalPower / std::pow(10.0, snrDb / 10.0);
    return std::sqrt(noisePowerInBand * (sampleRateHz / 2.0) / kSnrBandwidthHz);
}

void addWhiteNoise(std::span<float> samples, double signalPower, double snrDb, std::uint64_t seed,
                   double sampleRateHz) {
    NoiseSource noise(noiseRmsForSnr(signalPower, snrDb, sampleRateHz), seed);
    noise.add(samples);
}

NoiseSource::NoiseSource(double rms, std::uint64_t seed) : rng_(seed), rms_(rms) {
    if (!std::isfinite(rms) || rms < 0.0) {
        throw std::invalid_argument("NoiseSource: rms must be finite and not negative");
    }
}

double NoiseSource::next() {
    // Box-Muller on 53-bit uniforms, written out so that the sequence for a seed does not
    // depend on the standard library's distribution code.
    if (hasSpare_) {
        hasSpare_ = false;
        return rms_ * spare_;
    }
    constexpr double kScale = 1.0 / 9007199254740992.0;                    // 2^-53
    const double u1 = (static_cast<double>(rng_() >> 11) + 1.0) * kScale;  // (0, 1]
    const double u2 = static_cast<double>(rng_() >> 11) * kScale;          // [0, 1)
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 2.0 * std::numbers::pi * u2;
    spare_ = radius * std::sin(angle);
    hasSpare_ = true;
    return rms_ * radius * std::cos(angle);
}

TransmitterDistortion::TransmitterDistortion(double imdDb, double peakAmplitude)
    : taps_(static_cast<std::size_t>(kTaps), 0.0F),
      history_(2 * static_cast<std::size_t>(kTaps), 0.0F) {
    if (!std::isfinite(imdDb) || !(imdDb < 0.0) || !std::isfinite(peakAmplitude) ||
        !(peakAmplitude > 0.0)) {
        throw std::invalid_argument("TransmitterDistortion: IMD below 0 dB, amplitude above 0");
    }
    // With u = -(3a/4) A^2 the product over the tone is u / (1 - 3u) = r.
    const double r = std::pow(10.0, imdDb / 20.0);
    const double u = r / (1.0 + 3.0 * r);
    const double tone = peakAmplitude / 2.0;
    cubic_ = -u / (tone * tone);
    scale_ = 1.0 / (1.0 - 3.0 * u);
    // Hilbert transformer 2 / (pi m) at odd offsets m from the centre; taps_[k] weighs the sample
    // k samples before the newest.
    for (int k = 0; k < kTaps; ++k) {
        const int m = kDelaySamples - k;
        if (m % 2 == 0) continue;
        const double t = static_cast<double>(k) / static_cast<double>(kTaps - 1);
        const double blackman = 0.42 - 0.5 * std::cos(2.0 * std::numbers::pi * t) +
                                0.08 * std::cos(4.0 * std::numbers::pi * t);
        taps_[static_cast<std::size_t>(k)] =
            static_cast<float>(2.0 / (std::numbers::pi * static_cast<double>(m)) * blackman);
    }
}

void TransmitterDistortion::process(std::span<float> samples) {
    const auto n = static_cast<std::size_t>(kTaps);
    for (float& v : samples) {
        history_[pos_] = v;
        history_[pos_ + n] = v;
        // history_[pos_ + 1 .. pos_ + n] holds the last kTaps samples, oldest first.
        const float* newest = &history_[pos_ + n];
        double quadrature = 0.0;
        // Only the taps at an odd distance from the centre, an even one from the newest, count.
        for (std::size_t k = 0; k < n; k += 2) {
            quadrature += static_cast<double>(taps_[k]) * static_cast<double>(*(newest - k));
        }
        const double x = static_cast<double>(*(newest - static_cast<std::size_t>(kDelaySamples)));
        const double envelope2 = x * x + quadrature * quadrature;
        v = static_cast<float>(scale_ * x * (1.0 + cubic_ * envelope2));
        pos_ = pos_ + 1 == n ? 0 : pos_ + 1;
    }
}

HarmonicDistortion::HarmonicDistortion(double harmonicDb, double peakAmplitude) {
    if (!std::isfinite(harmonicDb) || !(harmonicDb < 0.0) || !std::isfinite(peakAmplitude) ||
        !(peakAmplitude > 0.0)) {
        throw std::invalid_argument("HarmonicDistortion: harmonic below 0 dB, amplitude above 0");
    }
    // With u = |a| P^2 / 4 the harmonic over the carrier is u / (1 - 3u) = r.
    const double r = std::pow(10.0, harmonicDb / 20.0);
    const double u = r / (1.0 + 3.0 * r);
    cubic_ = -4.0 * u / (peakAmplitude * peakAmplitude);
    scale_ = 1.0 / (1.0 - 3.0 * u);
}

void HarmonicDistortion::process(std::span<float> samples) const {
    for (float& v : samples) {
        const double x = static_cast<double>(v);
        v = static_cast<float>(scale_ * x * (1.0 + cubic_ * x * x));
    }
}

void NoiseSource::add(std::span<float> samples) {
    for (float& v : samples) v = static_cast<float>(static_cast<double>(v) + next());
}

}  // namespace pskmodem
