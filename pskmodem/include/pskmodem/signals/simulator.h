#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pskmodem/signals/modulator.h"
#include "pskmodem/types.h"

namespace pskmodem {

// A simulated band: several PSK signals (any mode, any speed) made by the library's own modulator,
// plus white noise, at 8000 samples/s. Each signal repeats its text with a few idle symbols between
// repeats.
struct SimulatedSignal {
    double carrierHz = 1000.0;
    Mode mode = Mode::Bpsk;
    double snrDb = 10.0;            // signal power over noise power in 3000 Hz
    double driftHzPerSecond = 0.0;  // the carrier wanders back and forth within +-kMaxDriftHz
    std::string text;
    // Third-order intermodulation of the transmitter, in dB (below 0): the products at
    // +-46.875 Hz over the idle tones at +-15.625 Hz, made by TransmitterDistortion
    // (signals/channel.h), which keeps the idle tones at the level snrDb gives (the compressed
    // text then carries a little less power: about 1 dB less at -15 dB). NaN: a clean
    // transmitter, and the signal exactly as without this field.
    double imdDb = std::numeric_limits<double>::quiet_NaN();
    // How the transmitter keys its phase (Modulator): Keying::Hard splatters keying sidebands
    // over the band.
    Keying keying = Keying::RaisedCosine;
    // Third harmonic of an overdriven audio stage before the transmitter, in dB below the
    // carrier (HarmonicDistortion, signals/channel.h), sent at three times the carrier
    // frequency, which must stay below 4000 Hz. NaN: none.
    double harmonicDb = std::numeric_limits<double>::quiet_NaN();
    Speed speed = Speed::Psk31;
};

struct SimulatorConfig {
    std::vector<SimulatedSignal> signals;
    double noiseRms = 0.01;  // noise standard deviation (full scale = 1)
    std::uint64_t seed = 1;
};

// How far a drifting carrier moves from its carrierHz before it turns back.
inline constexpr double kMaxDriftHz = 25.0;

// The band used by the demo: a handful of signals across the waterfall, the strongest a BPSK31
// signal at 1500 Hz, where the program is tuned until the operator clicks elsewhere; a BPSK63
// station at 860 Hz and a QPSK63 one at 1290 Hz among the PSK31 ones.
SimulatorConfig demoBand();

class BandSimulator {
  public:
    explicit BandSimulator(const SimulatorConfig& config);
    ~BandSimulator();
    BandSimulator(const BandSimulator&) = delete;
    BandSimulator& operator=(const BandSimulator&) = delete;

    // Writes the next samples of the band. Never ends.
    void generate(std::span<float> out);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
