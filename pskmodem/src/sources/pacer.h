#pragma once

// Paces a generated or recorded stream to the wall clock, so that it arrives like live audio.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "pskmodem/sources/audio_source.h"

namespace pskmodem::detail {

class Pacer {
  public:
    using Clock = std::chrono::steady_clock;

    void start(double rateHz, Pace pace) {
        rateHz_ = rateHz;
        realTime_ = pace == Pace::RealTime;
        delivered_ = 0;
        start_ = Clock::now();
    }

    // How many of `wanted` samples may be delivered now. In real time it sleeps until all of
    // them are due, but no longer than `timeout`, and then admits what is due.
    std::size_t admit(std::size_t wanted, std::chrono::milliseconds timeout) const {
        if (!realTime_ || wanted == 0) {
            return wanted;
        }
        const Clock::time_point allDue = dueTime(delivered_ + wanted);
        const Clock::time_point limit = Clock::now() + timeout;
        std::this_thread::sleep_until(std::min(allDue, limit));
        const double elapsedSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
        const auto dueTotal = static_cast<std::uint64_t>(std::floor(elapsedSeconds * rateHz_));
        if (dueTotal <= delivered_) {
            return 0;
        }
        return static_cast<std::size_t>(std::min<std::uint64_t>(dueTotal - delivered_, wanted));
    }

    void delivered(std::size_t count) { delivered_ += count; }

  private:
    Clock::time_point dueTime(std::uint64_t samples) const {
        const std::chrono::duration<double> offset(static_cast<double>(samples) / rateHz_);
        return start_ + std::chrono::duration_cast<Clock::duration>(offset);
    }

    double rateHz_ = 1.0;
    bool realTime_ = false;
    std::uint64_t delivered_ = 0;
    Clock::time_point start_{};
};

}  // namespace pskmodem::detail
