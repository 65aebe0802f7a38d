#pragma once

// An engine for tests: it records every call with its arguments, answers the start with a
// chosen result and fills the spectrum and vector arrays with chosen values.

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/psk_engine.h"

namespace testing_support {

struct EngineCall {
    std::string name;
    std::vector<std::int64_t> args;         // integer arguments in order; the array calls record
                                            // their two integer arguments
    pskmodem::MessageSink* sink = nullptr;  // fnStartSoundCard only

    friend bool operator==(const EngineCall& a, const EngineCall& b) {
        return a.name == b.name && a.args == b.args;
    }
    friend std::ostream& operator<<(std::ostream& os, const EngineCall& call);
};

// The call `name` with integer arguments `args`, as the tests expect it.
inline EngineCall Call(std::string name, std::vector<std::int64_t> args) {
    return EngineCall{std::move(name), std::move(args), nullptr};
}

class RecordingEngine final : public platform::PskEngine {
  public:
    // The result of every fnStartSoundCard.
    std::int32_t startResult = 0;
    // What fnGetFFTData and fnGetVectorData copy out.
    std::array<std::int32_t, platform::kFFTDataSize> fftData{};
    std::array<std::int32_t, platform::kVectorDataSize> vectorData{};
    // The machine's input devices, and the result of every fnSetSoundCardInput.
    std::vector<pskmodem::InputDeviceInfo> inputDevices;
    std::int32_t inputResult = 0;

    // Called with each call as it is recorded, to look at the world at that moment.
    std::function<void(const EngineCall&)> onCall;

    const std::vector<EngineCall>& calls() const noexcept { return calls_; }
    std::vector<std::string> callNames() const;
    void clearCalls() { calls_.clear(); }

    std::int32_t fnStartSoundCard(pskmodem::MessageSink* sink, std::int32_t cardNumber,
                                  std::int32_t channelMode) override;
    std::int32_t fnStopSoundCard() override;
    std::int32_t fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRange,
                                  std::int32_t reserved) override;
    std::int32_t fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved) override;
    std::int32_t fnSetRXPSKSpeed(std::int32_t speed) override;
    std::int32_t fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                              std::int32_t reserved) override;
    std::int32_t fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                       std::int32_t reserved) override;
    std::int32_t fnSetTXFrequency(std::int32_t frequencyHz) override;
    std::int32_t fnGetFFTData(std::int32_t* dest, std::int32_t first, std::int32_t last) override;
    std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t reserved) override;
    // Recorded without arguments.
    std::vector<pskmodem::InputDeviceInfo> fnListInputDevices() override;
    // Recorded with the card and the correction rounded to whole ppm.
    std::int32_t fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm) override;

  private:
    void record(EngineCall call);

    std::vector<EngineCall> calls_;
};

}  // namespace testing_support
