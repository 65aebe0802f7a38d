#pragma once

// Tuning the receiver, where the parts of the program meet: a click on the waterfall, a click
// on a band activity row, the start of the engine and the DSP setup's "OK" all tune through
// this one interface, so that the search range reaches the engine in one form only. The
// receive mode is set through the main window's mode options, whose handlers tell the engine.

#include <cstdint>

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
};

}  // namespace platform
