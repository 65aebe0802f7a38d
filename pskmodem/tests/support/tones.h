#pragma once

// A sine tone as the tests feed it to the blocks and files they test.

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace pskmodem::test_support {

// `count` samples of amplitude x sin(2 pi hz n / rateHz), from phase zero.
inline std::vector<float> sineTone(std::size_t count, double hz, double rateHz, double amplitude) {
    std::vector<float> samples(count);
    for (std::size_t n = 0; n < count; ++n) {
        samples[n] = static_cast<float>(
            amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / rateHz));
    }
    return samples;
}

}  // namespace pskmodem::test_support
