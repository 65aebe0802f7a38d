#include "pskmodem/signals/simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "pskmodem/signals/channel.h"

namespace pskmodem {
namespace {

constexpr double kPi = std::numbers::pi;

// Power within +-halfWidthHz of centreHz, by a direct DFT of Hann-windowed 2048-sample blocks.
double powerAround(std::span<const float> x, double centreHz, double halfWidthHz) {
    constexpr std::size_t kBlock = 2048;
    const double binHz = 8000.0 / kBlock;
    double sum = 0.0;
    std::size_t blocks = 0;
    for (std::size_t start = 0; start + kBlock <= x.size(); start += kBlock, ++blocks) {
        for (double f = centreHz - halfWidthHz; f <= centreHz + halfWidthHz; f += binHz) {
            std::complex<double> acc = 0.0;
            for (std::size_t i = 0; i < kBlock; ++i) {
                const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / kBlock);
                acc += w * static_cast<double>(x[start + i]) *
                       std::polar(1.0, -2.0 * kPi * f * static_cast<double>(i) / 8000.0);
            }
            sum += 2.0 * std::norm(acc) / (kBlock * kBlock * 0.375);  // Hann power gain 3/8
        }
    }
    return sum / static_cast<double>(blocks);
}

TEST(BandSimulator, SignalPowerFollowsItsSnr) {
    for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        for (Keying keying : {Keying::RaisedCosine, Keying::Hard}) {
            SimulatorConfig config;
            config.noiseRms = 0.01;
            config.signals = {{1200.0, mode, 10.0, 0.0, "CQ CQ DE QR9ZZ K "}};
            config.signals[0].keying = keying;
            BandSimulator simulator(config);
            std::vector<float> out(8000 * 30);
            simulator.generate(out);
            const std::span<const float> later(out.data() + 8000, out.size() - 8000);
            const double noisePower = 0.01 * 0.01;
            const double signalPower = meanPower(later) - noisePower;
            const double snrDb = 10.0 * std::log10(signalPower / (noisePower * 3000.0 / 4000.0));
            EXPECT_NEAR(snrDb, 10.0, 0.3) << "mode " << static_cast<int>(mode);
        }
    }
}

TEST(BandSimulator, AnOverdrivenStationSendsItsThirdHarmonic) {
    // Hard keying keeps the envelope steady, so the harmonic stands exactly its level under the
    // carrier, data or idle.
    SimulatorConfig config;
    config.noiseRms = 1e-5;
    config.signals = {{700.0, Mode::Bpsk, 60.0, 0.0, "CQ CQ DE QR9ZZ K "}};
    config.signals[0].keying = Keying::Hard;
    config.signals[0].harmonicDb = -20.0;
    BandSimulator simulator(config);
    std::vector<float> out(8000 * 3);
    simulator.generate(out);
    const std::span<const float> later(out.data() + 8000, out.size() - 8000);
    const double ratioDb =
        10.0 * std::log10(powerAround(later, 2100.0, 100.0) / powerAround(later, 700.0, 100.0));
    EXPECT_NEAR(ratioDb, -20.0, 0.5);
    // Its harmonic must fit below half the sample rate.
    config.signals[0].carrierHz = 1400.0;
    EXPECT_THROW(BandSimulator{config}, std::invalid_argument);
}

TEST(BandSimulator, IsDeterministicWhateverTheBlockSizes) {
    const SimulatorConfig config = demoBand();
    std::vector<float> whole(8000 * 3);
    BandSimulator(config).generate(whole);

    std::vector<float> pieces(whole.size());
    BandSimulator simulator(config);
    std::mt19937_64 rng(17);
    std::uniform_int_distribution<std::size_t> size(1, 1000);
    for (std::size_t at = 0; at < pieces.size();) {
        const std::size_t n = std::min(size(rng), pieces.size() - at);
        simulator.generate(std::span<float>(pieces.data() + at, n));
        at += n;
    }
    EXPECT_EQ(pieces, whole);
}

TEST(BandSimulator, DemoBandHasItsSignalsWhereItSays) {
    const SimulatorConfig config = demoBand();
    ASSERT_GE(config.signals.size(), 4u);
    bool hasQpsk = false;
    for (const auto& signal : config.signals) {
        EXPECT_GE(signal.carrierHz, 500.0);
        EXPECT_LE(signal.carrierHz, 2500.0);
        EXPECT_GE(signal.snrDb, 3.0);
        EXPECT_LE(signal.snrDb, 20.0);
        EXPECT_FALSE(signal.text.empty());
        hasQpsk = hasQpsk || signal.mode != Mode::Bpsk;
    }
    EXPECT_TRUE(hasQpsk);

    BandSimulator simulator(config);
    std::vector<float> out(8000 * 8);
    simulator.generate(out);
    for (float v : out) ASSERT_LT(std::abs(v), 1.0f);
    // After every signal has come up, each stands out of the noise at its frequency, and a
    // quiet stretch of the band holds noise only.
    const std::span<const float> later(out.data() + 8000 * 4, 8000 * 4);
    const double quiet = powerAround(later, 2100.0, 20.0);
    for (const auto& signal : config.signals) {
        // A faster signal spreads its power over a band as many times wider.
        const double halfWidthHz = 20.0 * speedFactor(signal.speed);
        const double around = powerAround(later, signal.carrierHz, halfWidthHz);
        EXPECT_GT(10.0 * std::log10(around / (quiet * halfWidthHz / 20.0)),
                  signal.snrDb + 10.0 * std::log10(3000.0 / (2.0 * halfWidthHz)) - 4.0)
            << signal.carrierHz;
    }
}

TEST(BandSimulator, DriftStaysWithinItsLimit) {
    SimulatorConfig config;
    config.signals = {{1000.0, Mode::Bpsk, 20.0, 20.0, "e"}};  // fast drift, 20 Hz/s
    BandSimulator simulator(config);
    std::vector<float> out(8000 * 6);
    simulator.generate(out);
    // The carrier rises to +25 Hz at 1.25 s, turns back and passes its centre again at 2.5 s
    // (a drift that never turned would be at +50 Hz by then).
    const std::span<const float> around2500ms(out.data() + 8000 * 2 + 2000, 4096);
    EXPECT_GT(powerAround(around2500ms, 1000.0, 30.0),
              10.0 * powerAround(around2500ms, 1050.0, 15.0));
}

TEST(BandSimulator, RunsMuchFasterThanRealTime) {
    BandSimulator simulator(demoBand());
    std::vector<float> out(8000 * 10);
    const auto start = std::chrono::steady_clock::now();
    simulator.generate(out);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);  // 10 s of band; generous for sanitizer builds
}

TEST(BandSimulator, RejectsInvalidConfiguration) {
    SimulatorConfig config;
    config.noiseRms = 0.0;
    EXPECT_THROW(BandSimulator{config}, std::invalid_argument);
    config = {};
    config.signals = {{5000.0, Mode::Bpsk, 10.0, 0.0, "x"}};
    EXPECT_THROW(BandSimulator{config}, std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
