#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/signals/hf_channel.h"
#include "pskmodem/types.h"

namespace pskmodem {

// Seeded test and benchmark signals over a simulated HF path: a PSK31 transmission (or a pure
// carrier, or nothing) through Watterson fading and QSB, optionally beside a stronger PSK31
// signal, in white noise, optionally resampled to a sound-card rate.
//
// Order of operations, all at 8000 samples/s: the modulated transmission, then fading, then
// QSB; then the interfering signal is added, then noise; then everything is scaled to
// `levelRms` and last resampled to `outputRateHz`.
//
// The SNR is the mean power of the unfaded transmission over the noise power in 3000 Hz, so
// fading and QSB change the SNR the receiver sees from moment to moment but not the figure
// quoted. A pure-noise signal has its noise at the level a transmission of amplitude 1 would
// have at `snrDb`.
struct ChannelTestConfig {
    enum class Content {
        Psk31,    // the transmission of the text
        Carrier,  // an unmodulated carrier for `durationSeconds`
        Nothing,  // noise only (and the interferer, if any) for `durationSeconds`
    };
    Content content = Content::Psk31;  // (the transmission at `speed`, whatever its name says)
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    double carrierHz = 1000.0;
    double snrDb = 10.0;
    std::uint64_t seed = 1;
    std::size_t textChars = 500;    // length of the random text
    std::string text;               // sent instead of random text when not empty
    double durationSeconds = 60.0;  // of the carrier or of the noise; ignored for Psk31
    double driftHzPerSecond = 0.0;
    double clockErrorPpm = 0.0;     // the sender's symbol clock
    double leadNoiseSeconds = 0.0;  // before the transmission starts
    double tailNoiseSeconds = 0.0;  // after it ends
    int leadIdle = 32;              // idle symbols before the text
    int tailIdle = 32;              // idle symbols after it

    std::optional<WattersonConfig> fading;  // its rate is replaced, its seed mixed with `seed`
    std::optional<QsbConfig> qsb;           // its sample rate is replaced

    struct Interferer {
        Mode mode = Mode::Bpsk;
        Speed speed = Speed::Psk31;
        double offsetHz = 60.0;  // from carrierHz
        double levelDb = 20.0;   // mean power over that of the wanted, unfaded transmission
    };
    // Present over the whole signal, lead and tail noise included, with its own random text.
    std::optional<Interferer> interferer;

    bool noise = true;
    double outputRateHz = kSampleRateHz;  // resampled with libsoxr when not 8000
    // Level of the result: rms of everything before resampling (full scale 1).
    double levelRms = 0.1;
};

struct ChannelTestSignal {
    std::vector<float> samples;  // at sampleRateHz
    double sampleRateHz = kSampleRateHz;
    std::string text;  // the text sent (empty unless Psk31)
    // Mean power, at the output level, of the wanted transmission before fading and QSB.
    double signalPower = 0.0;
    double noiseRms = 0.0;  // standard deviation of the added noise, at the output level
    // Where the carrier starts and where it ends (after the lead noise), in output samples.
    std::size_t transmissionStartSample = 0;
    std::size_t transmissionEndSample = 0;
    // For each character of `text`: the output sample at which its last symbol, the second
    // zero of the gap after its Varicode bits, reaches its phase point. Symbol k of the
    // transmission reaches its phase point (k + 1) symbol periods after the start.
    std::vector<std::size_t> characterEndSamples;
};

// Builds the signal described by `config`; the same config always gives the same samples.
// Throws std::invalid_argument for a configuration that makes no sense.
ChannelTestSignal makeChannelTestSignal(const ChannelTestConfig& config);

}  // namespace pskmodem
