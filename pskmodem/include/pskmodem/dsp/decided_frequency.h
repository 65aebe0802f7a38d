#pragma once

#include <array>
#include <complex>
#include <cstdint>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/types.h"

namespace pskmodem {

// Residual carrier frequency in the samples a QPSK31 decoder is fed, measured from the decoder's
// own decisions: the turn from one decided symbol to the next, less the phase change its data
// bit encodes, averaged over some 32 symbols. Unlike a loop that must guess each symbol's phase
// point from the sample alone (and at low S/N mostly guesses wrong), this sees through the
// decoder's error correction, so it measures a frequency error well below the S/N at which the
// carrier loop still holds. push() never allocates.
class DecidedFrequency {
  public:
    static constexpr int kMaxDelaySymbols = 60;

    // delaySymbols: how many pushes back the decision push() gets refers to (the decoder's
    // traceback), 1..kMaxDelaySymbols; throws std::invalid_argument otherwise.
    explicit DecidedFrequency(int delaySymbols);

    void reset();

    // `fed`: the sample fed to the decoder now; `bit`: the decoder's decision returned for it
    // (-1 while the decoder fills: nothing is measured).
    void push(std::complex<float> fed, int bit, Mode mode);

    // The residual turn of the fed samples per symbol (radians, positive when the samples turn
    // anticlockwise), 0 before any decision.
    double turnRadPerSymbol() const;

  private:
    static constexpr std::uint32_t kHistory = 64;  // > kMaxDelaySymbols + 1, a power of two

    int delay_;
    ConvolutionalEncoder encoder_;  // follows the decided bits: the phase change of each
    std::array<std::complex<float>, kHistory> fed_{};
    std::uint32_t count_ = 0;
    std::complex<float> turn_{};  // average of the decided symbols' residual turn
};

}  // namespace pskmodem
