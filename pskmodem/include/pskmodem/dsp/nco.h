#pragma once

#include <span>

namespace pskmodem {

// Numerically controlled oscillator that mixes real audio down to complex baseband: a signal at
// frequencyHz() comes out at 0 Hz. The oscillator is a unit phasor rotated once per sample in
// double precision and renormalised every 256 samples, so its frequency is exact and its phase
// continuous across frequency changes.
class Nco {
  public:
    // Throws std::invalid_argument unless sampleRateHz is finite and positive.
    explicit Nco(double sampleRateHz);

    void reset();
    // Any finite frequency; it is reduced into [-rate/2, rate/2). Non-finite values are ignored.
    void setFrequency(double hz);
    double frequencyHz() const { return frequencyHz_; }

    // outRe[i] + j outIm[i] = in[i] * exp(-j phase_i). The outputs must hold in.size() values.
    void mixDown(std::span<const float> in, std::span<float> outRe, std::span<float> outIm);

  private:
    double sampleRateHz_;
    double frequencyHz_ = 0.0;
    double phasorRe_ = 1.0;
    double phasorIm_ = 0.0;
    double stepRe_ = 1.0;
    double stepIm_ = 0.0;
    static constexpr int kRenormalisePeriod = 256;
    int sinceRenormalise_ = 0;
};

}  // namespace pskmodem
