// The numerically controlled oscillator that mixes a carrier down to zero.

#include "pskmodem/dsp/nco.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace pskmodem {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(Nco, MixesItsFrequencyToZeroAndStaysOnTheUnitCircle) {
    for (double hz : {100.0, 1000.0, 2345.6, 3500.0}) {
        Nco nco(8000.0);
        nco.setFrequency(hz);
        const std::size_t n = 80000;  // ten seconds, a whole number of cycles of every tone
        std::vector<float> in(n);
        for (std::size_t i = 0; i < n; ++i) {
            in[i] = static_cast<float>(std::cos(2.0 * kPi * hz * static_cast<double>(i) / 8000.0));
        }
        std::vector<float> re(n);
        std::vector<float> im(n);
        nco.mixDown(in, re, im);
        // cos(wt) exp(-jwt) = 1/2 + 1/2 exp(-2jwt): the mean is 1/2.
        double sumRe = 0.0;
        double sumIm = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            sumRe += static_cast<double>(re[i]);
            sumIm += static_cast<double>(im[i]);
        }
        EXPECT_NEAR(sumRe / n, 0.5, 1e-4) << hz;
        EXPECT_NEAR(sumIm / n, 0.0, 1e-4) << hz;
    }
    // A constant input shows the oscillator itself: unit magnitude after many renormalisations.
    Nco nco(8000.0);
    nco.setFrequency(1234.5);
    std::vector<float> ones(1 << 20, 1.0F);
    std::vector<float> re(ones.size());
    std::vector<float> im(ones.size());
    nco.mixDown(ones, re, im);
    EXPECT_NEAR(std::hypot(re.back(), im.back()), 1.0, 1e-6);
}

TEST(Nco, ReducesFrequenciesIntoTheBandAndIgnoresNonFinite) {
    Nco nco(8000.0);
    nco.setFrequency(9000.0);
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 1000.0);
    nco.setFrequency(-5000.0);
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 3000.0 - 0.0);
    nco.setFrequency(std::nan(""));
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 3000.0);
    EXPECT_THROW(Nco(0.0), std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
