#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "pskmodem/types.h"

namespace pskmodem {

// A PSK31 signal found in the band.
struct DetectedSignal {
    double frequencyHz = 0.0;  // carrier: the centre of the signal's spectrum
    double snrDb = 0.0;        // signal power over the noise power in 3000 Hz (averaged spectrum)
    double widthHz = 0.0;      // rms width of the spectrum around the carrier
};

// What the newest spectrum frame shows of one signal (SignalDetector::measure()). Powers are in
// the detector's own units, so only their ratios mean anything.
struct SignalMeasurement {
    // Power within kSignalHalfWidthHz of the carrier above the noise: all but about 0.1 % of a
    // PSK31 signal's power (idle, BPSK31 or QPSK31 data), and next to nothing of neighbours
    // 60 Hz away. It may come out negative when the signal is weak.
    double signalPower = 0.0;
    // Noise power in 3000 Hz: the mean of the averaged spectrum in the bins that no signal
    // occupies (more than 40 Hz from every signal found and from this one, and clear of the keying
    // sidebands a PSK31 signal of each found signal's strength spreads) within 250 Hz of the
    // carrier, and farther out until they add up to 125 Hz: between strong signals 50 Hz apart
    // no bin is free.
    double noisePower = 0.0;
    // The two idle lines at +-15.625 Hz carry nearly all of the signal's power and the signal
    // stands well above the noise: the transmitter is idling (continuous phase reversals).
    bool idle = false;
    // Power of the idle lines at +-15.625 Hz and of the third-order products at +-46.875 Hz
    // (within 6 Hz of each), above the noise.
    double tonePower = 0.0;
    double productPower = 0.0;
    // No other signal found close enough to put power on the products' frequencies.
    bool productsClear = false;
};

// Finds PSK31 signals in 8 kHz audio.
//
// A power spectrum with 1.95 Hz bins (4096-point FFT, Hann window, a new frame every 0.256 s) is
// averaged over frames (time constant about 1.5 s); the first three frames only fill the average.
// The noise floor is followed per region of the band: the lower fifth of the bins within 200 Hz
// either side, so that a band crowded with signals or shaped by a receiver's filter still gives the
// floor between the signals.
//
// A PSK31 signal occupies about 60 Hz: its keying puts the power of random data into a main lobe
// that reaches zero 31.25 Hz either side of the carrier, and idle shows two lines at +-15.625 Hz.
// A signal is reported where
//   - the power above the floor within 18 Hz of a frequency (the idle lines and most of the data
//     spectrum) is a local maximum and stands at least the threshold above the noise in that band,
//   - the spectrum around its centre (the centroid of the excess power within 25 Hz) is about as
//     wide as PSK31's (rms width 5..22 Hz: a bare carrier or a narrow line is rejected), and
//   - the two halves of the spectrum carry similar power (a PSK31 spectrum is symmetric, the
//     flank of a neighbour or an intermodulation line is not), and
//   - the newest frame shows it too (the average remembers a signal for a few seconds after it
//     has stopped).
// Of two peaks closer than kMinSpacingHz only the stronger is reported, so a signal's own idle
// lines and sidebands never count as signals of their own.
//
// The floor is never taken below kDynamicRangeDb under the strongest bin of the averaged
// spectrum, nor below white noise of kMinNoiseDbfs: a recording without noise (a generated file,
// a line-level loop) has a floor of quantisation or rounding noise, on which the products of the
// signals' own quantisation and the converters' distortion, 70 dB and more below them, would
// otherwise stand out as signals. A real band's noise lies far above both limits unless a signal
// is stronger than about +40 dB in 3000 Hz.
class SignalDetector {
  public:
    static constexpr int kFftSize = 4096;
    static constexpr int kHopSamples = 2048;
    static constexpr std::size_t kMaxSignals = 64;
    static constexpr double kMinSpacingHz = 45.0;
    static constexpr double kDefaultThresholdDb = 6.0;
    static constexpr double kSignalHalfWidthHz = 29.0;
    // The widest rms width of a PSK31 spectrum that counts as a signal (twice that for PSK63, and
    // so on); DetectedSignal::widthHz tells a signal's speed apart from the next slower one's.
    static constexpr double kMaxWidthHz = 22.0;
    static constexpr double kDynamicRangeDb = 65.0;
    static constexpr double kMinNoiseDbfs = -130.0;

    // Signals are looked for with carriers from lowHz to highHz (clamped to 50..3800 Hz).
    // Throws std::invalid_argument unless lowHz < highHz. A detector for one of the faster speeds
    // looks for their signals: every width and distance given here for PSK31 (the constants
    // above, the 18 Hz of bandSnrDb() and measure(), the lines of SignalMeasurement) scales by
    // the speed's factor, so that a PSK63 signal is found where a PSK31 one twice as wide would
    // be; the FFT, its frames and their averaging stay as they are.
    explicit SignalDetector(double lowHz = 100.0, double highHz = 3000.0,
                            Speed speed = Speed::Psk31);
    ~SignalDetector();
    SignalDetector(const SignalDetector&) = delete;
    SignalDetector& operator=(const SignalDetector&) = delete;

    // Forgets the history, the averages and the signals; keeps the settings.
    void reset();
    // Power within 18 Hz of the carrier over the noise in that band a signal must reach, in dB.
    // 6 dB (the default) is about -12 dB in 3000 Hz, below where PSK31 stops being readable.
    void setThresholdDb(double thresholdDb);

    // Consumes samples from `in` up to and including the one that completes a frame; returns the
    // number consumed. After it returns, frameReady() tells whether signals() was renewed.
    // Never allocates, locks or does I/O. Non-finite samples are treated as silence.
    std::size_t consume(std::span<const float> in);
    bool frameReady() const;

    // The signals of the newest frame, by frequency.
    std::span<const DetectedSignal> signals() const;
    // Power within 18 Hz of `frequencyHz` above the floor, over the noise in the same band, in dB
    // (at least -30), in the newest frame alone (the last 0.512 s), so that it tells whether a
    // signal is there now: about 0 or below where there is none (within +-2 dB on noise).
    double bandSnrDb(double frequencyHz) const;
    // The signal whose carrier is at `frequencyHz` in the newest frame (see SignalMeasurement);
    // all zero before the first frame.
    SignalMeasurement measure(double frequencyHz) const;
    // Frames analysed since construction or reset().
    std::size_t frames() const;
    // kMinSpacingHz at this detector's speed.
    double minSpacingHz() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
