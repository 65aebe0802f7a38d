#pragma once

namespace pskmodem {

// Tells a fading signal from a steady one by how much its symbol amplitude moves. The ratio of
// a short average of the amplitude (8 symbols) to a long one (64 symbols) stays close to 1 on a
// steady signal in noise (its square deviation averages about 0.005 to 0.01 down to the
// sensitivity limit), while on a Rayleigh-fading signal with a Doppler spread of a fraction of a
// hertz it swings by tens of percent (about 0.1 and more). A signal counts as fading from 0.04
// on until the index falls below 0.025: low enough to catch the calmer stretches of a fading
// path, high enough that noise at the sensitivity limit seldom reaches it. Gentle QSB, which the
// long average follows, hardly moves it; deep and fast QSB (20 dB in seven seconds) counts as
// fading too, which does no harm: the receiver's detector for fading signals copes with a
// steady one as well, if with a little less margin in noise.
class FadingDetector {
  public:
    FadingDetector() = default;

    void reset();
    // Feeds the magnitude of one symbol sample; silence (0) is skipped.
    void push(float magnitude);
    bool fading() const { return fading_; }
    // Average squared deviation of the short-to-long amplitude ratio from 1.
    float index() const { return index_; }

  private:
    float shortAverage_ = 0.0F;
    float longAverage_ = 0.0F;
    float index_ = 0.0F;
    int symbols_ = 0;
    bool fading_ = false;
};

}  // namespace pskmodem
