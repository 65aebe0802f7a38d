#pragma once

#include <complex>

namespace pskmodem {

// Coefficients of a second-order (proportional plus integral) tracking loop with a detector of
// unit gain: noise bandwidth `bandwidthNorm` (B_L T, per update) and damping `damping`.
struct LoopGains {
    double proportional = 0.0;
    double integral = 0.0;
};
LoopGains secondOrderLoopGains(double bandwidthNorm, double damping);

// Decision-directed carrier phase tracking for M-PSK at the symbol rate (M = 2 or 4): removes
// the estimated carrier phase from each matched-filter sample, compares the result with the
// nearest constellation point and steers a second-order loop. It follows the phase and a small
// residual frequency offset; the receiver hands that frequency on to its mixer.
class CarrierTracker {
  public:
    // phases: 2 or 4; throws std::invalid_argument otherwise or for a bandwidth outside (0, 0.5).
    CarrierTracker(int phases, double bandwidthNorm);

    void reset();
    void setPhases(int phases);
    void setBandwidth(double bandwidthNorm);

    // Derotates `y` by the current phase estimate, returns it and updates the loop. `amplitude`
    // is the expected magnitude of a signal sample (scales the phase detector).
    std::complex<float> track(std::complex<float> y, float amplitude);

    // Residual carrier frequency the loop follows, in radians per symbol.
    double frequencyRadPerSymbol() const { return frequency_; }
    // Moves `radPerSymbol` of the followed frequency out of the loop (the mixer took it over).
    void shiftFrequency(double radPerSymbol);
    // Limits the followed frequency to +-limit radians per symbol.
    void setFrequencyLimit(double radPerSymbol) { frequencyLimit_ = radPerSymbol; }

    // Average of cos(M (phase error)): near 1 when locked, near 0 when not.
    float lock() const { return lock_; }
    int phases() const { return phases_; }

  private:
    int phases_;
    LoopGains gains_;
    double phase_ = 0.0;
    double frequency_ = 0.0;
    double frequencyLimit_ = 1.0;
    float lock_ = 0.0F;
};

}  // namespace pskmodem
