#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pskmodem {

// The bits of a trellis decoder's best path that the symbols received so far decide, for the end
// of the input: there no more symbols come to settle the newest bits, whose survivors still
// branch.
struct DecidedBits {
    std::uint64_t bits = 0;  // the best path's data bits, the newest in bit 0
    int fromDepth = 0;       // bits at this depth (0 = the newest) and older are decided
};

// A bit is decided when every survivor that disagrees with the best one on it lies behind it by
// at least `reach`: the symbols received make each of them that much less likely, however the
// symbols that never came would have read. `deficits[s]`: how far survivor s lies behind the best
// (0 for the best, infinity for none); `data[s]`: its data bits, the newest in bit 0; `best`: the
// best survivor. Returns the depth from which on every bit is decided.
DecidedBits decidedBits(std::span<const float> deficits, std::span<const std::uint64_t> data,
                        std::size_t best, float reach);

// Log-likelihood ratio by which the received symbols must favour a bit for it to count as decided
// at the end of the input: odds of about 1000 to 1.
inline constexpr float kDecidedLogLikelihood = 7.0F;

// The scale that turns a decoder's metric differences into log-likelihood ratios, for a decoder
// whose metric sums b x over real samples x = A b + n (b = +-1, Gaussian noise of variance s^2):
// the log-likelihood ratio of the two signs of a sample is 2 A x / s^2, so a unit of metric
// stands for A / s^2. A and s^2 come from the second and fourth moments of the samples
// (E x^2 = A^2 + s^2, E x^4 = A^4 + 6 A^2 s^2 + 3 s^4), which need no decisions. Noise alone
// has A = 0: then only bits where all survivors have merged count.
class SampleScale {
  public:
    void reset();
    void push(float sample);
    // The metric difference that stands for kDecidedLogLikelihood (infinite without a signal).
    float decisiveDifference() const;

  private:
    float power_ = 0.0F;   // mean x^2 over the last some 32 samples
    float power2_ = 0.0F;  // mean x^4
    int count_ = 0;
};

}  // namespace pskmodem
