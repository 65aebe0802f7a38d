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

void NoiseSource::add(std::span<float> samples) {
    for (float& v : samples) v = static_cast<float>(static_cast<double>(v) + next());
}

}  // namespace pskmodem
