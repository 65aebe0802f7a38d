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

// What one received symbol puts between its best and its next best reading in a decoder's metric,
// D, tracked over the last some 32 symbols. In Gaussian noise the log-likelihood ratio of the two
// readings is 2 E(D) D / Var(D), whatever the metric's scale: that factor turns a decoder's metric
// differences into odds.
class SymbolSeparation {
  public:
    void reset();
    void push(float gap);
    // The metric difference that stands for kDecidedLogLikelihood (infinite before any symbol).
    float decisiveDifference() const;

  private:
    float mean_ = 0.0F;
    float square_ = 0.0F;
    int count_ = 0;
};

}  // namespace pskmodem
