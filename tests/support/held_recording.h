#pragma once

// A recording played as fast as the engine takes it, held back until released: the window
// makes its start-up settings (the receive frequency above all) just after the engine has
// started, and on a busy machine the engine would otherwise decode the first seconds of the
// recording before they arrive. With `thenSilence` the flow does not end with the recording:
// silence follows at real-time pace (and `ended` turns true), so that the engine keeps running
// for what the test does next.

#include <atomic>
#include <memory>
#include <string>

#include "pskmodem/sources/audio_source.h"

namespace testing_support {

class HeldRecording final : public pskmodem::AudioSource {
  public:
    HeldRecording(const std::string& path, std::shared_ptr<const std::atomic<bool>> released,
                  std::shared_ptr<std::atomic<bool>> ended = nullptr);

    int start() override;
    void stop() override;
    double sampleRateHz() const override;
    pskmodem::ReadResult read(std::span<float> out, std::chrono::milliseconds timeout) override;
    std::string lastError() const override;

  private:
    std::unique_ptr<pskmodem::AudioSource> file_;
    std::shared_ptr<const std::atomic<bool>> released_;
    std::shared_ptr<std::atomic<bool>> ended_;
};

}  // namespace testing_support
