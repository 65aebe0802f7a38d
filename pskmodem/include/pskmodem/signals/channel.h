#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

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

// Third-order distortion of a transmitter's amplifier as it leaves the transmitter: the part of
// the memoryless y = x + a*x^3 that falls around the carrier (the part around three times the
// carrier is what the output filter removes). For a signal of envelope e that part is
// y = x * (1 + (3a/4) * e^2). An idle PSK31 signal of peak amplitude P is two tones of amplitude
// A = P/2 at +-15.625 Hz from the carrier; the distortion adds the third-order products at
// +-46.875 Hz, each of amplitude 3aA^3/4, and makes each tone A + 9aA^3/4. The amplifier
// compresses (a < 0), with a chosen so that 20*log10(|3aA^3/4| / (A + 9aA^3/4)) is `imdDb`
// exactly, and the output is scaled by A / (A + 9aA^3/4) so that the idle tones keep their
// amplitude. Data is distorted by the same curve (a data signal's envelope stays within P).
//
// The envelope comes from a Hilbert transformer (kTaps taps, Blackman window, accurate to 0.1 %
// for carriers from 150 to 3850 Hz at 8000 samples/s); the output is delayed by kDelaySamples.
class TransmitterDistortion {
  public:
    static constexpr int kTaps = 255;
    static constexpr int kDelaySamples = kTaps / 2;

    // Throws std::invalid_argument unless imdDb is finite and negative and the peak amplitude
    // finite and positive.
    TransmitterDistortion(double imdDb, double peakAmplitude);
    // Distorts `samples` in place; never allocates.
    void process(std::span<float> samples);

  private:
    std::vector<float> taps_;     // the Hilbert transformer, from the newest sample back
    std::vector<float> history_;  // the last kTaps samples, twice over
    std::size_t pos_ = 0;
    double cubic_ = 0.0;  // 3a/4
    double scale_ = 1.0;
};

// An overdriven audio stage between the sound card and the transmitter: the memoryless
// y = x + a*x^3 on the audio itself, which the transmitter then sends as it is, so that the
// third harmonic of a carrier goes out with it (at three times the audio frequency, within the
// transmitter's passband for carriers below about 1 kHz). For a steady carrier of peak amplitude
// P the cubic term gives a third harmonic of amplitude |a|P^3/4 and takes 3|a|P^3/4 off the
// carrier. The stage compresses (a < 0), with a chosen so that the harmonic stands `harmonicDb`
// (below 0) under the carrier, and the output is scaled so that the carrier keeps its amplitude.
// The harmonic carries the phase of the carrier three times over: BPSK31 comes out as BPSK31 of
// the same text, QPSK31 as QPSK31 on the other sideband. Its spectrum reaches three times the
// carrier frequency, which must stay below half the sample rate.
class HarmonicDistortion {
  public:
    // Throws std::invalid_argument unless harmonicDb is finite and negative and the peak
    // amplitude finite and positive.
    HarmonicDistortion(double harmonicDb, double peakAmplitude);
    // Distorts `samples` in place; never allocates.
    void process(std::span<float> samples) const;

  private:
    double cubic_ = 0.0;  // a
    double scale_ = 1.0;
};

// Standard deviation of white noise at `sampleRateHz` whose power in a 3000 Hz bandwidth is
// `signalPower` / 10^(snrDb / 10).
double noiseRmsForSnr(double signalPower, double snrDb, double sampleRateHz = 8000.0);

}  // namespace pskmodem
