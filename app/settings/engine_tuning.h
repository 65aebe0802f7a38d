#pragma once

// The program's tuning: the engine service tuned with the search range the settings record
// holds at the time of each call (the DSP setup changes it while the program runs).

#include "platform/tuning.h"

namespace platform {
class PskEngine;
}

namespace KVXmodules {

struct SettingsRecord;

class EngineTuning final : public platform::Tuning {
  public:
    EngineTuning(platform::PskEngine& engine, const SettingsRecord& settings) noexcept
        : engine_(engine), settings_(settings) {}

    void tuneReceiver(std::int32_t frequencyHz) override;
    void tune(std::int32_t frequencyHz) override;

  private:
    platform::PskEngine& engine_;
    const SettingsRecord& settings_;
};

}  // namespace KVXmodules
