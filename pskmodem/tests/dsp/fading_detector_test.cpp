// The detector of Rayleigh fading.

#include "pskmodem/dsp/fading_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

TEST(FadingDetector, TellsRayleighFadingFromNoiseAndGentleQsb) {
    std::mt19937_64 rng(17);
    std::normal_distribution<double> gauss;
    // Symbol magnitudes of a steady signal (with the +-1/3 the neighbours add) in noise at the
    // sensitivity limit: not fading.
    FadingDetector steady;
    for (int k = 0; k < 3000; ++k) {
        const double pattern = 1.0 + (k % 3 == 0 ? 0.33 : (k % 3 == 1 ? -0.33 : 0.0));
        const Complex y = Complex(pattern, 0.0) + 0.3 * Complex(gauss(rng), gauss(rng));
        steady.push(static_cast<float>(std::abs(y)));
        if (k > 200) {
            EXPECT_FALSE(steady.fading()) << "symbol " << k;
        }
    }
    // A strong signal under gentle QSB (6 dB, 30 s period): still not fading.
    FadingDetector qsb;
    for (int k = 0; k < 3000; ++k) {
        const double depth = std::pow(10.0, -0.3 * (0.5 + 0.5 * std::sin(2.0 * kPi * k / 938.0)));
        const Complex y = depth * Complex(1.0, 0.0) + 0.01 * Complex(gauss(rng), gauss(rng));
        qsb.push(static_cast<float>(std::abs(y)));
    }
    EXPECT_FALSE(qsb.fading());
    // Rayleigh fading with a Doppler spread near 1 Hz: a complex Gaussian gain lowpass
    // filtered to about a 1 s correlation time.
    FadingDetector rayleigh;
    Complex gain(1.0, 0.0);
    int fadingSymbols = 0;
    for (int k = 0; k < 3000; ++k) {
        gain = 0.97 * gain + 0.243 * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
        const Complex y = gain + 0.1 * Complex(gauss(rng), gauss(rng));
        rayleigh.push(static_cast<float>(std::abs(y)));
        if (k > 500 && rayleigh.fading()) ++fadingSymbols;
    }
    EXPECT_GT(fadingSymbols, 2000);
    rayleigh.reset();
    EXPECT_FALSE(rayleigh.fading());
    EXPECT_EQ(rayleigh.index(), 0.0F);
}

}  // namespace
}  // namespace pskmodem
