// The squelch: phase clustering, quality and hysteresis.

#include "pskmodem/dsp/squelch.h"

#include <gtest/gtest.h>

#include <complex>
#include <numbers>
#include <random>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

TEST(Squelch, PhaseClusteringFollowsTheConstellation) {
    const std::complex<float> quarter{0.0F, 2.0F};
    const std::complex<float> eighth{1.0F, 1.0F};
    EXPECT_FLOAT_EQ(phaseClustering({3.0F, 0.0F}, 2), 1.0F);
    EXPECT_FLOAT_EQ(phaseClustering({-3.0F, 0.0F}, 2), 1.0F);
    EXPECT_FLOAT_EQ(phaseClustering(quarter, 2), -1.0F);
    EXPECT_FLOAT_EQ(phaseClustering(quarter, 4), 1.0F);
    EXPECT_NEAR(phaseClustering(eighth, 4), -1.0F, 1e-6);
    EXPECT_FLOAT_EQ(phaseClustering({0.0F, 0.0F}, 2), 0.0F);
}

TEST(Squelch, QualityAndHysteresis) {
    for (int speed : {0, 1}) {
        Squelch squelch;
        squelch.setSpeed(speed);
        squelch.setThreshold(50);
        std::mt19937_64 rng(4);
        std::uniform_real_distribution<double> angle(-kPi, kPi);
        double sum = 0.0;
        for (int k = 0; k < 2000; ++k) {
            const Complex d = std::polar(1.0, angle(rng));
            squelch.push({static_cast<float>(d.real()), static_cast<float>(d.imag())});
            sum += squelch.quality();
            EXPECT_FALSE(squelch.open());
        }
        EXPECT_LT(sum / 2000.0, 6.0) << "speed " << speed;
        for (int k = 0; k < 400; ++k) squelch.push({k % 3 == 0 ? -1.0F : 1.0F, 0.0F});
        EXPECT_EQ(squelch.quality(), 100);
        EXPECT_TRUE(squelch.open());
        // Falling quality: open down to threshold - 5, closed below.
        bool closed = false;
        for (int k = 0; k < 400 && !closed; ++k) {
            const Complex d = std::polar(1.0, angle(rng));
            squelch.push({static_cast<float>(d.real()), static_cast<float>(d.imag())});
            if (!squelch.open()) {
                closed = true;
                EXPECT_LT(squelch.quality(), 45);
            } else {
                EXPECT_GE(squelch.quality(), 45);
            }
        }
        EXPECT_TRUE(closed);
    }
    Squelch open;
    open.setThreshold(0);
    EXPECT_TRUE(open.open());
    open.setThreshold(250);
    EXPECT_EQ(open.threshold(), 99);

    // A low threshold still closes again (half the threshold below it).
    Squelch low;
    low.setSpeed(1);
    low.setThreshold(4);
    for (int k = 0; k < 400; ++k) low.push({1.0F, 0.0F});
    EXPECT_TRUE(low.open());
    for (int k = 0; k < 400; ++k) low.push({0.0F, 1.0F});  // quarter turns: worst for BPSK
    EXPECT_EQ(low.quality(), 0);
    EXPECT_FALSE(low.open());
}

}  // namespace
}  // namespace pskmodem
