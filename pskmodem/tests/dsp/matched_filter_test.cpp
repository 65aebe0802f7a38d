// The PSK31 pulse and the matched filter.

#include "pskmodem/dsp/matched_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

TEST(PskPulse, IsAHannPulseTwoSymbolsLongWithOneSixthNeighbourInterference) {
    const std::vector<float> p = pskPulse(32);
    ASSERT_EQ(p.size(), 64U);
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_FLOAT_EQ(p[i], p[63 - i]);
    EXPECT_NEAR(p[31], 1.0, 0.003);
    EXPECT_NEAR(p[0], 0.0, 0.003);
    // (p * p)(T) / (p * p)(0) = (T/8) / (3T/4) for the continuous pulse.
    EXPECT_NEAR(pskNeighbourInterference(32), 1.0 / 6.0, 1e-3);
    EXPECT_NEAR(pskNeighbourInterference(256), 1.0 / 6.0, 1e-4);
}

TEST(MatchedFilter, PeaksAtThePulseCentreAndInterpolatesBetweenOutputs) {
    MatchedFilter filter(32, 256);
    const std::vector<float> p = pskPulse(32);
    double energy = 0.0;
    for (float v : p) energy += static_cast<double>(v) * static_cast<double>(v);
    // A pulse rotated by 30 degrees, then silence.
    const Complex rotation = std::polar(1.0, kPi / 6.0);
    std::vector<std::complex<float>> outputs;
    for (int i = 0; i < 160; ++i) {
        const double v = i < 64 ? static_cast<double>(p[static_cast<std::size_t>(i)]) : 0.0;
        const Complex z = v * rotation;
        outputs.push_back(
            filter.push({static_cast<float>(z.real()), static_cast<float>(z.imag())}));
    }
    const auto peak = std::max_element(outputs.begin(), outputs.end(),
                                       [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - outputs.begin(), 63);  // the whole pulse inside the filter
    EXPECT_NEAR(std::abs(*peak), std::sqrt(energy), 1e-4);
    EXPECT_NEAR(std::arg(*peak), kPi / 6.0, 1e-5);
    EXPECT_DOUBLE_EQ(filter.centreDelay(), 31.5);
    const std::complex<float> between = filter.outputAt(70.25);
    const std::complex<float> expected = 0.75F * outputs[70] + 0.25F * outputs[71];
    EXPECT_NEAR(between.real(), expected.real(), 1e-6);
    EXPECT_NEAR(between.imag(), expected.imag(), 1e-6);
    EXPECT_THROW(MatchedFilter(32, 64), std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
