#pragma once

#include <cstdint>

namespace pskmodem {

// The modem works at one fixed audio rate; every source is converted to it.
inline constexpr int kSampleRateHz = 8000;
inline constexpr double kSymbolRateBaud = 31.25;
inline constexpr int kSamplesPerSymbol = 256;  // 8000 / 31.25

// Receive modes, numbered as the engine interface numbers them.
enum class Mode : int { Bpsk = 0, QpskUsb = 1, QpskLsb = 2 };

// Returns true when `value` is one of the mode numbers above.
constexpr bool isValidMode(int value) {
    return value >= 0 && value <= 2;
}

}  // namespace pskmodem
