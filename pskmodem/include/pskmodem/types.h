#pragma once

#include <cstdint>

namespace pskmodem {

// The modem works at one fixed audio rate; every source is converted to it.
inline constexpr int kSampleRateHz = 8000;
// PSK31's symbol rate, the slowest; the faster speeds double it (see Speed).
inline constexpr double kSymbolRateBaud = 31.25;
inline constexpr int kSamplesPerSymbol = 256;  // 8000 / 31.25

// Receive modes, numbered as the engine interface numbers them.
enum class Mode : int { Bpsk = 0, QpskUsb = 1, QpskLsb = 2 };

// Returns true when `value` is one of the mode numbers above.
constexpr bool isValidMode(int value) {
    return value >= static_cast<int>(Mode::Bpsk) && value <= static_cast<int>(Mode::QpskLsb);
}

// The mode a signal has in audio from a receiver on the lower sideband, whose audio spectrum is the
// air's mirrored: QPSK on one sideband is heard as QPSK on the other; BPSK stays BPSK. The same
// mapping takes the mode heard back to the mode on the air.
constexpr Mode mirroredMode(Mode mode) {
    if (mode == Mode::QpskUsb) {
        return Mode::QpskLsb;
    }
    if (mode == Mode::QpskLsb) {
        return Mode::QpskUsb;
    }
    return mode;
}

// Symbol rates: PSK31 (31.25 Bd), PSK63, PSK125 and PSK250, each twice the one before, with the
// same Varicode, keying and (for QPSK) code. Every mode runs at every speed.
enum class Speed : int { Psk31 = 0, Psk63 = 1, Psk125 = 2, Psk250 = 3 };

constexpr bool isValidSpeed(int value) {
    return value >= static_cast<int>(Speed::Psk31) && value <= static_cast<int>(Speed::Psk250);
}
// How many times PSK31's symbol rate the speed runs at: 1, 2, 4 or 8 (exact powers of two, so
// that anything scaled by it is exact at PSK31).
constexpr int speedFactor(Speed speed) {
    return 1 << static_cast<int>(speed);
}
constexpr double symbolRateBaud(Speed speed) {
    return kSymbolRateBaud * speedFactor(speed);
}
constexpr int samplesPerSymbol(Speed speed) {
    return kSamplesPerSymbol / speedFactor(speed);
}
// The number in the mode's name: 31, 63, 125 or 250.
constexpr int speedNumber(Speed speed) {
    constexpr int kNumbers[] = {31, 63, 125, 250};
    return kNumbers[static_cast<int>(speed)];
}

// Receive frequencies the receiver tunes to, in Hz; settings outside are clamped into them.
inline constexpr double kMinFrequencyHz = 100.0;
inline constexpr double kMaxFrequencyHz = 3500.0;
// Widest AFC search range either side of the receive frequency, in Hz.
inline constexpr double kMaxSearchRangeHz = 200.0;

// Values of one spectrum frame (bin k at k x 8000/2048 Hz, up to half the sample rate) and of
// the tuning indicator (its last eight points as x, y pairs).
inline constexpr int kSpectrumValues = 1024;
inline constexpr int kVectorValues = 16;

}  // namespace pskmodem
