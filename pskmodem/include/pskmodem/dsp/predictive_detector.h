#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <span>

#include "pskmodem/codec/decided_bits.h"

namespace pskmodem {

// Longest channel predictor the detectors take; its taps come in an array of this size, so that
// nothing is allocated for them.
inline constexpr int kMaxPredictorOrder = 16;

// Taps p_1..p_N of the linear predictor of a fading channel gain c_k from its N past values,
// c_k ~ sum_j p_j c_{k-j}, that minimise the mean square error when the gain has the Gaussian
// Doppler spectrum of the Watterson model (autocorrelation exp(-2 pi^2 (sigma T)^2 m^2), sigma =
// half the two-sided Doppler spread, T the symbol period) and each past value carries noise of
// `noiseToSignal` times the gain's mean power (the Wiener predictor). `order` 1..kMaxOrder of
// PredictiveDetector; returns the taps in the first `order` elements.
std::array<double, kMaxPredictorOrder> fadingPredictor(int order, double dopplerSpreadTimesSymbol,
                                                       double noiseToSignal);

// Differential BPSK detection through a fading channel: maximum-likelihood sequence detection
// with per-survivor linear prediction of the channel.
//
// Each (equalised) symbol sample is e_k = c_k b_k + noise, where the channel gain c_k (the
// carrier's amplitude and phase) wanders with the fading and b_k = +-1. Differential detection
// compares e_k with e_{k-1}: it takes c_{k-1} for the reference of symbol k, which fails where the
// gain swings through a deep fade, its phase turning by up to half a turn within a symbol or two.
// Here each hypothesis of the data carries its own estimate of the channel, predicted from the
// samples it has already explained, z_j = e_j b_j, by the predictor's taps: c^_k = sum_j p_j
// z_{k-j}. The hypothesis is scored by |e_k b_k - c^_k|^2. A predictor that follows the gain
// through a null (it extrapolates its movement rather than holding its last value) tells the
// channel's turn from a phase reversal, and averaging over several symbols takes noise off the
// reference as well.
//
// The trellis has a state for each combination of the last kStateBits data bits; the older part
// of each survivor's history feeds the predictor (per-survivor processing). The data bit is
// 1 for no phase change and 0 for a reversal; the absolute sign of the carrier does not matter.
// A decision leaves `delaySymbols` symbols after its symbol came in. push() never allocates.
class PredictiveDetector {
  public:
    static constexpr int kMaxDelaySymbols = 60;
    static constexpr int kMaxOrder = kMaxPredictorOrder;
    static constexpr int kStateBits = 3;
    static constexpr int kStates = 1 << kStateBits;

    // delaySymbols 1..kMaxDelaySymbols; predictor taps p_1..p_N, N = 1..kMaxOrder. Throws
    // std::invalid_argument otherwise.
    PredictiveDetector(int delaySymbols, std::span<const double> predictor);

    void reset();

    // Feeds one symbol sample. Returns the data bit (1 = no phase change, 0 = reversal) between
    // the samples delaySymbols() + 1 and delaySymbols() back, or -1 while the detector fills.
    int push(std::complex<float> sample);

    int delaySymbols() const { return delay_; }
    // Average over the last some 32 symbols of |e_k b_k - c^_k|^2 along the best path: how well
    // the predictor follows this channel (noise included). Detectors with different predictors
    // on the same signal can be compared by it.
    float predictionError() const { return predictionError_; }

    // The data bits of the path that is best now that the samples pushed so far decide (see
    // decidedBits): metric differences over the prediction error are log-likelihood ratios.
    DecidedBits decidedBits() const;

  private:
    struct Survivor {
        float metric = 0.0F;
        float sign = 1.0F;       // b of the newest symbol on this path
        std::uint64_t bits = 0;  // data bits, newest in bit 0
        std::array<std::complex<float>, kMaxOrder> channel{};  // z_j, a ring at position at_
    };

    int delay_;
    int order_;
    std::array<float, kMaxOrder> taps_{};
    std::array<Survivor, kStates> survivors_{};
    std::array<Survivor, kStates> next_{};
    float predictionError_ = 0.0F;
    int at_ = 0;  // ring position of the newest z
    int filled_ = 0;
    std::size_t best_ = 0;
};

}  // namespace pskmodem
