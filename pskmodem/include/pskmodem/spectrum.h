#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pskmodem {

// Spectrum of the 8 kHz audio for the waterfall: 2048-point FFT, 1024 levels 0..255, bin k at
// k x 8000/2048 Hz, a new frame every kHopSamples samples (about 15 per second).
class Spectrum {
public:
    static constexpr int kFftSize = 2048;
    static constexpr int kBins = 1024;
    static constexpr int kHopSamples = 512;

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // smoothing 1..10 (10 = most), sensitivity 100..2500; out-of-range values are clamped.
    void setMode(int smoothing, int sensitivity);
    void reset();

    // Consumes samples from `in` up to and including the one that completes a frame; returns the
    // number consumed. After it returns, frameReady() tells whether levels() holds a new frame.
    std::size_t consume(std::span<const float> in);
    bool frameReady() const;
    const std::array<std::int32_t, kBins>& levels() const;

private:
};

}  // namespace pskmodem
