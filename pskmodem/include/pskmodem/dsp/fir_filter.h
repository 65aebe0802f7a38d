#pragma once

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace pskmodem {

// Kaiser window of parameter `beta` at offset `t` from the centre of a window that reaches
// `halfWidth` either side; 0 outside it.
double kaiserWindow(double t, double halfWidth, double beta);

// Linear-phase lowpass FIR by the window method: a sinc with its -6 dB point at `cutoffHz`,
// shaped by a Kaiser window of parameter `kaiserBeta` (about 0.1102 (A - 8.7) for A dB of
// stopband attenuation), scaled to unity gain at 0 Hz. Throws std::invalid_argument for fewer
// than two taps or a cutoff outside (0, rate/2).
std::vector<float> designLowpassFir(int taps, double cutoffHz, double sampleRateHz,
                                    double kaiserBeta);

// Sum of a[i] * b[i]. Four independent partial sums let the compiler keep several multiplies in
// flight without reassociating floating-point arithmetic on its own.
inline float dotProduct(const float* a, const float* b, std::size_t n) {
    float s0 = 0.0F;
    float s1 = 0.0F;
    float s2 = 0.0F;
    float s3 = 0.0F;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i) s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

// FIR filter with real taps on complex samples, keeping every `factor`-th output. The history
// is stored twice in a row so that each output is one contiguous dot product.
class DecimatingFir {
  public:
    // Throws std::invalid_argument for empty taps or factor < 1.
    DecimatingFir(std::span<const float> taps, int factor);

    void reset();
    int factor() const { return factor_; }
    // Input samples still needed before the next output (1 .. factor).
    int samplesUntilOutput() const { return factor_ - phase_; }
    // Replaces the taps by as many new ones (extra ones are ignored, missing ones are zero);
    // the history is kept.
    void setTaps(std::span<const float> taps);

    // Filters the samples inRe[i] + j inIm[i] and writes the decimated outputs to `out`, which
    // must hold at least (in.size() + factor - 1) / factor values. Returns how many it wrote.
    std::size_t process(std::span<const float> inRe, std::span<const float> inIm,
                        std::span<std::complex<float>> out);

  private:
    std::vector<float> taps_;  // reversed, so that taps_[0] meets the oldest sample
    int factor_;
    std::vector<float> historyRe_;
    std::vector<float> historyIm_;
    std::size_t position_ = 0;
    int phase_ = 0;
};

}  // namespace pskmodem
