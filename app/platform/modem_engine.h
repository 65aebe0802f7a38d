#pragma once

// The program's engine: the pskmodem library's engine interface.

#include "platform/psk_engine.h"
#include "pskmodem/pskmodem.h"

namespace platform {

class ModemEngine final : public PskEngine {
  public:
    // The engine takes its audio from `sources` (a recording, the simulator), or from the sound
    // card when it is empty.
    explicit ModemEngine(pskmodem::SourceFactory sources = {});

    std::int32_t fnStartSoundCard(pskmodem::MessageSink* sink, std::int32_t cardNumber,
                                  std::int32_t channelMode) override;
    std::int32_t fnStopSoundCard() override;
    std::int32_t fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRange,
                                  std::int32_t reserved) override;
    std::int32_t fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved) override;
    std::int32_t fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                              std::int32_t reserved) override;
    std::int32_t fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                       std::int32_t reserved) override;
    std::int32_t fnSetTXFrequency(std::int32_t frequencyHz) override;
    std::int32_t fnGetFFTData(std::int32_t* dest, std::int32_t first, std::int32_t last) override;
    std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t reserved) override;
    std::vector<pskmodem::InputDeviceInfo> fnListInputDevices() override;
    std::int32_t fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm) override;
    std::int32_t fnSetRXPSKSpeed(std::int32_t speed) override;
    std::int32_t fnSetBandActivity(std::int32_t on) override;
    std::int32_t fnGetBandActivity(pskmodem::BandActivitySnapshot& snapshot) override;

  private:
    pskmodem::SourceFactory sources_;
};

}  // namespace platform
