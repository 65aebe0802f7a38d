#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace pskmodem {

// Feedforward symbol-timing estimator (square-law, after Oerder and Meyr). The power of the
// matched-filter output of a PSK31 signal dips between symbols wherever the phase changes and
// peaks at the symbol centres, so it carries a spectral line at the symbol rate whose phase
// marks the centres. The estimator correlates the output power with the symbol-rate phasor and
// averages exponentially. Reversals (idle) give the strongest line; a steady carrier adds
// nothing and leaves the estimate where it was; a small clock error only turns the line slowly,
// which the averaging follows with a lag of (averaging time) x (clock error).
class SymbolTiming {
  public:
    // samplesPerSymbol >= 4 (matched-filter outputs per symbol); averagingSymbols > 0 is the
    // time constant. Throws std::invalid_argument otherwise.
    SymbolTiming(int samplesPerSymbol, double averagingSymbols);

    void reset();
    void setAveraging(double averagingSymbols);

    // Feeds the power |y|^2 of matched-filter output number `index`.
    void push(std::int64_t index, float power);

    // Symbol centres lie at indices congruent to phase() modulo samplesPerSymbol.
    double phase() const;
    // Strength of the symbol-rate line over the mean power: 0 on noise or a steady carrier,
    // about 0.5 for continuous reversals.
    float lineStrength() const;

    // The strobe following `previous`: one symbol later, moved toward the estimated centres by
    // at most `maxStepSymbols` of a symbol. Holds the spacing while the line is too weak to trust.
    double nextStrobe(double previous, double maxStepSymbols) const;

  private:
    int samplesPerSymbol_;
    float keep_ = 0.0F;  // per-output averaging factor
    std::vector<std::complex<float>> rotation_;
    float lineRe_ = 0.0F;
    float lineIm_ = 0.0F;
    float meanPower_ = 0.0F;
};

}  // namespace pskmodem
