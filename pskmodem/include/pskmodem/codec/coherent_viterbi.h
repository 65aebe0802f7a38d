#pragma once

#include <array>
#include <complex>
#include <cstdint>

#include "pskmodem/codec/decided_bits.h"
#include "pskmodem/types.h"

namespace pskmodem {

// Soft-decision Viterbi decoder for QPSK31 received coherently: the trellis joins the carrier's
// absolute phase quadrant to the encoder state (4 x 16 states), so that each branch is scored by
// one symbol sample against the phase it would have, not by the phase change between two noisy
// samples. Differential detection spends the code's distance on the noise of two symbols; here it
// meets the noise of one, some two decibels less.
//
// The samples must have the carrier's phase taken off (by a tracking loop) up to a multiple of a
// quarter turn: which quadrant the carrier sits in is part of the state, so the decoder needs no
// phase reference; a loop that slips by a quarter turn takes the decoder across to the other half
// of the trellis at a cost (see setSlipPenalty). State = (quadrant of the last symbol << 4) | the
// four data bits before the newest.
//
// Survivors by register exchange, as in ViterbiDecoder: 64 data bits and the quadrants of the last
// 32 symbols per state; metrics renormalised after every symbol. push() never allocates.
class CoherentViterbiDecoder {
  public:
    static constexpr int kStates = 64;
    static constexpr int kMaxTracebackSymbols = 63;
    static constexpr int kQuadrantHistory = 32;

    // tracebackSymbols: decision delay, 1..kMaxTracebackSymbols (throws std::invalid_argument).
    explicit CoherentViterbiDecoder(int tracebackSymbols = 32);

    void reset();

    // Feeds one symbol sample with the carrier phase removed, scaled as a log-likelihood (for a
    // signal of amplitude A in complex Gaussian noise of variance s^2 per sample: 2 A / s^2;
    // any constant scale decodes alike). Returns the data bit sent tracebackSymbols() symbols
    // ago, or -1 while the pipeline fills.
    int push(std::complex<float> sample, Mode mode);

    // Quadrant (0..3, in quarter turns counterclockwise) of the symbol `depth` symbols back on
    // the path that is best now (0 = the symbol just pushed; depth < kQuadrantHistory): the
    // tentative decision a carrier loop can steer by.
    int quadrantAt(int depth) const;

    // The last 64 data bits of the path that is best now, the newest in bit 0.
    std::uint64_t bestPath() const { return paths_[best_]; }

    int tracebackSymbols() const { return traceback_; }

    // The bits of the path that is best now that the samples pushed so far decide (see
    // decidedBits); the samples' log-likelihood scale makes metric differences odds.
    DecidedBits decidedBits() const;

    // Cost of a slip of the carrier reference by a quarter or half turn, in the samples'
    // log-likelihood units (default kDefaultSlipPenalty). Without slips the trellis falls apart
    // into two halves a quarter turn apart (the parity of the quadrant follows from the encoder
    // state), and a reference that slipped would leave the decoder in the wrong one for good;
    // a half-turn slip would cost an error burst.
    void setSlipPenalty(float penalty) { slipPenalty_ = penalty; }
    static constexpr float kDefaultSlipPenalty = 20.0F;

  private:
    int traceback_;
    float slipPenalty_ = kDefaultSlipPenalty;
    std::int64_t symbolsSeen_ = 0;
    std::array<float, kStates> metrics_{};
    std::array<std::uint64_t, kStates> paths_{};
    std::array<std::uint64_t, kStates> quadrants_{};  // two bits per symbol, newest in bits 0-1
    unsigned best_ = 0;
};

}  // namespace pskmodem
