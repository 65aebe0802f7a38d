#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pskmodem/signals/channel.h"
#include "pskmodem/types.h"

namespace pskmodem {

// HF propagation for the tests and benchmarks: the Watterson fading channel of ITU-R F.1487
// (the two-path model of CCIR 520) and slow sinusoidal QSB.

// Tap gain of one fading path: a complex Gaussian process of unit mean power whose power
// spectrum is Gaussian with standard deviation sigma = dopplerSpreadHz / 2 (the model quotes the
// spread as 2 sigma). Its autocorrelation is therefore exp(-2 pi^2 sigma^2 tau^2).
//
// Complex white Gaussian noise is filtered by a Gaussian low-pass with |H(f)|^2 proportional to
// the Doppler spectrum, at an internal rate proportional to the spread (about 71 x the spread,
// with 16 samples per standard deviation of the filter's impulse response), and interpolated
// linearly to the output rate. The filter's delay line starts full, so the process is
// stationary from the first sample. A spread of 0 gives a constant gain drawn from the same
// distribution. Deterministic for a given seed; next() never allocates.
class FadingTap {
  public:
    static constexpr double kMaxDopplerSpreadHz = 100.0;

    FadingTap(double dopplerSpreadHz, double sampleRateHz, std::uint64_t seed);

    // Gain for the next output sample.
    std::complex<double> next();
    // Gain most recently returned by next() (before the first call: the gain next() will return
    // first).
    std::complex<double> current() const { return current_; }

    double dopplerSpreadHz() const { return spreadHz_; }
    // Rate at which the filtered noise is computed before interpolation.
    double internalRateHz() const { return internalRateHz_; }

  private:
    std::complex<double> filterStep();

    double spreadHz_;
    double internalRateHz_ = 0.0;
    double step_ = 0.0;  // internal samples per output sample
    double position_ = 0.0;
    NoiseSource noise_;
    std::vector<double> taps_;  // Gaussian impulse response, sum of squares 1
    // Delay line of complex noise, stored twice so the filter window is always contiguous.
    std::vector<std::complex<double>> line_;
    std::size_t lineAt_ = 0;
    std::complex<double> from_{0.0};
    std::complex<double> to_{0.0};
    std::complex<double> current_{0.0};
};

struct WattersonConfig {
    double differentialDelayMs = 1.0;  // delay of the second path behind the first
    double dopplerSpreadHz = 0.5;      // 2 sigma of each path's Gaussian Doppler spectrum
    std::uint64_t seed = 1;
    double sampleRateHz = kSampleRateHz;
};

// The channels of CCIR 520 for modem tests.
enum class CcirChannel { Good, Moderate, Poor };

// good: 0.5 ms, 0.1 Hz; moderate: 1 ms, 0.5 Hz; poor: 2 ms, 1 Hz.
WattersonConfig ccirChannel(CcirChannel channel, std::uint64_t seed = 1,
                            double sampleRateHz = kSampleRateHz);
const char* ccirChannelName(CcirChannel channel);

// Two independently Rayleigh-fading paths of equal mean power, the second delayed by
// differentialDelayMs, applied to a real passband signal through its analytic signal:
//
//     out[n] = Re{ (g1[n] a[n - d] + g2[n] a[n - d - D]) / sqrt(2) }
//
// where a = x + j Hilbert{x}. The output keeps the input's mean power on average and lags the
// input by delaySamples() (the Hilbert filter's delay, plus a fractional-delay interpolator's
// when D is not a whole number of samples). The Hilbert transformer passes about 120 Hz to half
// the rate less 120 Hz with its negative-frequency image 60 dB down; PSK31 audio sits well
// inside.
//
// Construction validates and allocates; process() never allocates.
class WattersonChannel {
  public:
    static constexpr double kMaxDelayMs = 20.0;

    explicit WattersonChannel(const WattersonConfig& config);

    // `out` must be as long as `in`; they may be the same buffer. Throws std::invalid_argument
    // otherwise.
    void process(std::span<const float> in, std::span<float> out);
    // Starts the same realisation over and clears the signal history.
    void reset();

    // Samples by which the output lags the input.
    std::size_t delaySamples() const { return delaySamples_; }
    // Current tap gains of path 0 and path 1 (unit mean power each, before the 1/sqrt(2)).
    std::complex<double> pathGain(int path) const;
    const WattersonConfig& config() const { return config_; }

  private:
    WattersonConfig config_;
    FadingTap path0_;
    FadingTap path1_;
    std::vector<double> hilbert_;  // taps at odd offsets 1, 3, 5 ... from the centre
    std::size_t hilbertHalf_ = 0;  // centre of the Hilbert filter (its delay)
    std::vector<double> input_;    // real input history, stored twice
    std::size_t inputAt_ = 0;
    std::vector<double> interpolator_;  // fractional-delay taps for path 1 (empty: whole delay)
    std::size_t pathDelayWhole_ = 0;    // whole samples of path 1's extra delay
    std::size_t interpolatorHalf_ = 0;  // extra delay of both paths when interpolating
    std::vector<std::complex<double>> analytic_;  // analytic-signal ring, power-of-two length
    std::size_t analyticAt_ = 0;
    std::size_t delaySamples_ = 0;
};

// Slow fading by a sinusoid in decibels: the gain swings from +depthDb/2 to -depthDb/2 about the
// nominal level, gainDb(t) = depthDb / 2 x sin(2 pi t / periodSeconds + phaseRad).
struct QsbConfig {
    double depthDb = 20.0;  // peak to trough
    double periodSeconds = 15.0;
    double phaseRad = 0.0;
    double sampleRateHz = kSampleRateHz;
};

class Qsb {
  public:
    explicit Qsb(const QsbConfig& config);
    // `out` must be as long as `in`; they may be the same buffer.
    void process(std::span<const float> in, std::span<float> out);
    void reset() { sample_ = 0; }
    // Gain in dB that the next sample gets.
    double gainDb() const;

  private:
    QsbConfig config_;
    std::uint64_t sample_ = 0;
};

}  // namespace pskmodem
