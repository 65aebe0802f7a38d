#pragma once

#include <complex>
#include <span>
#include <vector>

#include "pskmodem/dsp/fft.h"
#include "pskmodem/dsp/fir_filter.h"
#include "pskmodem/types.h"

namespace pskmodem {

// Carrier acquisition for the AFC. Raising an M-PSK signal to the M-th power removes its
// modulation and leaves a spectral line at M times its carrier offset, whatever the data. This
// class lowpass-filters the baseband around the mixer, raises it to the M-th power, and keeps an
// exponential average of windowed FFT power spectra of the result. strongestCarrier() then finds
// the strongest line in a frequency window, refined between bins, and judges it against the
// noise around it. The spectral lines the keying itself adds at multiples of the symbol rate from
// the carrier line are recognised and never taken for a carrier, so the strong neighbour of a
// weak signal cannot pull the AFC through its keying sidebands.
class FrequencyAcquisition {
  public:
    struct Peak {
        bool found = false;     // a line stands clearly out of the noise
        double offsetHz = 0.0;  // carrier offset from the mixer frequency
        double snrDb = 0.0;     // line over the median of its surroundings
    };

    // sampleRateHz of the baseband; fftSize a power of two >= 64; symbolRateHz that of the
    // signals sought (their width and keying lines scale with it). Throws std::invalid_argument.
    FrequencyAcquisition(double sampleRateHz, int fftSize, double symbolRateHz = kSymbolRateBaud);
    FrequencyAcquisition(const FrequencyAcquisition&) = delete;
    FrequencyAcquisition& operator=(const FrequencyAcquisition&) = delete;

    // Forgets the averaged spectrum (after the mixer has moved).
    void reset();
    // 2 for BPSK, 4 for QPSK. Resets.
    void setPower(int power);
    // Passes carriers up to +-halfWidthHz (plus the signal's own width) into the analysis.
    void setPassband(double halfWidthHz);

    // Feeds one baseband sample; returns true when a new spectrum has joined the average.
    bool push(std::complex<float> z);
    int framesAveraged() const { return frames_; }

    // Strongest carrier with offset in [lowHz, highHz] from the mixer (within the range the
    // power and rate can tell apart: +-rate / (2 power)).
    Peak strongestCarrier(double lowHz, double highHz);
    // A bin of the power-law spectrum in carrier offset: sample rate / (FFT size x power).
    double carrierResolutionHz() const;
    // Level of the line of a carrier at `offsetHz` (nearest bins), in dB over the noise around
    // it; -99 when there is nothing to compare.
    double lineLevelDb(double offsetHz);

  private:
    float binPower(int bin) const;
    // Median power of the bins around `bin`, its own left out.
    float noiseAround(int bin);

    double sampleRateHz_;
    double symbolRateHz_;
    // symbolRateHz over PSK31's: the signal's widths scale with it.
    double widthScale_;
    int fftSize_;
    int power_ = 2;
    DecimatingFir filter_;
    std::vector<float> taps_;
    std::vector<std::complex<float>> ring_;
    std::size_t ringPosition_ = 0;
    int sinceFrame_ = 0;
    int filled_ = 0;  // samples in the ring since the reset, up to its size
    float level_ = 0.0F;
    int frames_ = 0;
    std::vector<float> window_;
    std::vector<float> average_;
    std::vector<float> scratch_;
    ComplexFft fft_;
};

}  // namespace pskmodem
