#pragma once

// Who needs the engine's whole-band decoding: the band activity window while it is open, the
// reports, the live stream and the heard-stations log while one of them is on. The decoding runs
// while anyone needs it and stops when the last one lets it go, so that the band window's
// closing does not stop the reports and the reports' end does not stop the band window.

#include <array>
#include <cstddef>

namespace platform {

class PskEngine;

class BandActivityDemand {
  public:
    enum class User { BandWindow, Reporting };

    explicit BandActivityDemand(PskEngine& engine) : engine_(engine) {}

    // `user` needs the decoding (true) or no longer (false); the engine is told only when the
    // first user comes or the last one goes.
    void need(User user, bool on);
    // Whether anyone needs it.
    bool needed() const noexcept;

  private:
    PskEngine& engine_;
    std::array<bool, 2> users_{};
};

}  // namespace platform
