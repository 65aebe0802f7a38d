#pragma once

// The engine's results as the tests read them.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pskmodem/types.h"

namespace pskmodem::test_support {

using Levels = std::array<std::int32_t, kSpectrumValues>;
using Vectors = std::array<std::int32_t, kVectorValues>;
inline constexpr int kLastSpectrumValue = kSpectrumValues - 1;

// The spectrum bin of `hz`: bin k lies at k x 8000/2048 Hz.
inline std::size_t spectrumBin(double hz) {
    return static_cast<std::size_t>(
        std::lround(hz * 2.0 * kSpectrumValues / static_cast<double>(kSampleRateHz)));
}

}  // namespace pskmodem::test_support
