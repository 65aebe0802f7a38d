#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pskmodem/types.h"

namespace pskmodem {

// Seeded test and benchmark signals: one PSK transmission of known text in white noise.
struct TestSignalConfig {
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    double carrierHz = 1000.0;
    double snrDb = 10.0;  // mean signal power over noise power in 3000 Hz
    std::uint64_t seed = 1;
    std::size_t textChars = 500;  // length of the random text
    std::string text;             // sent instead of random text when not empty
    double driftHzPerSecond = 0.0;
    double clockErrorPpm = 0.0;
    double leadNoiseSeconds = 0.0;  // noise only, before the transmission starts
    int leadIdle = 32;              // idle symbols before the text
    int tailIdle = 32;              // idle symbols after it
    double sampleRateHz = 8000.0;
    bool noise = true;
    // Level of the result: rms of signal plus noise (full scale 1). 0.1 leaves enough headroom
    // for a 16-bit file even at -20 dB SNR.
    double levelRms = 0.1;
};

struct TestSignal {
    std::vector<float> samples;
    std::string text;                         // the text sent
    double signalPower = 0.0;                 // mean power of the transmission alone
    std::size_t transmissionStartSample = 0;  // where the carrier starts, after the lead noise
};

// English-like text of exactly `chars` characters (printable ASCII and CR LF): words from a fixed
// list, fictitious call signs, numbers, some punctuation and occasional CR LF line breaks.
std::string randomText(std::size_t chars, std::uint64_t seed);

// Builds the signal described by `config`; the same config always gives the same samples.
TestSignal makeTestSignal(const TestSignalConfig& config);

}  // namespace pskmodem
