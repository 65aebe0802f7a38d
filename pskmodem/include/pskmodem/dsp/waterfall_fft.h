#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "pskmodem/types.h"

namespace pskmodem {

// WaterfallFft: the spectrum of the 8 kHz audio for the waterfall: 2048-point FFT, kSpectrumValues
// (1024) levels 0..255, bin k at k x 8000/2048 Hz, a new frame every kHopSamples samples (about 15
// per second).
//
// Levels are brightness values relative to the noise floor, so that the picture does not depend
// on the input level: 0 is the palette's dark base colour, 255 is white. With the default
// sensitivity the noise floor sits around 33 and a bin 20 dB above it near 144 (see
// waterfall_fft.cpp for the exact mapping).
class WaterfallFft {
  public:
    static constexpr int kBins = kSpectrumValues;
    static constexpr int kFftSize = 2 * kBins;
    static constexpr int kHopSamples = 512;
    // Ranges setMode() clamps into, and the defaults.
    static constexpr int kMinSmoothing = 1;
    static constexpr int kMaxSmoothing = 10;
    static constexpr int kMinSensitivity = 100;
    static constexpr int kMaxSensitivity = 2500;
    static constexpr int kDefaultSmoothing = 3;
    static constexpr int kDefaultSensitivity = 1500;

    WaterfallFft();
    ~WaterfallFft();
    WaterfallFft(const WaterfallFft&) = delete;
    WaterfallFft& operator=(const WaterfallFft&) = delete;

    // smoothing 1..10 (10 = most), sensitivity 100..2500; out-of-range values are clamped.
    void setMode(int smoothing, int sensitivity);
    int smoothing() const;
    int sensitivity() const;
    // Clears the sample history, the averages and the noise floor; keeps the mode.
    void reset();

    // Consumes samples from `in` up to and including the one that completes a frame; returns the
    // number consumed. After it returns, frameReady() tells whether levels() holds a new frame.
    // Never allocates, locks or does I/O. Non-finite samples are treated as silence.
    std::size_t consume(std::span<const float> in);
    bool frameReady() const;
    const std::array<std::int32_t, kBins>& levels() const;

    // The tracked noise floor in dB relative to a full-scale sine centred on a bin (the level of
    // the median bin in the 200..3000 Hz band, averaged over frames).
    float noiseFloorDb() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
