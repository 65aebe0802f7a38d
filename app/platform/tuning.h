#pragma once

// Tuning the receiver, where the parts of the program meet: a click on the waterfall, a click
// on a band activity row, the start of the engine and the DSP setup's "OK" all tune through
// this one interface, so that the search range reaches the engine in one form only and the
// receive mode in one place only.

#include <cstdint>

#include "pskmodem/types.h"

namespace platform {

class Tuning {
  public:
    Tuning() = default;
    virtual ~Tuning() = default;
    Tuning(const Tuning&) = delete;
    Tuning& operator=(const Tuning&) = delete;

    // Sets the receive frequency, searched for a signal over the search range of the settings.
    virtual void tuneReceiver(std::int32_t frequencyHz) = 0;
    // Tunes to a signal: the receive frequency as tuneReceiver sets it, then the transmit
    // frequency.
    virtual void tune(std::int32_t frequencyHz) = 0;
    // Tunes to a signal received in `mode` at `speed`: the frequency as tune() sets it, then the
    // speed as its Speed item selects it and the mode as its option does, and decoding goes on
    // (as after a click on the waterfall).
    virtual void tuneToSignal(std::int32_t frequencyHz, pskmodem::Mode mode,
                              pskmodem::Speed speed) = 0;
};

}  // namespace platform
