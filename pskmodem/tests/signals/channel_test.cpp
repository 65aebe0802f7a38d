#include "pskmodem/signals/channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "pskmodem/signals/modulator.h"

namespace pskmodem {
namespace {

constexpr double kPi = std::numbers::pi;

// Power of `x` between loHz and hiHz, from averaged periodograms of 1024-sample blocks
// (rectangular window: white noise has no leakage to worry about).
double bandPower(std::span<const float> x, double loHz, double hiHz, double sampleRateHz) {
    constexpr std::size_t kBlock = 1024;
    const std::size_t blocks = x.size() / kBlock;
    double sum = 0.0;
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::size_t k = 0; k <= kBlock / 2; ++k) {
            const double f = static_cast<double>(k) * sampleRateHz / kBlock;
            if (f < loHz || f >= hiHz) continue;
            const std::complex<double> step =
                std::polar(1.0, -2.0 * kPi * static_cast<double>(k) / kBlock);
            std::complex<double> rot = 1.0;
            std::complex<double> acc = 0.0;
            for (std::size_t i = 0; i < kBlock; ++i) {
                acc += static_cast<double>(x[b * kBlock + i]) * rot;
                rot *= step;
            }
            // One-sided: bins 1..N/2-1 stand for both signs of frequency.
            const double weight = (k == 0 || k == kBlock / 2) ? 1.0 : 2.0;
            sum += weight * std::norm(acc) / (kBlock * kBlock);
        }
    }
    return sum / static_cast<double>(blocks);
}

TEST(Channel, MeanPower) {
    EXPECT_EQ(meanPower({}), 0.0);
    const std::vector<float> x = {1.0f, -1.0f, 2.0f, 0.0f};
    EXPECT_DOUBLE_EQ(meanPower(x), 1.5);
}

TEST(Channel, NoiseRmsForSnrCountsOnlyThe3000HzBand) {
    // At 0 dB the noise in 3000 Hz equals the signal; at 8000 Hz there are 4000 Hz of it.
    EXPECT_DOUBLE_EQ(noiseRmsForSnr(1.0, 0.0, 8000.0), std::sqrt(4000.0 / 3000.0));
    EXPECT_NEAR(noiseRmsForSnr(0.5, 10.0, 48000.0), std::sqrt(0.05 * 24000.0 / 3000.0), 1e-12);
}

TEST(Channel, NoiseSourceIsSeededGaussian) {
    std::vector<float> a(200000, 0.0f);
    std::vector<float> b(a.size(), 0.0f);
    std::vector<float> c(a.size(), 0.0f);
    NoiseSource(0.25, 42).add(a);
    NoiseSource(0.25, 42).add(b);
    NoiseSource(0.25, 43).add(c);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);

    double sum = 0.0;
    double sum2 = 0.0;
    double sum4 = 0.0;
    std::size_t withinOneSigma = 0;
    for (float v : a) {
        const double x = static_cast<double>(v) / 0.25;
        sum += x;
        sum2 += x * x;
        sum4 += x * x * x * x;
        if (std::abs(x) < 1.0) ++withinOneSigma;
    }
    const auto n = static_cast<double>(a.size());
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(sum2 / n, 1.0, 0.01);
    EXPECT_NEAR(sum4 / n, 3.0, 0.06);  // Gaussian kurtosis
    EXPECT_NEAR(static_cast<double>(withinOneSigma) / n, 0.6827, 0.004);
    EXPECT_THROW(NoiseSource(-1.0, 1), std::invalid_argument);
}

TEST(Channel, NoiseSourceContinuesAcrossBlocks) {
    std::vector<float> whole(1001, 0.0f);
    NoiseSource(1.0, 5).add(whole);
    std::vector<float> pieces(whole.size(), 0.0f);
    NoiseSource source(1.0, 5);
    source.add(std::span<float>(pieces.data(), 3));  // odd split inside a Box-Muller pair
    source.add(std::span<float>(pieces.data() + 3, pieces.size() - 3));
    EXPECT_EQ(pieces, whole);
}

// The noise that addWhiteNoise adds, measured in a 3000 Hz band, gives the requested SNR.
TEST(Channel, MeasuredSnrIn3000HzMatches) {
    constexpr double kRate = 8000.0;
    std::vector<float> clean(65536);
    for (std::size_t i = 0; i < clean.size(); ++i) {
        clean[i] =
            static_cast<float>(0.3 * std::sin(2.0 * kPi * 1000.0 * static_cast<double>(i) / kRate));
    }
    const double signalPower = meanPower(clean);
    for (double snrDb : {-20.0, 0.0, 10.0}) {
        std::vector<float> noisy = clean;
        addWhiteNoise(noisy, signalPower, snrDb, 1234, kRate);
        std::vector<float> noise(noisy.size());
        for (std::size_t i = 0; i < noisy.size(); ++i) noise[i] = noisy[i] - clean[i];
        const double noiseIn3000Hz = bandPower(noise, 300.0, 3300.0, kRate);
        const double measuredDb = 10.0 * std::log10(signalPower / noiseIn3000Hz);
        EXPECT_NEAR(measuredDb, snrDb, 0.2);
        // White: the band holds 3000/4000 of the whole noise power.
        EXPECT_NEAR(noiseIn3000Hz / meanPower(noise), 0.75, 0.02);
    }
}

// Amplitude of the component of `x` at `hz` (a whole number of cycles in x.size() samples).
double toneAmplitude(std::span<const float> x, double hz, double sampleRateHz) {
    std::complex<double> acc = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        acc += static_cast<double>(x[i]) *
               std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(i) / sampleRateHz);
    }
    return 2.0 * std::abs(acc) / static_cast<double>(x.size());
}

TEST(Channel, TransmitterDistortionGivesItsIntermodulationExactly) {
    // An idle PSK31 signal is two tones at +-15.625 Hz; 256 ms windows hold whole cycles of all.
    struct Case {
        double carrierHz;
        double imdDb;
    };
    for (const Case c : {Case{1000.0, -15.0}, Case{500.0, -25.0}, Case{2500.0, -35.0}}) {
        SCOPED_TRACE(c.imdDb);
        ModulatorConfig config;
        config.carrierHz = c.carrierHz;
        config.amplitude = 0.3;
        Modulator modulator(config);
        modulator.queueIdle(200);
        std::vector<float> x(16384);
        modulator.process(x);
        TransmitterDistortion distortion(c.imdDb, config.amplitude);
        distortion.process(x);
        const std::span<const float> settled = std::span<const float>(x).subspan(8192, 4096);
        const double tone = toneAmplitude(settled, c.carrierHz - 15.625, 8000.0);
        const double product = toneAmplitude(settled, c.carrierHz - 46.875, 8000.0);
        EXPECT_NEAR(tone, config.amplitude / 2.0, 1e-3);  // the tones keep their level
        EXPECT_NEAR(20.0 * std::log10(product / tone), c.imdDb, 0.05);
        EXPECT_NEAR(toneAmplitude(settled, c.carrierHz + 46.875, 8000.0), product, 1e-3 * tone);
        // Nothing around three times the carrier.
        EXPECT_LT(toneAmplitude(settled, std::fmod(3.0 * c.carrierHz, 8000.0) - 15.625, 8000.0),
                  1e-3 * tone);
    }
    EXPECT_THROW(TransmitterDistortion(0.0, 1.0), std::invalid_argument);
    EXPECT_THROW(TransmitterDistortion(NAN, 1.0), std::invalid_argument);
    EXPECT_THROW(TransmitterDistortion(-20.0, 0.0), std::invalid_argument);
}

TEST(Channel, HarmonicDistortionGivesItsThirdHarmonicExactlyWithTheCarriersPhaseTimesThree) {
    struct Case {
        double carrierHz;
        double harmonicDb;
    };
    for (const Case c : {Case{700.0, -30.0}, Case{1000.0, -20.0}, Case{1250.0, -10.0}}) {
        SCOPED_TRACE(c.harmonicDb);
        ModulatorConfig config;
        config.carrierHz = c.carrierHz;
        config.amplitude = 0.3;
        Modulator modulator(config);
        // A steady carrier, one reversal, a steady carrier again.
        modulator.queueBits(std::string(70, '1') + "0" + std::string(70, '1'));
        std::vector<float> x(static_cast<std::size_t>(141 * kSamplesPerSymbol));
        modulator.process(x);
        HarmonicDistortion(c.harmonicDb, config.amplitude).process(x);
        // Windows of whole cycles of the carrier and the harmonic.
        const auto before = std::span<const float>(x).subspan(2048, 4000);
        const auto after = std::span<const float>(x).subspan(x.size() - 4000, 4000);
        const double carrier = toneAmplitude(before, c.carrierHz, 8000.0);
        EXPECT_NEAR(carrier, config.amplitude, 1e-3);  // the carrier keeps its level
        EXPECT_NEAR(20.0 * std::log10(toneAmplitude(before, 3.0 * c.carrierHz, 8000.0) / carrier),
                    c.harmonicDb, 0.05);
        // The harmonic reverses with the carrier: BPSK31 of the same bits.
        const auto phaseOf = [](std::span<const float> s, double hz) {
            std::complex<double> acc = 0.0;
            for (std::size_t i = 0; i < s.size(); ++i) {
                acc += static_cast<double>(s[i]) *
                       std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(i) / 8000.0);
            }
            return acc;
        };
        const std::size_t offset = x.size() - 4000 - 2048;
        const std::complex<double> turn =
            phaseOf(after, 3.0 * c.carrierHz) / phaseOf(before, 3.0 * c.carrierHz) *
            std::polar(1.0, -2.0 * kPi * 3.0 * c.carrierHz * static_cast<double>(offset) / 8000.0);
        EXPECT_LT(std::real(turn) / std::abs(turn), -0.99);
    }
    EXPECT_THROW(HarmonicDistortion(0.0, 1.0), std::invalid_argument);
    EXPECT_THROW(HarmonicDistortion(-20.0, NAN), std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
