#pragma once

#include <array>
#include <cstdint>

#include "pskmodem/codec/varicode.h"

namespace pskmodem {

// Maximum-likelihood sequence detector for coherent BPSK31 that knows what Varicode allows.
//
// Like SequenceDetector it undoes the matched filter's interference between neighbouring symbols
// (x_k = A (b_k + rho (b_{k-1} + b_{k+1})) + noise, metric sum_k b_k x_k - A rho sum_k b_k b_{k-1})
// and returns the data bit b_k b_{k-1} (1 = no phase change, 0 = reversal). Its trellis also
// follows the word structure of the data bits: two zeros end a character, a character never
// holds two zeros in a row, and no character is longer than twelve bits. One symbol decided
// wrongly flips two neighbouring data bits; where that turns the gap between two characters
// into "11" (or "10", "01") the two become one word longer than any character, which a
// symbol-by-symbol decision hands on and the Varicode decoder throws away: two characters lost.
// Here a word longer than a character costs kOverlongCost (in units of the symbol amplitude A,
// about what one clean symbol weighs), so a doubtful symbol is decided the way that keeps the
// characters apart. An unmodulated carrier, one endless word, pays that cost once and is
// decided as it is: the detector never invents gaps in it.
//
// State = (sign of the newest symbol, place in the word as nextVaricodeWordState follows it):
// 2 x 27 states; survivors by register exchange in 64-bit words. A decision leaves
// `delaySymbols` symbols after its symbol came in; the word structure needs the delay to span a
// character (16 or more). push() never allocates.
class VaricodeSequenceDetector {
  public:
    static constexpr int kMaxDelaySymbols = 60;
    static constexpr int kWordStates = kVaricodeWordStates;
    static constexpr float kOverlongCost = 1.5F;
    static constexpr int kStates = 2 * kWordStates;

    // delaySymbols 1..kMaxDelaySymbols, neighbourInterference in [0, 0.5); throws
    // std::invalid_argument otherwise.
    VaricodeSequenceDetector(int delaySymbols, double neighbourInterference);

    void reset();

    // Feeds the in-phase (carrier-removed) matched-filter sample and the amplitude A of an
    // isolated symbol. Returns the data bit between the symbols delaySymbols() + 1 and
    // delaySymbols() back, or -1 while the detector fills.
    int push(float inPhase, float amplitude);

    // Symbol b (+1 or -1) `depth` symbols back on the currently best path (0 = newest).
    int symbolAt(int depth) const;

    int delaySymbols() const { return delay_; }

  private:
    int delay_;
    float interference_;
    std::array<float, kStates> metrics_{};
    std::array<std::uint64_t, kStates> paths_{};  // bit i set: symbol i back was -1
    std::array<std::array<std::int8_t, 2>, kWordStates> next_{};
    int best_ = 0;
    int filled_ = 0;
};

}  // namespace pskmodem
