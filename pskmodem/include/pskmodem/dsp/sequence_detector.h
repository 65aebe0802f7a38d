#pragma once

#include <array>
#include <cstdint>

#include "pskmodem/codec/decided_bits.h"
#include "pskmodem/codec/varicode.h"

namespace pskmodem {

// Maximum-likelihood sequence detector for coherent BPSK31 (Viterbi algorithm).
//
// After the matched filter each symbol sample carries a fraction rho (1/6) of each neighbouring
// symbol: x_k = A (b_k + rho (b_{k-1} + b_{k+1})) + noise, with b = +-1. Deciding each sample on
// its own loses up to a third of the eye; the sequence detector instead maximises the matched
// filter metric sum_k b_k x_k - A rho sum_k b_k b_{k-1}, for which the previous symbol is
// enough state. The data bit is the differential decision b_k b_{k-1}: +1 (no change) is a 1, a
// reversal a 0, so the unknown sign of the carrier does not matter.
//
// With Words::Varicode the trellis also follows the word structure of the data bits: two zeros
// end a character, a character never holds two zeros in a row, and no character is longer than
// twelve bits. One symbol decided wrongly flips two neighbouring data bits; where that turns the
// gap between two characters into "11" (or "10", "01") the two become one word longer than any
// character, which a detector without the structure hands on and the Varicode decoder throws
// away: two characters lost. Here a word longer than a character costs kOverlongCost (in units
// of the symbol amplitude A, about what one clean symbol weighs), so a doubtful symbol is
// decided the way that keeps the characters apart. An unmodulated carrier, one endless word,
// pays that cost once and is decided as it is: the detector never invents gaps in it.
//
// State = (sign of the newest symbol, place in the word as nextVaricodeWordState follows it;
// with Words::Free a single place): up to 2 x 27 states, survivors by register exchange in
// 64-bit words. A decision leaves `delaySymbols` symbols after its symbol came in; the word
// structure needs the delay to span a character (16 or more). push() never allocates.
class SequenceDetector {
  public:
    enum class Words { Free, Varicode };
    static constexpr int kMaxDelaySymbols = 60;
    static constexpr float kOverlongCost = 1.5F;

    // delaySymbols 1..kMaxDelaySymbols, neighbourInterference in [0, 0.5); throws
    // std::invalid_argument otherwise.
    SequenceDetector(int delaySymbols, double neighbourInterference, Words words = Words::Free);

    void reset();

    // Feeds the in-phase (carrier-removed) matched-filter sample and the amplitude A of an
    // isolated symbol. Returns the data bit (1 = no phase change, 0 = reversal) between the
    // symbols delaySymbols() + 1 and delaySymbols() back, or -1 while the detector fills.
    int push(float inPhase, float amplitude);

    // Symbol b (+1 or -1) `depth` symbols back on the currently best path (0 = newest).
    int symbolAt(int depth) const;

    int delaySymbols() const { return delay_; }

    // The data bits of the path that is best now that the samples pushed so far decide (see
    // decidedBits). Bit d is the one between the symbols d + 1 and d back.
    DecidedBits decidedBits() const;

  private:
    static constexpr int kMaxWordStates = kVaricodeWordStates;
    static constexpr int kMaxStates = 2 * kMaxWordStates;

    int delay_;
    float interference_;
    int wordStates_;  // places in a word the trellis tells apart
    std::array<float, kMaxStates> metrics_{};
    std::array<std::uint64_t, kMaxStates> paths_{};  // bit i set: symbol i back was -1
    std::array<std::array<std::int8_t, 2>, kMaxWordStates> next_{};
    int best_ = 0;
    int filled_ = 0;
    SampleScale scale_;  // of the in-phase samples (see SampleScale)
};

}  // namespace pskmodem
