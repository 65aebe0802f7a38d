// The lowpass design and the decimating FIR filter.

#include "pskmodem/dsp/fir_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <vector>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

double responseDb(const std::vector<float>& taps, double hz, double rateHz) {
    Complex sum = 0.0;
    for (std::size_t i = 0; i < taps.size(); ++i) {
        sum += static_cast<double>(taps[i]) *
               std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(i) / rateHz);
    }
    return 20.0 * std::log10(std::abs(sum));
}

struct LowpassCase {
    int taps;
    double cutoffHz;
    double rateHz;
    double beta;
    double passEdgeHz;  // flat within 0.1 dB up to here
    double stopEdgeHz;  // at least minStopDb down from here to half the rate
    double minStopDb;
};

class LowpassDesign : public ::testing::TestWithParam<LowpassCase> {};

TEST_P(LowpassDesign, MeetsItsSpectralMask) {
    const LowpassCase& c = GetParam();
    const std::vector<float> taps = designLowpassFir(c.taps, c.cutoffHz, c.rateHz, c.beta);
    ASSERT_EQ(taps.size(), static_cast<std::size_t>(c.taps));
    for (std::size_t i = 0; i < taps.size(); ++i) {
        EXPECT_FLOAT_EQ(taps[i], taps[taps.size() - 1 - i]) << "linear phase";
    }
    for (double f = 0.0; f <= c.passEdgeHz; f += c.passEdgeHz / 20.0) {
        EXPECT_NEAR(responseDb(taps, f, c.rateHz), 0.0, 0.1) << f << " Hz";
    }
    for (double f = c.stopEdgeHz; f <= c.rateHz / 2.0; f += 5.0) {
        EXPECT_LT(responseDb(taps, f, c.rateHz), -c.minStopDb) << f << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(ReceiverFilters, LowpassDesign,
                         ::testing::Values(
                             // The decimator in front of the 1000 Hz baseband: flat over the +-200
                             // Hz used, and nothing folds onto it from 780 Hz up.
                             LowpassCase{64, 500.0, 8000.0, 7.0, 200.0, 780.0, 65.0},
                             // The AFC acquisition filter for a 50 Hz search range.
                             LowpassCase{49, 90.0, 1000.0, 5.0, 40.0, 175.0, 45.0}));

TEST(LowpassDesign, RejectsImpossibleDesigns) {
    EXPECT_THROW(designLowpassFir(1, 100.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 0.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 500.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 100.0, 1000.0, -1.0), std::invalid_argument);
}

TEST(DecimatingFir, KeepsEveryFactorthOutputWhateverTheBlocks) {
    const std::vector<float> taps = {0.5F, 0.25F, -0.125F, 1.0F, 2.0F};
    std::mt19937_64 rng(5);
    std::normal_distribution<float> gauss;
    std::vector<float> re(1000);
    std::vector<float> im(1000);
    for (std::size_t i = 0; i < re.size(); ++i) {
        re[i] = gauss(rng);
        im[i] = gauss(rng);
    }
    DecimatingFir whole(taps, 3);
    std::vector<std::complex<float>> expected(400);
    const std::size_t count = whole.process(re, im, expected);
    ASSERT_EQ(count, 333U);
    // Direct convolution: output j is the full-rate output at input 3j + 2.
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t at = 3 * j + 2;
        double sr = 0.0;
        double si = 0.0;
        for (std::size_t k = 0; k < taps.size() && k <= at; ++k) {
            sr += static_cast<double>(taps[k]) * static_cast<double>(re[at - k]);
            si += static_cast<double>(taps[k]) * static_cast<double>(im[at - k]);
        }
        EXPECT_NEAR(expected[j].real(), sr, 1e-4);
        EXPECT_NEAR(expected[j].imag(), si, 1e-4);
    }
    DecimatingFir pieces(taps, 3);
    std::vector<std::complex<float>> got;
    std::size_t at = 0;
    std::size_t chunk = 1;
    while (at < re.size()) {
        const std::size_t n = std::min(chunk, re.size() - at);
        std::vector<std::complex<float>> out(n / 3 + 1);
        const std::size_t made = pieces.process(std::span<const float>(re).subspan(at, n),
                                                std::span<const float>(im).subspan(at, n), out);
        got.insert(got.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(made));
        at += n;
        chunk = chunk % 7 + 1;
    }
    ASSERT_EQ(got.size(), count);
    for (std::size_t j = 0; j < count; ++j) EXPECT_EQ(got[j], expected[j]);
}

}  // namespace
}  // namespace pskmodem
