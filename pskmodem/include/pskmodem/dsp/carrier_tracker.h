#pragma once

#include <complex>
#include <optional>

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
//
// A frequency discriminator assists the loop (FLL-assisted PLL): the phase change between two
// successive derotated samples, raised to the M-th power to remove the data, measures the
// frequency the loop has not yet taken up, unambiguously within +-1/(2 M T). It feeds the
// loop's frequency integrator, so the loop pulls in from several hertz and follows a drifting
// carrier even before (and while) its phase detector holds lock. A second integrator on the
// discriminator learns the rate of a drift, so that a steadily drifting carrier leaves neither a
// standing frequency error nor a standing phase error.
class CarrierTracker {
  public:
    // phases: 2 or 4; throws std::invalid_argument otherwise or for a bandwidth outside (0, 0.5).
    CarrierTracker(int phases, double bandwidthNorm);

    void reset();
    void setPhases(int phases);
    void setBandwidth(double bandwidthNorm);

    // Derotates `y` by the current phase estimate, returns it and updates the loop. `amplitude`
    // is the expected magnitude of a signal sample (scales the phase detector). The phase
    // detector compares y with the nearest constellation point, unless `decidedError` gives the
    // phase error (radians, of an earlier sample against a decision taken elsewhere, such as
    // by a decoder that knows the code).
    std::complex<float> track(std::complex<float> y, float amplitude,
                              std::optional<double> decidedError = std::nullopt);

    // Residual carrier frequency the loop follows, in radians per symbol.
    double frequencyRadPerSymbol() const { return frequency_; }
    // Pulls the followed frequency and drift back toward zero by `fraction` (on noise, so that
    // they cannot wander off to the edge of their range).
    void relax(double fraction);
    // Moves `radPerSymbol` of the followed frequency out of the loop (the mixer took it over).
    void shiftFrequency(double radPerSymbol);
    // Weights of the frequency discriminator in the frequency integrator and in the drift-rate
    // integrator (0 and 0 = pure PLL).
    void setFrequencyAssist(double gain, double rateGain) {
        assist_ = gain;
        rateAssist_ = rateGain;
    }
    // Weight of the phase error in the drift-rate integrator (third-order loop; 0 = second order).
    void setDriftGain(double gain) { driftGain_ = gain; }
    // Limits the followed drift to +-limit radians per symbol per symbol.
    void setDriftLimit(double radPerSymbol2) { driftLimit_ = radPerSymbol2; }
    // Drift of the followed frequency, in radians per symbol per symbol.
    double driftRadPerSymbol2() const { return drift_; }
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
    double assist_ = 0.0;
    double rateAssist_ = 0.0;
    double drift_ = 0.0;
    double driftLimit_ = 0.0;
    double driftGain_ = 0.0;
    double previousRe_ = 0.0;  // previous derotated sample
    double previousIm_ = 0.0;
    float lock_ = 0.0F;
};

}  // namespace pskmodem
