#include "pskmodem/signals/testsignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>

#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/channel.h"

namespace pskmodem {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(RandomText, HasTheRequestedLengthAndIsReadable) {
    for (std::size_t chars : {0u, 1u, 57u, 3000u}) {
        const std::string text = randomText(chars, 8);
        EXPECT_EQ(text.size(), chars);
        for (char c : text) {
            const bool printable = c >= 32 && c <= 126;
            EXPECT_TRUE(printable || c == '\r' || c == '\n') << static_cast<int>(c);
        }
    }
    const std::string text = randomText(3000, 8);
    EXPECT_EQ(text, randomText(3000, 8));
    EXPECT_NE(text, randomText(3000, 9));
    // Mostly letters and blanks, with words, line breaks, numbers and call signs.
    const auto count = [&](auto predicate) {
        return std::count_if(text.begin(), text.end(), predicate);
    };
    EXPECT_GT(count([](char c) { return c == ' '; }), 300);
    EXPECT_GT(count([](char c) { return c == '\n'; }), 3);
    EXPECT_GT(count([](char c) { return c >= '0' && c <= '9'; }), 20);
    EXPECT_NE(text.find(" Q"), std::string::npos);
    // Every line break is CR LF.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r');
        }
    }
}

TEST(TestSignal, IsDeterministicAndHasTheExpectedShape) {
    TestSignalConfig config;
    config.textChars = 40;
    config.leadNoiseSeconds = 0.5;
    const TestSignal a = makeTestSignal(config);
    const TestSignal b = makeTestSignal(config);
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_EQ(a.text, randomText(40, config.seed));
    EXPECT_EQ(a.transmissionStartSample, 4000u);

    std::size_t bits = 0;
    for (char c : a.text) bits += varicodeBits(static_cast<std::uint8_t>(c)).size() + 2;
    EXPECT_EQ(a.samples.size(), 4000u + (bits + 64u) * 256u);
    EXPECT_NEAR(std::sqrt(meanPower(a.samples)), 0.1, 0.01);

    config.seed = 2;
    EXPECT_NE(makeTestSignal(config).samples, a.samples);
}

TEST(TestSignal, NoiseMatchesTheSnrAndCoversTheLead) {
    for (double snrDb : {-10.0, 5.0}) {
        TestSignalConfig config;
        config.text = "the quick brown fox jumps over the lazy dog";
        config.snrDb = snrDb;
        config.leadNoiseSeconds = 2.0;
        const TestSignal s = makeTestSignal(config);
        config.noise = false;
        const TestSignal clean = makeTestSignal(config);
        // Scaling differs with and without noise; compare the clean transmission's power.
        const std::span<const float> lead(s.samples.data(), s.transmissionStartSample);
        const double expectedNoisePower =
            s.signalPower / std::pow(10.0, snrDb / 10.0) * 4000.0 / 3000.0;
        EXPECT_NEAR(10.0 * std::log10(meanPower(lead) / expectedNoisePower), 0.0, 0.2);
        const std::span<const float> cleanLead(clean.samples.data(), clean.transmissionStartSample);
        EXPECT_EQ(meanPower(cleanLead), 0.0);
        const std::span<const float> cleanTx(clean.samples.data() + clean.transmissionStartSample,
                                             clean.samples.size() - clean.transmissionStartSample);
        EXPECT_NEAR(meanPower(cleanTx), clean.signalPower, 1e-9);
    }
}

// Frequency of the idle tone pair's centre, from the phase advance of the carrier.
double idleCentreHz(std::span<const float> x, double sampleRateHz) {
    // Squaring idle (cos(pi t/T) cos(wt)) gives a line at twice the carrier; find its peak.
    double bestHz = 0.0;
    double bestPower = -1.0;
    for (double f = 1800.0; f <= 2200.0; f += 0.25) {
        std::complex<double> acc = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double v = static_cast<double>(x[i]);
            acc += v * v * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(i) / sampleRateHz);
        }
        if (std::norm(acc) > bestPower) {
            bestPower = std::norm(acc);
            bestHz = f / 2.0;
        }
    }
    return bestHz;
}

TEST(TestSignal, DriftMovesTheCarrier) {
    TestSignalConfig config;
    config.text = "e";
    config.noise = false;
    config.leadIdle = 0;
    config.tailIdle = 320;  // about 10 s of idle
    config.driftHzPerSecond = 2.0;
    const TestSignal s = makeTestSignal(config);
    const std::size_t second = 8000;
    const std::span<const float> start(s.samples.data(), 4000);
    const std::span<const float> late(s.samples.data() + 9 * second, 4000);
    EXPECT_NEAR(idleCentreHz(start, 8000.0), 1000.5, 0.6);
    EXPECT_NEAR(idleCentreHz(late, 8000.0), 1018.5, 0.6);
}

}  // namespace
}  // namespace pskmodem
