// The fading predictor and the detector that predicts the carrier from it.

#include "pskmodem/dsp/predictive_detector.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "pskmodem/signals/hf_channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

std::complex<float> toFloat(Complex z) {
    return {static_cast<float>(z.real()), static_cast<float>(z.imag())};
}

TEST(FadingPredictor, FollowsASlowChannelAndShrinksTowardZeroInNoise) {
    // A channel that hardly moves: the taps add up to nearly 1 and predict a straight line
    // through the recent past.
    const std::array<double, 16> slow = fadingPredictor(8, 0.001, 1e-6);
    double sum = 0.0;
    double ramp = 0.0;
    for (std::size_t j = 0; j < 8; ++j) {
        sum += slow[j];
        ramp += slow[j] * -static_cast<double>(j + 1);  // the values of t at t = -1, -2, ...
    }
    EXPECT_NEAR(sum, 1.0, 1e-3);
    EXPECT_NEAR(ramp, 0.0, 0.05);  // ... extrapolated to t = 0
    // Noise on the past values: the prediction averages more and shrinks.
    const std::array<double, 16> noisy = fadingPredictor(8, 0.032, 0.1);
    double noisySum = 0.0;
    double noiseGain = 0.0;
    for (std::size_t j = 0; j < 8; ++j) {
        noisySum += noisy[j];
        noiseGain += noisy[j] * noisy[j];
    }
    EXPECT_LT(noisySum, 1.0);
    EXPECT_GT(noisySum, 0.5);
    EXPECT_LT(noiseGain, 0.5);
    for (std::size_t j = 8; j < 16; ++j) EXPECT_EQ(noisy[j], 0.0);
    EXPECT_EQ(fadingPredictor(0, 0.032, 0.01)[0], 0.0);
    EXPECT_EQ(fadingPredictor(17, 0.032, 0.01)[0], 0.0);
}

TEST(PredictiveDetector, RejectsBadSettings) {
    const std::array<double, 2> taps{2.0, -1.0};
    EXPECT_THROW(PredictiveDetector(0, taps), std::invalid_argument);
    EXPECT_THROW(PredictiveDetector(61, taps), std::invalid_argument);
    EXPECT_THROW(PredictiveDetector(15, std::span<const double>()), std::invalid_argument);
    const std::array<double, 2> bad{1.0, std::nan("")};
    EXPECT_THROW(PredictiveDetector(15, bad), std::invalid_argument);
}

// A channel whose gain swings through a null every 40 symbols, halfway between two symbols, its
// phase reversing there (and slowly turning besides), on random data.
TEST(PredictiveDetector, FollowsTheCarrierThroughNullsWhereDifferentialDetectionFails) {
    std::mt19937_64 rng(21);
    const std::array<double, 16> taps = fadingPredictor(8, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(8));
    int b = 1;
    Complex previousSample = 1.0;
    std::vector<int> truth;
    int errors = 0;
    int differentialErrors = 0;
    int compared = 0;
    for (int k = 0; k < 4000; ++k) {
        const int previousB = b;
        if ((rng() & 1U) != 0) b = -b;
        truth.push_back(b == previousB ? 1 : 0);
        const double t = static_cast<double>(k) + 0.5;
        const Complex gain = std::cos(kPi * t / 40.0) * std::polar(1.0, 0.01 * k);
        const Complex sample = gain * static_cast<double>(b);
        const int differential = (sample * std::conj(previousSample)).real() > 0.0 ? 1 : 0;
        previousSample = sample;
        if (k > 40 && differential != truth.back()) ++differentialErrors;
        const int bit = detector.push(toFloat(sample));
        if (bit < 0 || k < 40) continue;
        if (bit != truth[static_cast<std::size_t>(k - 15)]) ++errors;
        ++compared;
    }
    EXPECT_GT(compared, 3900);
    EXPECT_EQ(errors, 0);
    EXPECT_GT(differentialErrors, 90);  // one at each null
}

TEST(PredictiveDetector, BeatsDifferentialDetectionThroughRayleighFading) {
    std::mt19937_64 rng(22);
    std::normal_distribution<double> gauss;
    const std::array<double, 16> taps = fadingPredictor(8, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(8));
    // Rayleigh fading with the Gaussian Doppler spectrum of the Watterson model, 1 Hz spread, at
    // 25 dB mean SNR per symbol.
    FadingTap channel(1.0, 31.25, 23);
    int b = 1;
    Complex previousSample = 0.0;
    std::vector<int> truth;
    int errors = 0;
    int differentialErrors = 0;
    for (int k = 0; k < 60000; ++k) {
        const int previousB = b;
        if ((rng() & 1U) != 0) b = -b;
        truth.push_back(b == previousB ? 1 : 0);
        const Complex sample = channel.next() * static_cast<double>(b) +
                               0.056 * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
        const int differential = (sample * std::conj(previousSample)).real() > 0.0 ? 1 : 0;
        previousSample = sample;
        if (k > 100 && differential != truth.back()) ++differentialErrors;
        const int bit = detector.push(toFloat(sample));
        if (k > 100 && bit != truth[static_cast<std::size_t>(k - 15)]) ++errors;
    }
    EXPECT_GT(differentialErrors, 50);
    EXPECT_LT(2 * errors, differentialErrors)
        << errors << " predictive against " << differentialErrors << " differential";
}

TEST(PredictiveDetector, ItsPredictionErrorTellsWhichPredictorSuitsTheChannel) {
    // The same signals to a predictor for slow fading in noise and one for fast fading: on a
    // steady carrier in noise the slow one predicts better, through fast fading the fast one.
    const auto run = [](double spreadHz, double noise, std::uint64_t seed) {
        const std::array<double, 16> slowTaps = fadingPredictor(8, 0.3 / 31.25, 0.05);
        const std::array<double, 16> fastTaps = fadingPredictor(8, 2.0 / 31.25, 0.002);
        PredictiveDetector slow(15, std::span<const double>(slowTaps).first(8));
        PredictiveDetector fast(15, std::span<const double>(fastTaps).first(8));
        FadingTap channel(spreadHz, 31.25, seed);
        std::mt19937_64 rng(seed);
        std::normal_distribution<double> gauss;
        for (int k = 0; k < 3000; ++k) {
            const double b = (rng() & 1U) != 0 ? 1.0 : -1.0;
            const Complex gain = spreadHz > 0.0 ? channel.next() : Complex(1.0);
            const Complex sample =
                gain * b + noise * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
            slow.push(toFloat(sample));
            fast.push(toFloat(sample));
        }
        return std::pair(slow.predictionError(), fast.predictionError());
    };
    const auto [steadySlow, steadyFast] = run(0.0, 0.3, 31);
    EXPECT_LT(steadySlow, steadyFast);
    const auto [fadingSlow, fadingFast] = run(2.0, 0.01, 32);
    EXPECT_LT(fadingFast, fadingSlow);
}

TEST(PredictiveDetector, ResetStartsOver) {
    const std::array<double, 16> taps = fadingPredictor(4, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(4));
    for (int k = 0; k < 40; ++k) detector.push({k % 2 == 0 ? 1.0F : -1.0F, 0.0F});
    detector.reset();
    for (int k = 0; k < 16; ++k) EXPECT_EQ(detector.push({1.0F, 0.0F}), -1) << k;
    EXPECT_EQ(detector.push({1.0F, 0.0F}), 1);
    // Garbage does no harm.
    detector.push({std::nanf(""), 1.0F});
    for (int k = 0; k < 40; ++k) detector.push({1.0F, 0.0F});
    EXPECT_EQ(detector.push({1.0F, 0.0F}), 1);
}

}  // namespace
}  // namespace pskmodem
