#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace pskmodem {

// The PSK31 keying pulse. The transmitter passes from one phase point to the next along half a
// cosine over one symbol, so its complex envelope is sum_k a_k p(t - kT) with
//     p(t) = (1 + cos(pi t / T)) / 2  for |t| < T, 0 elsewhere:
// a raised-cosine (Hann) pulse two symbols long, centred on the instant where the envelope
// reaches the symbol's phase point. Returns p sampled at `samplesPerSymbol` samples per symbol,
// 2 * samplesPerSymbol values placed symmetrically about the centre.
std::vector<float> pskPulse(int samplesPerSymbol);

// Response of the filter matched to p to a neighbouring symbol, relative to its response to its
// own symbol: (p * p)(T) / (p * p)(0) = 1/6 for the continuous pulse. Pulses of adjacent symbols
// overlap, so the matched filter leaves this much intersymbol interference from each neighbour
// (and none from symbols further away).
double pskNeighbourInterference(int samplesPerSymbol);

// Filter matched to the PSK31 pulse, run on every complex baseband sample, with a history of its
// outputs that can be read at any fractional position. Output number m is centred on input
// sample m - centreDelay().
class MatchedFilter {
  public:
    // samplesPerSymbol >= 2; historyOutputs is rounded up to a power of two and must exceed
    // 2 * samplesPerSymbol. Throws std::invalid_argument otherwise.
    MatchedFilter(int samplesPerSymbol, int historyOutputs);

    void reset();

    // Filters one sample and returns the newest output (taps scaled to unit noise gain).
    std::complex<float> push(std::complex<float> z);

    // Number of outputs so far; the newest is number outputs() - 1.
    std::int64_t outputs() const { return outputs_; }
    // Output at fractional position `index`, by linear interpolation between its neighbours.
    // Valid for outputs() - historyOutputs < index <= outputs() - 1 (clamped otherwise).
    std::complex<float> outputAt(double index) const;
    double centreDelay() const { return centreDelay_; }

  private:
    std::vector<float> taps_;
    std::vector<float> inputRe_;  // twice the filter length, see DecimatingFir
    std::vector<float> inputIm_;
    std::size_t inputPosition_ = 0;
    std::vector<std::complex<float>> history_;
    std::int64_t mask_;
    std::int64_t outputs_ = 0;
    double centreDelay_;
};

}  // namespace pskmodem
