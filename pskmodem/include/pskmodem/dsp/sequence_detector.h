#pragma once

#include <array>
#include <cstdint>

namespace pskmodem {

// Maximum-likelihood sequence detector for coherent BPSK31 (Viterbi algorithm, two states).
//
// After the matched filter each symbol sample carries a fraction rho (1/6) of each neighbouring
// symbol: x_k = A (b_k + rho (b_{k-1} + b_{k+1})) + noise, with b = +-1. Deciding each sample on
// its own loses up to a third of the eye; the sequence detector instead maximises the matched
// filter metric sum_k b_k x_k - A rho sum_k b_k b_{k-1}, whose state is just the previous
// symbol. The data bit is the differential decision b_k b_{k-1}: +1 (no change) is a 1, a
// reversal a 0, so the unknown sign of the carrier does not matter.
//
// Survivors are kept by register exchange in 64-bit words; a decision leaves the detector
// `delaySymbols` symbols after its symbol came in.
class SequenceDetector {
  public:
    static constexpr int kMaxDelaySymbols = 60;

    // delaySymbols 1..kMaxDelaySymbols, neighbourInterference in [0, 0.5); throws
    // std::invalid_argument otherwise.
    SequenceDetector(int delaySymbols, double neighbourInterference);

    void reset();

    // Feeds the in-phase (carrier-removed) matched-filter sample and the amplitude A of an
    // isolated symbol. Returns the data bit (1 = no phase change, 0 = reversal) between the
    // symbols delaySymbols() + 1 and delaySymbols() back, or -1 while the detector fills.
    int push(float inPhase, float amplitude);

    // Symbol b (+1 or -1) `depth` symbols back on the currently best path (0 = newest).
    int symbolAt(int depth) const;

    int delaySymbols() const { return delay_; }

  private:
    int delay_;
    float interference_;
    std::array<float, 2> metrics_{};
    std::array<std::uint64_t, 2> paths_{};  // bit i set: symbol i back was -1
    int best_ = 0;
    int filled_ = 0;
};

}  // namespace pskmodem
