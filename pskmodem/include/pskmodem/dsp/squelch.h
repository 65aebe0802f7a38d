#pragma once

#include <complex>

namespace pskmodem {

// cos(phases * arg(diff)): 1 when the phase change `diff` lies on the constellation of M-PSK
// (M = phases), spread evenly around 0 on noise; 0 for a zero `diff`.
float phaseClustering(std::complex<float> diff, int phases);

// Signal quality and squelch. The quality figure measures how tightly the phase changes between
// successive symbols cluster on the constellation of the mode: for M-PSK the phase change of a
// clean signal is a multiple of 2 pi / M, so cos(M dphi) is 1; on noise it is spread evenly
// around zero. Its running average, with the noise-only spread taken off, is mapped to 0..100.
// The squelch opens when the quality reaches the threshold and closes a little below it.
class Squelch {
  public:
    Squelch();

    void reset();
    // 0..99 (0 = always open); out-of-range values are clamped.
    void setThreshold(int threshold);
    // 1 = slow (long averaging, steadier in noise), 0 = fast.
    void setSpeed(int speed);
    // 2 (BPSK) or 4 (QPSK); other values are ignored.
    void setPhases(int phases);

    // Feeds the differential product y_k conj(y_{k-1}) of two successive symbol samples.
    void push(std::complex<float> diff);

    int quality() const { return quality_; }
    bool open() const { return threshold_ == 0 || open_; }
    int threshold() const { return threshold_; }
    int speed() const { return speed_; }

  private:
    void update();

    int threshold_ = 0;
    int speed_ = 0;
    int phases_ = 2;
    float average_ = 0.0F;
    int quality_ = 0;
    bool open_ = false;
};

}  // namespace pskmodem
