#include "support/recording_engine.h"

#include <algorithm>
#include <cmath>

namespace testing_support {

std::ostream& operator<<(std::ostream& os, const EngineCall& call) {
    os << call.name << "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        os << (i == 0 ? "" : ", ") << call.args[i];
    }
    return os << ")";
}

std::vector<std::string> RecordingEngine::callNames() const {
    std::vector<std::string> names;
    names.reserve(calls_.size());
    for (const EngineCall& call : calls_) {
        names.push_back(call.name);
    }
    return names;
}

void RecordingEngine::record(EngineCall call) {
    calls_.push_back(call);
    if (onCall) {
        onCall(call);
    }
}

std::int32_t RecordingEngine::fnStartSoundCard(pskmodem::MessageSink* sink, std::int32_t cardNumber,
                                               std::int32_t channelMode) {
    record({"fnStartSoundCard", {cardNumber, channelMode}, sink});
    return startResult;
}

std::int32_t RecordingEngine::fnStopSoundCard() {
    record({"fnStopSoundCard", {}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRange,
                                               std::int32_t reserved) {
    record({"fnSetRXFrequency", {frequencyHz, searchRange, reserved}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved) {
    record({"fnSetRXPSKMode", {mode, reserved}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetRXPSKSpeed(std::int32_t speed) {
    record({"fnSetRXPSKSpeed", {speed}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                                           std::int32_t reserved) {
    record({"fnSetFFTMode", {smoothing, sensitivity, reserved}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                                    std::int32_t reserved) {
    record({"fnSetSquelchThreshold", {threshold, speed, reserved}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnSetTXFrequency(std::int32_t frequencyHz) {
    record({"fnSetTXFrequency", {frequencyHz}, nullptr});
    return 0;
}

std::int32_t RecordingEngine::fnGetFFTData(std::int32_t* dest, std::int32_t first,
                                           std::int32_t last) {
    record({"fnGetFFTData", {first, last}, nullptr});
    const std::int32_t lo = std::clamp(first, 0, platform::kFFTDataSize - 1);
    const std::int32_t hi = std::clamp(last, lo, platform::kFFTDataSize - 1);
    std::copy(fftData.begin() + lo, fftData.begin() + hi + 1, dest);
    return hi - lo + 1;
}

std::int32_t RecordingEngine::fnGetVectorData(std::int32_t* dest, std::int32_t reserved) {
    record({"fnGetVectorData", {reserved}, nullptr});
    std::copy(vectorData.begin(), vectorData.end(), dest);
    return platform::kVectorDataSize;
}

std::vector<pskmodem::InputDeviceInfo> RecordingEngine::fnListInputDevices() {
    record({"fnListInputDevices", {}, nullptr});
    return inputDevices;
}

std::int32_t RecordingEngine::fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm) {
    record({"fnSetSoundCardInput", {cardNumber, std::llround(clockPpm)}, nullptr});
    return inputResult;
}

}  // namespace testing_support
