#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace pskmodem {

// Channel impairments for the simulator, the tests and the benchmarks.

// Mean power of `samples`.
double meanPower(std::span<const float> samples);

// Adds white Gaussian noise so that the signal-to-noise ratio in a 3000 Hz bandwidth is `snrDb`,
// given the mean power of the signal. Deterministic for a given seed.
void addWhiteNoise(std::span<float> samples, double signalPower, double snrDb, std::uint64_t seed,
                   double sampleRateHz = 8000.0);

// Gaussian noise source with a fixed seed (for streaming use).
class NoiseSource {
  public:
    NoiseSource(double rms, std::uint64_t seed);
    void add(std::span<float> samples);
    // Next noise value (standard deviation `rms`).
    double next();

  private:
    std::mt19937_64 rng_;
    double rms_;
    double spare_ = 0.0;  // Box-Muller gives values in pairs
    bool hasSpare_ = false;
};

// Standard deviation of white noise at `sampleRateHz` whose power in a 3000 Hz bandwidth is
// `signalPower` / 10^(snrDb / 10).
double noiseRmsForSnr(double signalPower, double snrDb, double sampleRateHz = 8000.0);

}  // namespace pskmodem
