#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "pskmodem/types.h"

struct soxr;

namespace pskmodem {

// Streaming sample-rate converter for mono audio (libsoxr, high quality), normally from a
// device or file rate to the modem's 8000 Hz.
//
// Clock correction: a sound card whose crystal runs fast delivers more samples per second than
// it claims. With a correction of `clockPpm` the input is treated as running at
// nominal x (1 + clockPpm x 1e-6), which brings the output back to the true output rate.
// A tone that the card sees at f Hz then comes out at f x (1 + clockPpm x 1e-6).
//
// All buffers are allocated by the constructor; process() and flush() do not allocate.
class Resampler {
  public:
    static constexpr double kMaxClockPpm = 5000.0;

    // `maxInputSamples` is the largest block process() accepts. Throws std::invalid_argument
    // for non-positive rates and std::runtime_error when libsoxr refuses the conversion.
    // The clock correction is clamped into -kMaxClockPpm..+kMaxClockPpm.
    Resampler(double inputRateHz, double outputRateHz = kSampleRateHz, double clockPpm = 0.0,
              std::size_t maxInputSamples = 8192);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Converts the next block of input (at most maxInputSamples()) and returns the output that
    // is ready; the view stays valid until the next call. All input is taken; the converter's
    // delay means output lags input by a few milliseconds. Throws std::length_error for a
    // block larger than maxInputSamples().
    std::span<const float> process(std::span<const float> in);

    // At end of input: returns the rest of the converted signal, one buffer at a time; call
    // until it returns an empty view. Afterwards process() starts a fresh stream.
    std::span<const float> flush();

    // Forgets all history and starts a fresh stream with the same settings.
    void reset();

    double inputRateHz() const { return inputRateHz_; }
    double outputRateHz() const { return outputRateHz_; }
    double clockPpm() const { return clockPpm_; }
    std::size_t maxInputSamples() const { return maxInputSamples_; }
    // Delay of the filter, in output samples.
    double delaySamples() const;

  private:
    double inputRateHz_;
    double outputRateHz_;
    double clockPpm_;
    std::size_t maxInputSamples_;
    std::vector<float> output_;
    soxr* soxr_ = nullptr;
    bool flushing_ = false;
};

}  // namespace pskmodem
