#pragma once

// The one conversion of tuning: the engine service tuned with the search range the settings
// record holds at the time of each call (the DSP setup changes it while the program runs). The
// receive controller tunes through it for every part of the program (platform::Tuning).

#include <cstdint>

namespace platform {
class PskEngine;
}

namespace KVXmodules {

struct SettingsRecord;

class EngineTuning {
  public:
    EngineTuning(platform::PskEngine& engine, const SettingsRecord& settings) noexcept
        : engine_(engine), settings_(settings) {}

    // Sets the receive frequency, searched for a signal over the search range.
    void tuneReceiver(std::int32_t frequencyHz);
    // The receive frequency as tuneReceiver sets it, then the transmit frequency.
    void tune(std::int32_t frequencyHz);

  private:
    platform::PskEngine& engine_;
    const SettingsRecord& settings_;
};

}  // namespace KVXmodules
