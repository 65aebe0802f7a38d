// The AFC's acquisition of the carrier line.

#include "pskmodem/dsp/afc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

// 1000 Hz complex baseband of a BPSK31 signal with Hann keying, offset by offsetHz; idle
// (reversals) or random data, in complex Gaussian noise of the given total power.
std::vector<std::complex<float>> bpskBaseband(double offsetHz, bool idle, double noisePower,
                                              std::size_t n, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> gauss(0.0, std::sqrt(noisePower / 2.0));
    std::vector<std::complex<float>> z(n);
    int previous = 1;
    int current = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t inSymbol = i % 32;
        if (inSymbol == 0) {
            previous = current;
            current = idle ? -current : ((rng() & 1U) != 0 ? -current : current);
        }
        const double w = 0.5 * (1.0 + std::cos(kPi * static_cast<double>(inSymbol) / 32.0));
        const double envelope = previous * w + current * (1.0 - w);
        const Complex v =
            envelope * std::polar(1.0, 2.0 * kPi * offsetHz * static_cast<double>(i) / 1000.0) +
            Complex(gauss(rng), gauss(rng));
        z[i] = {static_cast<float>(v.real()), static_cast<float>(v.imag())};
    }
    return z;
}

struct AcquisitionCase {
    double offsetHz;
    bool idle;
    double noisePower;
    double lowHz;
    double highHz;
    bool found;
};

class Acquisition : public ::testing::TestWithParam<AcquisitionCase> {};

TEST_P(Acquisition, FindsTheCarrierLineOnlyWhereItIs) {
    const AcquisitionCase& c = GetParam();
    FrequencyAcquisition acquisition(1000.0, 512);
    acquisition.setPassband(50.0);
    const auto z = bpskBaseband(c.offsetHz, c.idle, c.noisePower, 4000, 9);
    FrequencyAcquisition::Peak peak;
    for (const auto& v : z) {
        if (acquisition.push(v)) peak = acquisition.strongestCarrier(c.lowHz, c.highHz);
    }
    EXPECT_EQ(peak.found, c.found) << "line at " << peak.offsetHz << " Hz, " << peak.snrDb << " dB";
    if (c.found) {
        EXPECT_NEAR(peak.offsetHz, c.offsetHz, 0.3);
        EXPECT_GT(acquisition.lineLevelDb(c.offsetHz), 9.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Acquisition,
    ::testing::Values(AcquisitionCase{23.4, false, 0.1, -50.0, 50.0, true},
                      AcquisitionCase{-41.7, true, 0.1, -50.0, 50.0, true},
                      AcquisitionCase{7.0, false, 3.0, -50.0, 50.0, true},   // weak
                      AcquisitionCase{0.0, false, 1e9, -50.0, 50.0, false},  // noise only
                      // The carrier is outside the window; a keying line of it (15.6 Hz in)
                      // is inside and must not be taken for a carrier.
                      AcquisitionCase{40.0, true, 0.01, -30.0, 30.0, false}));

}  // namespace
}  // namespace pskmodem
