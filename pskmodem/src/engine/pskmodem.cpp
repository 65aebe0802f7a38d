// The engine interface: free functions over the one engine of the process.

#include "pskmodem/pskmodem.h"

#include <mutex>
#include <utility>

#include "pskmodem/engine/engine.h"
#include "pskmodem/sources/audio_source.h"

namespace pskmodem {
namespace {

// The process's engine. This is the library's only process-wide state; it exists because the
// engine interface is a set of free functions.
struct Facade {
    Facade() { engine.setReopenInterval(kReopenInterval); }

    Engine engine;
    // Where the running flow takes its audio from: its sources (empty: the sound card) and the
    // card it captures from. Start and input changes are serialised.
    std::mutex inputMutex;
    SourceFactory sources;
    std::int32_t card = 0;
};

Facade& facade() {
    static Facade instance;
    return instance;
}

std::unique_ptr<AudioSource> makeSource(const SourceFactory& sources, std::int32_t cardNumber) {
    if (!sources) {
        return makeSoundCardSource(cardNumber);
    }
    return sources(cardNumber);
}

}  // namespace

std::int32_t fnStartSoundCard(MessageSink* sink, std::int32_t cardNumber,
                              std::int32_t channelMode) {
    return fnStartSoundCard(sink, cardNumber, channelMode, nullptr);
}

std::int32_t fnStartSoundCard(MessageSink* sink, std::int32_t cardNumber,
                              std::int32_t /*channelMode*/, SourceFactory sources) {
    Facade& f = facade();
    const std::lock_guard lock(f.inputMutex);
    if (f.engine.running()) {
        return 0;  // a repeated start changes nothing
    }
    std::unique_ptr<AudioSource> source;
    try {
        source = makeSource(sources, cardNumber);
    } catch (const std::exception&) {
        return Engine::kErrorInternal;
    }
    const std::int32_t result = f.engine.start(sink, std::move(source));
    // A sound card that did not open keeps the flow, which waits for it to come.
    if (result == 0 || f.engine.running()) {
        f.sources = std::move(sources);
        f.card = cardNumber;
    }
    return result;
}

std::int32_t fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm) {
    Facade& f = facade();
    const std::lock_guard lock(f.inputMutex);
    f.engine.setClockCorrectionPpm(clockPpm);
    if (!f.engine.running()) {
        return 0;  // the correction waits for the next start
    }
    std::unique_ptr<AudioSource> source;
    if (cardNumber != f.card) {
        try {
            source = makeSource(f.sources, cardNumber);
        } catch (const std::exception&) {
            return Engine::kErrorInternal;
        }
    }
    const int result = f.engine.restartCapture(std::move(source));
    if (result == Engine::kErrorNotRunning) {
        return 0;  // the flow ended meanwhile; as when stopped
    }
    if (result == 0) {
        f.card = cardNumber;
    }
    return result;
}

std::int32_t fnStopSoundCard() {
    facade().engine.stop();
    return 0;
}

std::int32_t fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRangeHz,
                              std::int32_t /*reserved*/) {
    // The engine clamps into its ranges (kMinFrequencyHz..kMaxFrequencyHz, search up to
    // kMaxSearchRangeHz).
    facade().engine.setFrequency(frequencyHz, searchRangeHz);
    return 0;
}

std::int32_t fnSetRXPSKMode(std::int32_t mode, std::int32_t /*reserved*/) {
    if (!isValidMode(mode)) {
        return 1;  // unknown mode: ignored
    }
    facade().engine.setMode(static_cast<Mode>(mode));
    return 0;
}

std::int32_t fnSetRXPSKSpeed(std::int32_t speed) {
    if (!isValidSpeed(speed)) {
        return 1;  // unknown speed: ignored
    }
    facade().engine.setSpeed(static_cast<Speed>(speed));
    return 0;
}

std::int32_t fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity,
                          std::int32_t /*reserved*/) {
    facade().engine.setFftMode(smoothing, sensitivity);
    return 0;
}

std::int32_t fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                   std::int32_t /*reserved*/) {
    facade().engine.setSquelch(threshold, speed);
    return 0;
}

std::int32_t fnSetTXFrequency(std::int32_t /*frequencyHz*/) {
    return 0;  // nothing to transmit with
}

std::int32_t fnGetFFTData(std::int32_t* dest, std::int32_t first, std::int32_t last) {
    // Returns the number of values copied.
    return facade().engine.getFftData(dest, first, last);
}

std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t /*reserved*/) {
    // Returns the number of values copied.
    return facade().engine.getVectorData(dest);
}

std::int32_t fnSetBandActivity(std::int32_t on) {
    facade().engine.setBandActivity(on != 0);
    return 0;
}

std::int32_t fnGetBandActivity(BandActivitySnapshot& snapshot) {
    return facade().engine.bandActivity(snapshot) ? 1 : 0;
}

}  // namespace pskmodem
