// Symbol timing on the matched filter's output.

#include "pskmodem/dsp/symbol_timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace pskmodem {
namespace {

constexpr double kPi = std::numbers::pi;

// Matched-filter output power of continuous reversals whose symbol centres fall at
// firstCentre + k * period.
float idlePower(std::int64_t index, double firstCentre, double period) {
    return static_cast<float>(
        0.5 * (1.0 + std::cos(2.0 * kPi * (static_cast<double>(index) - firstCentre) / period)));
}

struct TimingCase {
    double firstCentre;
    double clockErrorPpm;
};

class SymbolTimingTrack : public ::testing::TestWithParam<TimingCase> {};

TEST_P(SymbolTimingTrack, PutsItsStrobesOnTheSymbolCentres) {
    const TimingCase& c = GetParam();
    const double period = 32.0 / (1.0 + c.clockErrorPpm * 1e-6);
    SymbolTiming timing(32);
    double worstLearning = 0.0;  // while the clock rate is being learnt
    double worstSettled = 0.0;
    int symbols = 0;
    for (std::int64_t m = 0; m < 32 * 3000; ++m) {
        if (!timing.push(m, idlePower(m, c.firstCentre, period))) continue;
        ++symbols;
        const double error = std::abs(std::remainder(timing.strobe() - c.firstCentre, period));
        if (symbols > 1000) {
            worstSettled = std::max(worstSettled, error);
        } else if (symbols > 100) {
            worstLearning = std::max(worstLearning, error);
        }
    }
    EXPECT_LT(worstLearning, 0.8) << "samples off the centre";
    EXPECT_LT(worstSettled, 0.1) << "samples off the centre";
    EXPECT_NEAR(timing.clockErrorPpm(), c.clockErrorPpm, 60.0);
    EXPECT_NEAR(symbols, 3000 * (1.0 + c.clockErrorPpm * 1e-6), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Idle, SymbolTimingTrack,
                         ::testing::Values(TimingCase{11.3, 0.0}, TimingCase{27.9, 0.0},
                                           TimingCase{16.0, 0.0},  // half a symbol from start
                                           TimingCase{5.5, 1000.0}, TimingCase{20.2, -1000.0}));

TEST(SymbolTiming, CoastsThroughASteadyCarrierAndAcquiresQuickly) {
    SymbolTiming timing(32);
    std::vector<double> strobes;
    for (std::int64_t m = 0; m < 32 * 400; ++m) {
        // Idle for 100 symbols, then a steady carrier (constant power), then idle again.
        const bool steady = m >= 32 * 100 && m < 32 * 300;
        const float power = steady ? 1.0F : idlePower(m, 9.7, 32.0);
        if (timing.push(m, power)) strobes.push_back(timing.strobe());
    }
    ASSERT_GE(strobes.size(), 390U);
    for (std::size_t k = 40; k < strobes.size(); ++k) {
        EXPECT_LT(std::abs(std::remainder(strobes[k] - 9.7, 32.0)), 0.5) << "symbol " << k;
    }
    EXPECT_THROW(SymbolTiming(2), std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
