#pragma once

// The calls the program makes to the PSK31 modem, as an interface: the program talks to
// ModemEngine (which forwards to the pskmodem library) and tests talk to a recording fake.
// Names and arguments are those of the modem's engine interface; every result but that of
// the first fnStartSoundCard is ignored by the program.

#include <cstdint>
#include <vector>

#include "pskmodem/band/band_activity.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/sources/audio_source.h"
#include "pskmodem/types.h"

namespace platform {

// Messages the engine posts to the main window: kMsgSpectrum (wParam: receive Hz, lParam:
// quality %), kMsgCharacter (wParam: one decoded 8-bit character), kMsgStatus (wParam: the
// engine's status; kStatusReopening while a lost sound card is being opened again,
// kStatusStarted when audio flows) and kMsgReserved (consumed, not used).
using pskmodem::kMsgCharacter;
using pskmodem::kMsgReserved;
using pskmodem::kMsgSpectrum;
using pskmodem::kMsgStatus;
inline constexpr std::intptr_t kStatusStarted =
    static_cast<std::intptr_t>(pskmodem::Status::Started);
inline constexpr std::intptr_t kStatusReopening =
    static_cast<std::intptr_t>(pskmodem::Status::Reopening);

// Sizes of the arrays fnGetFFTData and fnGetVectorData fill.
inline constexpr int kFFTDataSize = pskmodem::kSpectrumValues;
inline constexpr int kVectorDataSize = pskmodem::kVectorValues;

// The range of fnSetRXFrequency's receive frequency in Hz.
using pskmodem::kMaxFrequencyHz;
using pskmodem::kMinFrequencyHz;

// The mode numbers of fnSetRXPSKMode.
inline constexpr std::int32_t kModeBpsk = static_cast<std::int32_t>(pskmodem::Mode::Bpsk);
inline constexpr std::int32_t kModeQpskUsb = static_cast<std::int32_t>(pskmodem::Mode::QpskUsb);
inline constexpr std::int32_t kModeQpskLsb = static_cast<std::int32_t>(pskmodem::Mode::QpskLsb);

class PskEngine {
  public:
    PskEngine() = default;
    virtual ~PskEngine() = default;
    PskEngine(const PskEngine&) = delete;
    PskEngine& operator=(const PskEngine&) = delete;

    // Starts the engine; 0 = running, any other value = failure. Messages go to `sink`.
    virtual std::int32_t fnStartSoundCard(pskmodem::MessageSink* sink, std::int32_t cardNumber,
                                          std::int32_t channelMode) = 0;
    virtual std::int32_t fnStopSoundCard() = 0;
    virtual std::int32_t fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRange,
                                          std::int32_t reserved) = 0;
    // kModeBpsk, kModeQpskUsb or kModeQpskLsb.
    virtual std::int32_t fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved) = 0;
    virtual std::int32_t fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                                      std::int32_t reserved) = 0;
    virtual std::int32_t fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                               std::int32_t reserved) = 0;
    virtual std::int32_t fnSetTXFrequency(std::int32_t frequencyHz) = 0;
    // Fills dest[0 .. last - first] with spectrum elements first..last.
    virtual std::int32_t fnGetFFTData(std::int32_t* dest, std::int32_t first,
                                      std::int32_t last) = 0;
    // Fills dest[0..15] with the phase vector.
    virtual std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t reserved) = 0;

    // Choosing the sound card input (the program's own addition to the engine interface; an
    // engine without sound cards lists none and takes no choice).
    // The input devices of the machine, in card-number order.
    virtual std::vector<pskmodem::InputDeviceInfo> fnListInputDevices() { return {}; }
    // The card to capture from (0 = the system's default input) and the sound card's clock
    // correction in ppm. While running the capture restarts on them at once and the receiver
    // keeps its state; a card that cannot start leaves the previous one running and gives a
    // non-zero result. While stopped only the correction is kept, for the next start.
    virtual std::int32_t fnSetSoundCardInput(std::int32_t /*cardNumber*/, double /*clockPpm*/) {
        return 0;
    }

    // The receiver's symbol rate (the program's addition too): a pskmodem::Speed number, 0 PSK31
    // (until set), 1 PSK63, 2 PSK125, 3 PSK250. An engine of PSK31 alone ignores it.
    virtual std::int32_t fnSetRXPSKSpeed(std::int32_t /*speed*/) { return 0; }

    // Whole-band decoding beside the tuned receiver (the program's addition too): on (non-zero)
    // while the band activity window is open. An engine without it finds nothing.
    virtual std::int32_t fnSetBandActivity(std::int32_t /*on*/) { return 0; }
    // Copies the newest band snapshot into `snapshot` when there is one newer than its serial
    // and it can be had without waiting; 1 when it did, 0 otherwise.
    virtual std::int32_t fnGetBandActivity(pskmodem::BandActivitySnapshot& /*snapshot*/) {
        return 0;
    }
};

}  // namespace platform
