#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string_view>
#include <vector>

#include "pskmodem/types.h"

namespace pskmodem {

// PSK31 modulator (BPSK31, QPSK31 on either sideband) with the raised-cosine keying of the
// standard: a phase change is made by passing the amplitude through zero along a cosine over one
// symbol; an unchanged symbol keeps a steady carrier. Used for the built-in simulator, the tests
// and the benchmarks; the program itself never transmits.
struct ModulatorConfig {
    double carrierHz = 1000.0;
    Mode mode = Mode::Bpsk;
    double sampleRateHz = kSampleRateHz;
    double clockErrorPpm = 0.0;  // sender's symbol clock error: +1000 = 0.1 % fast
    double amplitude = 1.0;      // peak amplitude of the steady carrier
    double initialPhaseRad = 0.0;
};

class Modulator {
public:
    explicit Modulator(const ModulatorConfig& config);

    // Queues the Varicode bits of `text` (8-bit character codes), each word followed by "00".
    void queueText(std::string_view text);
    // Queues `symbols` idle symbols (phase reversals).
    void queueIdle(int symbols);
    // Queues `symbols` symbols of silence (no carrier); only meaningful before or after a transmission.
    void queueSilence(int symbols);

    // Writes the next samples. When the queue runs empty the modulator keeps sending idle.
    void process(std::span<float> out);

    // Carrier frequency may change at any time (drift simulation).
    void setCarrierHz(double hz);
    double carrierHz() const { return config_.carrierHz; }

    // Symbols still queued.
    std::size_t pendingSymbols() const;

private:
    ModulatorConfig config_;
};

// Convenience: the whole transmission of `text` with `leadIdle` idle symbols before and
// `tailIdle` after, as samples at config.sampleRateHz.
std::vector<float> modulateText(const ModulatorConfig& config, std::string_view text,
                                int leadIdle = 64, int tailIdle = 64);

}  // namespace pskmodem
