#pragma once

// The thread a scripted capture device delivers its audio on, as an audio system runs its
// callback: one buffer at a time at the pace of the device's clock.

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace pskmodem::test_support {

class CaptureThread {
  public:
    CaptureThread() = default;
    ~CaptureThread() { stop(); }
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    // Calls `deliver` every `period` until stop(), or until `deliver` returns false (a stream
    // that died delivers nothing more).
    void start(std::chrono::duration<double> period, std::function<bool()> deliver);
    // Ends the thread; false when none was running.
    bool stop();

  private:
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace pskmodem::test_support
