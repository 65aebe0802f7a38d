#include "platform/modem_engine.h"

#include <utility>

namespace platform {

ModemEngine::ModemEngine(pskmodem::SourceFactory sources) : sources_(std::move(sources)) {}

std::int32_t ModemEngine::fnStartSoundCard(pskmodem::MessageSink* sink, std::int32_t cardNumber,
                                           std::int32_t channelMode) {
    return pskmodem::fnStartSoundCard(sink, cardNumber, channelMode, sources_);
}

std::int32_t ModemEngine::fnStopSoundCard() {
    return pskmodem::fnStopSoundCard();
}

std::int32_t ModemEngine::fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRange,
                                           std::int32_t reserved) {
    return pskmodem::fnSetRXFrequency(frequencyHz, searchRange, reserved);
}

std::int32_t ModemEngine::fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved) {
    return pskmodem::fnSetRXPSKMode(mode, reserved);
}

std::int32_t ModemEngine::fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                                       std::int32_t reserved) {
    return pskmodem::fnSetFFTMode(smoothing, sensitivity, reserved);
}

std::int32_t ModemEngine::fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                                std::int32_t reserved) {
    return pskmodem::fnSetSquelchThreshold(threshold, speed, reserved);
}

std::int32_t ModemEngine::fnSetTXFrequency(std::int32_t frequencyHz) {
    return pskmodem::fnSetTXFrequency(frequencyHz);
}

std::int32_t ModemEngine::fnGetFFTData(std::int32_t* dest, std::int32_t first, std::int32_t last) {
    return pskmodem::fnGetFFTData(dest, first, last);
}

std::int32_t ModemEngine::fnGetVectorData(std::int32_t* dest, std::int32_t reserved) {
    return pskmodem::fnGetVectorData(dest, reserved);
}

std::vector<pskmodem::InputDeviceInfo> ModemEngine::fnListInputDevices() {
    return pskmodem::listInputDevices();
}

std::int32_t ModemEngine::fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm) {
    return pskmodem::fnSetSoundCardInput(cardNumber, clockPpm);
}

std::int32_t ModemEngine::fnSetRXPSKSpeed(std::int32_t speed) {
    return pskmodem::fnSetRXPSKSpeed(speed);
}

std::int32_t ModemEngine::fnSetBandActivity(std::int32_t on) {
    return pskmodem::fnSetBandActivity(on);
}

std::int32_t ModemEngine::fnGetBandActivity(pskmodem::BandActivitySnapshot& snapshot) {
    return pskmodem::fnGetBandActivity(snapshot);
}

}  // namespace platform
