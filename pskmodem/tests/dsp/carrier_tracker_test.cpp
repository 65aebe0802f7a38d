// The carrier tracking loop.

#include "pskmodem/dsp/carrier_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <stdexcept>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

struct CarrierCase {
    int phases;
    double phaseRad;
    double frequencyRadPerSymbol;
    double driftRadPerSymbol2;
};

class CarrierTrack : public ::testing::TestWithParam<CarrierCase> {};

TEST_P(CarrierTrack, LocksOntoPhaseFrequencyAndDrift) {
    const CarrierCase& c = GetParam();
    CarrierTracker tracker(c.phases, 0.03);
    tracker.setFrequencyLimit(1.0);
    tracker.setDriftLimit(0.01);
    tracker.setDriftGain(5e-5);
    tracker.setFrequencyAssist(0.05, 0.0006);
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> symbol(0, c.phases - 1);
    double phase = c.phaseRad;
    double frequency = c.frequencyRadPerSymbol;
    double worst = 0.0;
    for (int k = 0; k < 3000; ++k) {
        const double data = 2.0 * kPi * symbol(rng) / c.phases;
        const Complex y = std::polar(1.0, phase + data);
        if (k == 1500) tracker.setFrequencyAssist(0.0, 0.0);  // as the receiver does once locked
        const std::complex<float> v =
            tracker.track({static_cast<float>(y.real()), static_cast<float>(y.imag())}, 1.0F);
        // Phase error against the nearest constellation point.
        const double err =
            std::remainder(std::arg(Complex(v.real(), v.imag())) - data, 2.0 * kPi / c.phases);
        if (k > 1000) worst = std::max(worst, std::abs(err));
        phase += frequency;
        frequency += c.driftRadPerSymbol2;
    }
    EXPECT_LT(worst, 0.05) << "radians";
    EXPECT_GT(tracker.lock(), 0.99);
    EXPECT_NEAR(tracker.frequencyRadPerSymbol(), std::remainder(frequency, 2.0 * kPi), 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CarrierTrack,
    ::testing::Values(CarrierCase{2, 1.0, 0.0, 0.0}, CarrierCase{2, -2.5, 0.05, 0.0},
                      CarrierCase{2, 0.3, 0.5, 0.0},    // 2.5 Hz off: the discriminator pulls in
                      CarrierCase{2, 0.0, -0.2, 1e-4},  // drifting about 0.5 Hz/s
                      CarrierCase{4, 0.4, 0.03, 0.0}, CarrierCase{4, -0.4, -0.1, -5e-5}));

TEST(CarrierTracker, RejectsOtherConstellations) {
    EXPECT_THROW(CarrierTracker(3, 0.03), std::invalid_argument);
    EXPECT_THROW(CarrierTracker(2, 0.0), std::invalid_argument);
    CarrierTracker tracker(2, 0.03);
    const std::complex<float> v = tracker.track({std::nanf(""), 1.0F}, 1.0F);
    (void)v;
    EXPECT_TRUE(std::isfinite(tracker.frequencyRadPerSymbol()));
}

}  // namespace
}  // namespace pskmodem
