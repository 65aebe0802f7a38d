#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace pskmodem {

// Symbol-timing recovery from the square law (after Oerder and Meyr). The power of the
// matched-filter output of a PSK31 signal dips between symbols wherever the phase changes and
// peaks at the symbol centres, so it carries a spectral line at the symbol rate whose phase marks
// the centres. Reversals (idle) give the strongest line; a steady carrier adds nothing.
//
// Two estimators share that line:
//  - a timing loop: an oscillator at the symbol rate whose phase wraps at each symbol centre.
//    Once per symbol the line over that symbol, seen against the oscillator, gives the timing
//    error. After a start (or a jump, below) a wide first-order loop pulls in for 64 symbols,
//    a medium, overdamped second-order loop learns the sender's clock rate over the next 384, then
//    a narrow second-order loop follows it without lag and with little jitter. Runs of steady
//    carrier give no error and the oscillator coasts at the learnt rate;
//  - a feedforward estimate: the line averaged exponentially over a few symbols. When it stays
//    far (more than a quarter symbol) from the loop while the line is strong, the loop jumps to
//    it and widens for a while. This gives fast acquisition without the slow escape of a loop
//    from its unstable point half a symbol off.
class SymbolTiming {
  public:
    // samplesPerSymbol >= 4 (matched-filter outputs per symbol). Throws std::invalid_argument.
    explicit SymbolTiming(int samplesPerSymbol);

    void reset();

    // Feeds the power |y|^2 of matched-filter output number `index` (consecutive indices).
    // Returns true when a symbol centre lies in (index - 1, index]; strobe() tells where.
    bool push(std::int64_t index, float power);
    // Widens the loop again, as after a start: for a new signal.
    void restartAcquisition();
    double strobe() const { return strobe_; }

    // Strength of the symbol-rate line over the mean power (feedforward average): 0 on noise or
    // a steady carrier, about 0.5 for continuous reversals.
    float lineStrength() const;
    // Estimated clock rate of the sender relative to nominal, in parts per million.
    double clockErrorPpm() const;

  private:
    void endOfSymbol();

    int samplesPerSymbol_;
    double nominalStep_;  // oscillator phase step per sample at the nominal rate
    std::vector<std::complex<float>> rotation_;
    // Loop.
    double phase_ = 0.0;  // oscillator phase, radians; a symbol centre where it wraps
    double rate_ = 0.0;   // extra phase step per sample (clock error)
    double oscRe_ = 1.0;  // exp(-j phase_)
    double oscIm_ = 0.0;
    double stepRe_ = 1.0;  // exp(-j step)
    double stepIm_ = 0.0;
    double lineRe_ = 0.0;  // line over the current symbol, against the oscillator
    double lineIm_ = 0.0;
    double symbolPower_ = 0.0;
    double strobe_ = 0.0;
    int wideSymbols_ = 0;         // symbols left in the wide (acquisition) loop bandwidth
    int mediumSymbols_ = 0;       // symbols left in the medium one, which learns the clock rate
    double correctionSum_ = 0.0;  // phase corrections while measuring the clock error
    // Feedforward estimate.
    float ffRe_ = 0.0F;
    float ffIm_ = 0.0F;
    float ffPower_ = 0.0F;
    float ffKeep_;
    int farSymbols_ = 0;  // consecutive symbols with the loop far from the feedforward estimate
    std::int64_t lastIndex_ = 0;
};

}  // namespace pskmodem
