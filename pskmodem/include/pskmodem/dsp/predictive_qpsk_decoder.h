#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <span>

#include "pskmodem/codec/decided_bits.h"
#include "pskmodem/types.h"

namespace pskmodem {

// QPSK31 decoder for fading signals: the Viterbi algorithm on the code's trellis, each survivor
// carrying its own estimate of the channel, predicted from the samples its own decisions explain
// (per-survivor processing, as PredictiveDetector does for BPSK31).
//
// Each (equalised) symbol sample is e_k = c_k s_k + noise, where the channel gain c_k (the
// carrier's amplitude and phase) wanders with the fading and s_k is the sent phase, one of four.
// Differential decoding compares e_k with e_{k-1}, which doubles the noise and fails where the
// gain swings through a null. Here a survivor that has decided s_{k-N}..s_{k-1} predicts c^_k =
// sum_j p_j e_{k-j} conj(s_{k-j}) and scores each branch by -|e_k - c^_k s_k|^2: the channel's
// amplitude weighs every symbol (a symbol deep in a fade counts for little, as it should), the
// prediction follows the gain through a null, and the code's distance is spent on the noise of
// one symbol.
//
// State = (phase quadrant of the last symbol << 4) | the four data bits before the newest; the
// absolute quadrant needs no reference, since each survivor's channel estimate carries the
// carrier's phase. Decisions leave `tracebackSymbols` symbols after their symbol came in, as in
// ViterbiDecoder. push() never allocates.
class PredictiveQpskDecoder {
  public:
    static constexpr int kStates = 64;
    static constexpr int kMaxTracebackSymbols = 63;
    static constexpr int kMaxOrder = 8;

    // tracebackSymbols 1..kMaxTracebackSymbols; predictor taps p_1..p_N, N = 1..kMaxOrder (see
    // fadingPredictor). Throws std::invalid_argument otherwise. (Eight taps predict the fading
    // of the HF channels as well as more do; the survivors copy that much history each symbol.)
    PredictiveQpskDecoder(int tracebackSymbols, std::span<const double> predictor);

    void reset();

    // Feeds one symbol sample (carrier frequency taken off, any scale). Returns the data bit
    // sent tracebackSymbols() symbols ago, or -1 while the pipeline fills.
    int push(std::complex<float> sample, Mode mode);

    int tracebackSymbols() const { return traceback_; }

    // The bits of the path that is best now that the samples pushed so far decide (see
    // decidedBits): metric differences over what the best path pays per sample are log-likelihood
    // ratios.
    DecidedBits decidedBits() const;

  private:
    struct Survivor {
        float metric = 0.0F;
        std::uint64_t bits = 0;                                // data bits, newest in bit 0
        std::array<std::complex<float>, kMaxOrder> channel{};  // z_j, a ring at position at_
    };

    int traceback_;
    int order_;
    std::array<float, kMaxOrder> taps_{};
    // Survivors of the last symbol and of the one before, used in turn (nothing is copied
    // wholesale from one symbol to the next).
    std::array<std::array<Survivor, kStates>, 2> survivors_{};
    int current_ = 0;
    int at_ = 0;
    std::int64_t symbolsSeen_ = 0;
    std::size_t best_ = 0;
    float meanCost_ = 0.0F;  // what the best path pays per sample: noise and prediction error
};

}  // namespace pskmodem
