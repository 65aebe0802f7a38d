#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/types.h"

namespace pskmodem {

// PSK modulator (BPSK, QPSK on either sideband, at any speed from PSK31 to PSK250) with the
// raised-cosine keying of the standard: a phase change is made by passing the amplitude through
// zero along a cosine over one symbol; an unchanged symbol keeps a steady carrier. Used for the
// built-in simulator, the tests and the benchmarks; the program itself never transmits.
//
// Timing: each symbol period is a cosine-weighted passage of the complex baseband vector from the
// previous phase point to the new one, so a symbol's phase point is reached exactly at the end of
// its period (sample (k + 1) * samplesPerSymbol for symbol k at start). The modulator starts
// without carrier: the first symbol rises from zero.
//
// Hard keying, as a transmitter that switches the phase without shaping the envelope: the phase
// point jumps to the new one at the start of each symbol. Its spectrum has the slowly falling
// keying sidebands (sin(x)/x) that splatter hundreds of hertz either side; a model of a badly
// built or badly driven transmitter, for tests of what a receiver makes of one.
enum class Keying { RaisedCosine, Hard };

struct ModulatorConfig {
    double carrierHz = 1000.0;
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    double sampleRateHz = kSampleRateHz;
    double clockErrorPpm = 0.0;  // sender's symbol clock error: +1000 = 0.1 % fast
    double amplitude = 1.0;      // peak amplitude of the steady carrier
    double initialPhaseRad = 0.0;
    Keying keying = Keying::RaisedCosine;
};

class Modulator {
  public:
    explicit Modulator(const ModulatorConfig& config);

    // Queues the Varicode bits of `text` (8-bit character codes), each word followed by "00".
    void queueText(std::string_view text);
    // Queues raw data bits given as '0' and '1' characters (other characters are skipped); in
    // BPSK a 0 is a phase reversal and a 1 keeps the phase.
    void queueBits(std::string_view bits);
    // Queues `symbols` idle symbols (phase reversals).
    void queueIdle(int symbols);
    // Queues `symbols` symbols of silence (no carrier); only meaningful before or after a
    // transmission.
    void queueSilence(int symbols);

    // Writes the next samples. When the queue runs empty the modulator keeps sending idle.
    void process(std::span<float> out);

    // Carrier frequency may change at any time (drift simulation); values outside 0 Hz to half
    // the sample rate are ignored.
    void setCarrierHz(double hz);
    double carrierHz() const { return config_.carrierHz; }

    // Symbols still queued.
    std::size_t pendingSymbols() const;

  private:
    void push(std::uint8_t symbol);
    void startNextSymbol();
    double phaseShiftRad(int bit);

    ModulatorConfig config_;
    // Queued symbols in a ring buffer: it grows only in the queue calls, so process() never
    // allocates.
    std::vector<std::uint8_t> queue_;
    std::size_t queueHead_ = 0;
    std::size_t queueCount_ = 0;

    ConvolutionalEncoder encoder_;
    double symbolStep_ = 0.0;      // symbols per sample
    double symbolPosition_ = 1.0;  // position within the current symbol, 0..1
    double carrierPhaseRad_ = 0.0;
    double carrierStepRad_ = 0.0;
    double dataPhaseRad_ = 0.0;            // phase of the last symbol sent
    std::complex<double> fromPoint_{0.0};  // baseband point the current symbol leaves
    std::complex<double> toPoint_{0.0};    // baseband point it arrives at
};

// Convenience: the whole transmission of `text` with `leadIdle` idle symbols before and
// `tailIdle` after, as samples at config.sampleRateHz.
std::vector<float> modulateText(const ModulatorConfig& config, std::string_view text,
                                int leadIdle = 64, int tailIdle = 64);

}  // namespace pskmodem
