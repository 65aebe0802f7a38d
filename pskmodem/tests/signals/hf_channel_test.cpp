#include "pskmodem/signals/hf_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "pskmodem/signals/channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

std::vector<Complex> tapSamples(double spreadHz, double rateHz, std::size_t count,
                                std::uint64_t seed) {
    FadingTap tap(spreadHz, rateHz, seed);
    std::vector<Complex> g(count);
    for (Complex& v : g) v = tap.next();
    return g;
}

// Normalised autocorrelation Re{E[g(n + lag) g*(n)]} / E|g|^2.
double autocorrelation(const std::vector<Complex>& g, std::size_t lag) {
    double r = 0.0;
    double r0 = 0.0;
    for (std::size_t n = 0; n + lag < g.size(); ++n) {
        r += (g[n + lag] * std::conj(g[n])).real();
        r0 += std::norm(g[n]);
    }
    return r / r0;
}

// 2 sigma of a Gaussian Doppler spectrum from its autocorrelation exp(-2 pi^2 sigma^2 tau^2).
double spreadFromAutocorrelation(double r, double lagSeconds) {
    return 2.0 * std::sqrt(-std::log(r) / (2.0 * kPi * kPi * lagSeconds * lagSeconds));
}

// Complex gain of the path from a tone at `hz` to the output, by least squares on cos and sin
// after the first `skip` samples, allowing for the channel's delay.
Complex measuredGain(WattersonChannel& channel, double hz, std::size_t count, std::size_t skip) {
    const double rate = channel.config().sampleRateHz;
    std::vector<float> in(count);
    for (std::size_t n = 0; n < count; ++n) {
        in[n] = static_cast<float>(std::cos(2.0 * kPi * hz * static_cast<double>(n) / rate));
    }
    std::vector<float> out(count);
    channel.process(in, out);
    // out[n] = Re{G e^{j w (n - d)}} = |G| cos(w (n - d) + arg G).
    const auto delay = static_cast<double>(channel.delaySamples());
    Complex acc = 0.0;
    for (std::size_t n = skip; n < count; ++n) {
        const double phase = 2.0 * kPi * hz * (static_cast<double>(n) - delay) / rate;
        acc += static_cast<double>(out[n]) * std::polar(1.0, -phase);
    }
    return 2.0 * acc / static_cast<double>(count - skip);
}

// --- tap gains ------------------------------------------------------------------------------

struct SpreadCase {
    double spreadHz;
    double rateHz;
};

class FadingTapSpread : public ::testing::TestWithParam<SpreadCase> {};

TEST_P(FadingTapSpread, UnitPowerRayleighWithGaussianDopplerSpectrum) {
    const auto [spread, rate] = GetParam();
    // About 3000 correlation times of the process.
    const auto count = static_cast<std::size_t>(3000.0 / spread * rate);
    const std::vector<Complex> g = tapSamples(spread, rate, count, 7);

    double power = 0.0;
    double re2 = 0.0;
    double reIm = 0.0;
    std::size_t faded = 0;  // |g|^2 below 0.1: probability 1 - exp(-0.1) for Rayleigh
    for (const Complex& v : g) {
        power += std::norm(v);
        re2 += v.real() * v.real();
        reIm += v.real() * v.imag();
        if (std::norm(v) < 0.1) ++faded;
    }
    const auto n = static_cast<double>(count);
    EXPECT_NEAR(power / n, 1.0, 0.06);
    EXPECT_NEAR(re2 / power, 0.5, 0.04);  // circular: equal power in both parts
    EXPECT_NEAR(reIm / power, 0.0, 0.04);
    EXPECT_NEAR(static_cast<double>(faded) / n, 1.0 - std::exp(-0.1), 0.015);

    // The spread read off the autocorrelation at lags where it has fallen to about 0.8, 0.5
    // and 0.2: the same value at all three only if the spectrum is Gaussian.
    const double sigma = spread / 2.0;
    for (double level : {0.8, 0.5, 0.2}) {
        const double lagSeconds = std::sqrt(-std::log(level) / (2.0 * kPi * kPi)) / sigma;
        const auto lag = static_cast<std::size_t>(std::llround(lagSeconds * rate));
        const double r = autocorrelation(g, lag);
        ASSERT_GT(r, 0.0) << "level " << level;
        EXPECT_NEAR(spreadFromAutocorrelation(r, static_cast<double>(lag) / rate) / spread, 1.0,
                    0.1)
            << "level " << level;
    }
}

INSTANTIATE_TEST_SUITE_P(Spreads, FadingTapSpread,
                         ::testing::Values(SpreadCase{0.1, 20.0}, SpreadCase{0.5, 100.0},
                                           SpreadCase{1.0, 100.0},
                                           // internal rate above the output rate
                                           SpreadCase{2.0, 100.0}, SpreadCase{1.0, 1000.0}),
                         [](const ::testing::TestParamInfo<SpreadCase>& param) {
                             return "spread" +
                                    std::to_string(std::lround(param.param.spreadHz * 1000.0)) +
                                    "mHz_at" + std::to_string(std::lround(param.param.rateHz)) +
                                    "Hz";
                         });

TEST(FadingTap, SeededAndIndependentPerSeed) {
    const std::vector<Complex> a = tapSamples(1.0, 200.0, 20000, 3);
    const std::vector<Complex> b = tapSamples(1.0, 200.0, 20000, 3);
    const std::vector<Complex> c = tapSamples(1.0, 200.0, 20000, 4);
    EXPECT_EQ(a, b);
    Complex cross = 0.0;
    double pa = 0.0;
    double pc = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        cross += a[i] * std::conj(c[i]);
        pa += std::norm(a[i]);
        pc += std::norm(c[i]);
    }
    EXPECT_LT(std::abs(cross) / std::sqrt(pa * pc), 0.2);
}

TEST(FadingTap, NoSpreadIsAConstantRayleighDraw) {
    double power = 0.0;
    constexpr int kSeeds = 4000;
    for (int seed = 0; seed < kSeeds; ++seed) {
        FadingTap tap(0.0, 8000.0, static_cast<std::uint64_t>(seed));
        const Complex first = tap.current();
        for (int i = 0; i < 100; ++i) ASSERT_EQ(tap.next(), first);
        power += std::norm(first);
    }
    EXPECT_NEAR(power / kSeeds, 1.0, 0.06);
}

TEST(FadingTap, RejectsBadArguments) {
    EXPECT_THROW(FadingTap(-0.1, 8000.0, 1), std::invalid_argument);
    EXPECT_THROW(FadingTap(FadingTap::kMaxDopplerSpreadHz * 2.0, 8000.0, 1), std::invalid_argument);
    EXPECT_THROW(FadingTap(1.0, 0.0, 1), std::invalid_argument);
    EXPECT_THROW(FadingTap(std::nan(""), 8000.0, 1), std::invalid_argument);
}

// --- the two-path channel -------------------------------------------------------------------

TEST(WattersonChannel, CcirPresets) {
    const WattersonConfig good = ccirChannel(CcirChannel::Good, 5, 11025.0);
    EXPECT_DOUBLE_EQ(good.differentialDelayMs, 0.5);
    EXPECT_DOUBLE_EQ(good.dopplerSpreadHz, 0.1);
    EXPECT_EQ(good.seed, 5U);
    EXPECT_DOUBLE_EQ(good.sampleRateHz, 11025.0);
    const WattersonConfig moderate = ccirChannel(CcirChannel::Moderate);
    EXPECT_DOUBLE_EQ(moderate.differentialDelayMs, 1.0);
    EXPECT_DOUBLE_EQ(moderate.dopplerSpreadHz, 0.5);
    const WattersonConfig poor = ccirChannel(CcirChannel::Poor);
    EXPECT_DOUBLE_EQ(poor.differentialDelayMs, 2.0);
    EXPECT_DOUBLE_EQ(poor.dopplerSpreadHz, 1.0);
}

TEST(WattersonChannel, KeepsTheMeanPowerOverALongRun) {
    // A tone through the moderate and poor channels for 4000 s (at 2000 samples/s, which keeps
    // the run short; the channel's arithmetic does not depend on the rate).
    constexpr double kRate = 2000.0;
    std::vector<float> tone(2000);  // a whole number of periods of 700 Hz
    for (std::size_t n = 0; n < tone.size(); ++n) {
        tone[n] =
            static_cast<float>(0.3 * std::cos(2.0 * kPi * 700.0 * static_cast<double>(n) / kRate));
    }
    const double in = meanPower(tone);
    for (CcirChannel preset : {CcirChannel::Moderate, CcirChannel::Poor}) {
        WattersonChannel channel(ccirChannel(preset, 11, kRate));
        std::vector<float> block(tone.size());
        double out = 0.0;
        constexpr int kBlocks = 4000;
        for (int i = 0; i < kBlocks; ++i) {
            channel.process(tone, block);
            out += meanPower(block);
        }
        EXPECT_NEAR(out / kBlocks / in, 1.0, 0.05) << ccirChannelName(preset);
    }
}

TEST(WattersonChannel, WithoutSpreadOrDelayIsOneFixedComplexGain) {
    WattersonConfig config;
    config.differentialDelayMs = 0.0;
    config.dopplerSpreadHz = 0.0;
    config.seed = 21;
    for (double hz : {300.0, 1000.0, 2500.0, 3500.0}) {
        WattersonChannel channel(config);
        const Complex expected = (channel.pathGain(0) + channel.pathGain(1)) / std::sqrt(2.0);
        const Complex gain = measuredGain(channel, hz, 16000, 2000);
        EXPECT_LT(std::abs(gain - expected), 0.01 * std::abs(expected)) << hz << " Hz";
    }
}

TEST(WattersonChannel, AVerySmallSpreadIsNearlyFixed) {
    WattersonConfig config;
    config.differentialDelayMs = 0.0;
    config.dopplerSpreadHz = 1e-4;
    WattersonChannel channel(config);
    // The complex gain measured one second apart, ten seconds into the run.
    std::vector<Complex> gains;
    for (int i = 0; i < 10; ++i) gains.push_back(measuredGain(channel, 1000.0, 8000, 1000));
    for (std::size_t i = 1; i < gains.size(); ++i) {
        EXPECT_LT(std::abs(gains[i] - gains[0]), 0.01 * std::abs(gains[0])) << i;
    }
}

TEST(WattersonChannel, SecondPathArrivesLaterByTheDelay) {
    // Frozen paths: the response at f is (g0 + g1 e^{-j 2 pi f D}) / sqrt(2). At 11025 Hz a
    // 1 ms delay is a fractional number of samples.
    for (double rate : {8000.0, 11025.0}) {
        for (double delayMs : {0.5, 1.0, 2.0}) {
            WattersonConfig config;
            config.differentialDelayMs = delayMs;
            config.dopplerSpreadHz = 0.0;
            config.sampleRateHz = rate;
            config.seed = 8;
            for (double hz : {400.0, 1250.0, 2000.0, 2900.0}) {
                WattersonChannel channel(config);
                const Complex expected =
                    (channel.pathGain(0) +
                     channel.pathGain(1) * std::polar(1.0, -2.0 * kPi * hz * delayMs * 1e-3)) /
                    std::sqrt(2.0);
                const Complex gain = measuredGain(channel, hz, static_cast<std::size_t>(rate), 500);
                const double scale =
                    (std::abs(channel.pathGain(0)) + std::abs(channel.pathGain(1))) /
                    std::sqrt(2.0);
                EXPECT_LT(std::abs(gain - expected), 0.01 * scale)
                    << rate << " Hz rate, " << delayMs << " ms, " << hz << " Hz";
            }
        }
    }
}

TEST(WattersonChannel, StreamsInAnyBlockSizeAndResetsToTheSameRealisation) {
    const WattersonConfig config = ccirChannel(CcirChannel::Moderate, 4, 11025.0);
    std::vector<float> in(30000);
    NoiseSource(0.2, 5).add(in);

    WattersonChannel whole(config);
    std::vector<float> expected(in.size());
    whole.process(in, expected);

    WattersonChannel pieces(config);
    std::vector<float> out(in.size());
    std::size_t at = 0;
    std::size_t chunk = 1;
    while (at < in.size()) {
        const std::size_t n = std::min(chunk, in.size() - at);
        pieces.process(std::span<const float>(in).subspan(at, n),
                       std::span<float>(out).subspan(at, n));
        at += n;
        chunk = chunk * 5 % 1021 + 1;
    }
    EXPECT_EQ(out, expected);

    whole.reset();
    std::vector<float> again = in;
    whole.process(again, again);  // in place
    EXPECT_EQ(again, expected);
}

TEST(WattersonChannel, RejectsBadArguments) {
    WattersonConfig config;
    config.differentialDelayMs = -1.0;
    EXPECT_THROW(WattersonChannel{config}, std::invalid_argument);
    config.differentialDelayMs = WattersonChannel::kMaxDelayMs + 1.0;
    EXPECT_THROW(WattersonChannel{config}, std::invalid_argument);
    config = WattersonConfig{};
    config.sampleRateHz = 0.0;
    EXPECT_THROW(WattersonChannel{config}, std::invalid_argument);
    config = WattersonConfig{};
    config.dopplerSpreadHz = -1.0;
    EXPECT_THROW(WattersonChannel{config}, std::invalid_argument);

    WattersonChannel channel(WattersonConfig{});
    std::vector<float> in(10);
    std::vector<float> out(9);
    EXPECT_THROW(channel.process(in, out), std::invalid_argument);
}

// --- QSB ------------------------------------------------------------------------------------

TEST(Qsb, DepthAndPeriodAsConfigured) {
    QsbConfig config;
    config.depthDb = 20.0;
    config.periodSeconds = 15.0;
    config.sampleRateHz = 1000.0;
    Qsb qsb(config);
    std::vector<float> level(60000, 0.5f);  // 60 s
    qsb.process(level, level);

    std::vector<double> db(level.size());
    for (std::size_t i = 0; i < level.size(); ++i) {
        db[i] = 20.0 * std::log10(static_cast<double>(level[i]) / 0.5);
    }
    const auto [lo, hi] = std::minmax_element(db.begin(), db.end());
    EXPECT_NEAR(*hi - *lo, 20.0, 0.01);
    EXPECT_NEAR(*hi, 10.0, 0.01);  // symmetric about the nominal level

    // Period from the upward crossings of the nominal level.
    std::vector<double> crossings;
    for (std::size_t i = 1; i < db.size(); ++i) {
        if (db[i - 1] < 0.0 && db[i] >= 0.0) crossings.push_back(static_cast<double>(i) / 1000.0);
    }
    ASSERT_GE(crossings.size(), 3U);
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        EXPECT_NEAR(crossings[i] - crossings[i - 1], 15.0, 0.01);
    }

    // The sine in dB spends half its time below the nominal level, 1/3 of it more than
    // depth/4 below.
    const auto below =
        static_cast<double>(std::count_if(db.begin(), db.end(), [](double v) { return v < -5.0; }));
    EXPECT_NEAR(below / static_cast<double>(db.size()), 1.0 / 3.0, 0.01);

    EXPECT_THROW(Qsb(QsbConfig{.depthDb = -1.0}), std::invalid_argument);
    EXPECT_THROW(Qsb(QsbConfig{.periodSeconds = 0.0}), std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
