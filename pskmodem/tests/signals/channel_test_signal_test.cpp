#include "pskmodem/signals/channel_test_signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>
#include <vector>

#include "pskmodem/dsp/resampler.h"
#include "pskmodem/signals/channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
using Content = ChannelTestConfig::Content;
constexpr double kPi = std::numbers::pi;

double db(double ratio) {
    return 10.0 * std::log10(ratio);
}

// Mean power of consecutive windows of `window` samples.
std::vector<double> windowPowers(std::span<const float> x, std::size_t window) {
    std::vector<double> powers;
    for (std::size_t at = 0; at + window <= x.size(); at += window) {
        powers.push_back(meanPower(x.subspan(at, window)));
    }
    return powers;
}

// Envelope of a carrier at `hz` around sample `at`: the signal mixed to 0 Hz and averaged over
// 32 samples, which at 8000 samples/s and 1000 Hz removes the 2000 Hz product exactly.
double envelope(std::span<const float> x, double hz, std::size_t at) {
    Complex sum = 0.0;
    for (std::size_t n = at - 16; n < at + 16; ++n) {
        sum += static_cast<double>(x[n]) *
               std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / kSampleRateHz);
    }
    return 2.0 * std::abs(sum) / 32.0;
}

std::vector<float> resampleTo8k(std::span<const float> in, double rateHz) {
    Resampler resampler(rateHz, kSampleRateHz, 0.0, 4096);
    std::vector<float> out;
    for (std::size_t at = 0; at < in.size(); at += 4096) {
        const auto part =
            resampler.process(in.subspan(at, std::min<std::size_t>(4096, in.size() - at)));
        out.insert(out.end(), part.begin(), part.end());
    }
    for (auto part = resampler.flush(); !part.empty(); part = resampler.flush()) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

TEST(ChannelTestSignal, SnrIsQuotedOnTheUnfadedTransmission) {
    // The lead holds only noise; its power over the transmission's fixes the SNR, whatever the
    // fading and QSB do to the transmission afterwards.
    for (int path = 0; path < 3; ++path) {
        ChannelTestConfig config;
        config.snrDb = -5.0;
        config.textChars = 60;
        config.leadNoiseSeconds = 20.0;
        config.seed = 3;
        if (path == 1) config.fading = ccirChannel(CcirChannel::Poor);
        if (path == 2) config.qsb = QsbConfig{};
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const double leadPower =
            meanPower(std::span<const float>(signal.samples).first(signal.transmissionStartSample));
        EXPECT_NEAR(db(signal.signalPower / (leadPower * 3000.0 / 4000.0)), -5.0, 0.1) << path;
        EXPECT_NEAR(signal.noiseRms * signal.noiseRms / leadPower, 1.0, 0.02) << path;
    }

    // Without noise and fading, signalPower is the transmission's own mean power, and the whole
    // comes out at the requested level.
    ChannelTestConfig clean;
    clean.noise = false;
    clean.textChars = 60;
    clean.levelRms = 0.2;
    const ChannelTestSignal signal = makeChannelTestSignal(clean);
    const std::span<const float> transmission =
        std::span<const float>(signal.samples)
            .subspan(signal.transmissionStartSample,
                     signal.transmissionEndSample - signal.transmissionStartSample);
    EXPECT_NEAR(meanPower(transmission) / signal.signalPower, 1.0, 1e-4);
    EXPECT_NEAR(std::sqrt(meanPower(signal.samples)), 0.2, 1e-4);
    EXPECT_EQ(signal.samples.size(), signal.transmissionEndSample);
}

TEST(ChannelTestSignal, FadingAndQsbShapeTheEnvelope) {
    ChannelTestConfig config;
    config.content = Content::Carrier;
    config.durationSeconds = 60.0;
    config.noise = false;

    // A steady carrier stays steady without a path.
    {
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const std::vector<double> p = windowPowers(signal.samples, 4000);
        const auto [lo, hi] = std::minmax_element(p.begin() + 1, p.end());
        EXPECT_LT(db(*hi / *lo), 0.05);
    }
    // The poor channel fades it deeply, and a different seed fades it differently.
    {
        config.fading = ccirChannel(CcirChannel::Poor);
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const std::vector<double> p = windowPowers(signal.samples, 400);
        const auto [lo, hi] = std::minmax_element(p.begin() + 1, p.end());
        EXPECT_GT(db(*hi / *lo), 15.0);
        config.seed = 2;
        EXPECT_NE(makeChannelTestSignal(config).samples, signal.samples);
        config.fading.reset();
    }
    // QSB: 20 dB from peak to trough, every 15 s.
    {
        config.qsb = QsbConfig{.depthDb = 20.0, .periodSeconds = 15.0};
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const std::vector<double> p = windowPowers(signal.samples, 80);  // 10 ms
        const auto [lo, hi] = std::minmax_element(p.begin() + 5, p.end());
        EXPECT_NEAR(db(*hi / *lo), 20.0, 0.1);
        const double mid = std::sqrt(*hi * *lo);
        std::vector<double> rises;
        for (std::size_t i = 5; i < p.size(); ++i) {
            if (p[i - 1] < mid && p[i] >= mid) rises.push_back(static_cast<double>(i) * 0.01);
        }
        ASSERT_EQ(rises.size(), 3U);  // at 15, 30 and 45 s
        for (std::size_t i = 1; i < rises.size(); ++i)
            EXPECT_NEAR(rises[i] - rises[i - 1], 15.0, 0.02);
    }
}

TEST(ChannelTestSignal, InterfererSitsAtItsOffsetAndLevel) {
    ChannelTestConfig config;
    config.content = Content::Nothing;
    config.durationSeconds = 30.0;
    config.snrDb = -10.0;
    config.interferer =
        ChannelTestConfig::Interferer{.mode = Mode::Bpsk, .offsetHz = 60.0, .levelDb = 20.0};
    // Its power over the noise in 3000 Hz is the SNR plus its level.
    {
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const double noisePower = signal.noiseRms * signal.noiseRms;
        const double interference = meanPower(signal.samples) - noisePower;
        EXPECT_NEAR(db(interference / (noisePower * 3000.0 / 4000.0)), 10.0, 0.1);
    }
    // Its spectrum is centred on the carrier plus the offset.
    {
        config.noise = false;
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        double weighted = 0.0;
        double total = 0.0;
        const std::span<const float> x(signal.samples);
        for (double hz = 900.0; hz <= 1220.0; hz += 1.0) {
            Complex acc = 0.0;
            for (std::size_t n = 0; n < 80000; ++n) {  // the first 10 s
                acc += static_cast<double>(x[n]) *
                       std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / kSampleRateHz);
            }
            weighted += hz * std::norm(acc);
            total += std::norm(acc);
        }
        EXPECT_NEAR(weighted / total, 1060.0, 2.0);
    }
    // Beside a transmission: 20 dB above the transmission's mean power.
    {
        ChannelTestConfig both;
        both.noise = false;
        both.textChars = 100;
        both.interferer = config.interferer;
        const ChannelTestSignal signal = makeChannelTestSignal(both);
        EXPECT_NEAR(db(meanPower(signal.samples) / signal.signalPower - 1.0), 20.0, 0.1);
    }
}

TEST(ChannelTestSignal, CarrierAndPureNoise) {
    ChannelTestConfig config;
    config.content = Content::Carrier;
    config.carrierHz = 1500.0;
    config.durationSeconds = 5.0;
    config.noise = false;
    {
        // Steady after its first symbol; 1500 Hz from its zero crossings.
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        ASSERT_EQ(signal.samples.size(), 40000U);
        EXPECT_TRUE(signal.text.empty());
        const auto peak = [&](std::size_t at) {
            return *std::max_element(
                signal.samples.begin() + static_cast<std::ptrdiff_t>(at),
                signal.samples.begin() + static_cast<std::ptrdiff_t>(at + 256));
        };
        for (std::size_t at = 512; at + 256 <= signal.samples.size(); at += 256) {
            EXPECT_NEAR(peak(at) / peak(256), 1.0, 0.005) << at;
        }
        std::size_t crossings = 0;
        for (std::size_t i = 1; i < signal.samples.size(); ++i) {
            if (signal.samples[i - 1] < 0.0f && signal.samples[i] >= 0.0f) ++crossings;
        }
        EXPECT_NEAR(static_cast<double>(crossings), 1500.0 * 5.0, 2.0);
    }
    {
        config.content = Content::Nothing;
        config.noise = true;
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        EXPECT_EQ(signal.signalPower, 0.0);
        EXPECT_DOUBLE_EQ(signal.noiseRms, config.levelRms);
        EXPECT_NEAR(std::sqrt(meanPower(signal.samples)), config.levelRms, 0.002);
        config.noise = false;
        const ChannelTestSignal silence = makeChannelTestSignal(config);
        EXPECT_EQ(std::count(silence.samples.begin(), silence.samples.end(), 0.0f), 40000);
    }
}

TEST(ChannelTestSignal, CharacterEndsFallOnTheSecondZeroOfTheGap) {
    // Varicode characters begin and end with a one (steady carrier) and are followed by two
    // zeros (reversals, whose envelope passes through zero half a symbol before the phase
    // point). So around a character's end e: reversals at e - 128 and e - 384, a steady carrier
    // at e - 640, and a steady carrier again at e + 128 when another character follows.
    for (double ppm : {0.0, 1000.0, -1000.0}) {
        ChannelTestConfig config;
        config.noise = false;
        config.textChars = 120;
        config.clockErrorPpm = ppm;
        config.leadNoiseSeconds = 0.7;
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        ASSERT_EQ(signal.characterEndSamples.size(), signal.text.size());
        const double full = envelope(signal.samples, 1000.0, signal.transmissionStartSample + 4000);
        const std::vector<std::size_t>& ends = signal.characterEndSamples;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            const std::size_t e = ends[i];
            EXPECT_LT(envelope(signal.samples, 1000.0, e - 128), 0.15 * full) << ppm << " " << i;
            EXPECT_LT(envelope(signal.samples, 1000.0, e - 384), 0.15 * full) << ppm << " " << i;
            EXPECT_GT(envelope(signal.samples, 1000.0, e - 640), 0.95 * full) << ppm << " " << i;
            if (i + 1 < ends.size()) {
                EXPECT_GT(envelope(signal.samples, 1000.0, e + 128), 0.95 * full)
                    << ppm << " " << i;
            }
        }
        EXPECT_LT(ends.back(), signal.transmissionEndSample);
    }
}

TEST(ChannelTestSignal, SoundCardRatesCarryTheSameSignal) {
    ChannelTestConfig config;
    // Without noise: white noise reaches the 8 kHz signal's band edge, where any converter
    // has to cut, so it would not come back sample for sample.
    config.textChars = 40;
    config.noise = false;
    config.leadNoiseSeconds = 1.0;
    config.fading = ccirChannel(CcirChannel::Moderate);
    const ChannelTestSignal at8k = makeChannelTestSignal(config);
    EXPECT_EQ(makeChannelTestSignal(config).samples, at8k.samples);
    for (double rate : {11025.0, 44100.0, 48000.0}) {
        config.outputRateHz = rate;
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const double ratio = rate / kSampleRateHz;
        EXPECT_EQ(signal.sampleRateHz, rate);
        EXPECT_NEAR(static_cast<double>(signal.samples.size()),
                    static_cast<double>(at8k.samples.size()) * ratio, 1.0);
        EXPECT_EQ(signal.transmissionStartSample,
                  static_cast<std::size_t>(std::llround(8000.0 * ratio)));
        EXPECT_NEAR(static_cast<double>(signal.characterEndSamples[5]),
                    static_cast<double>(at8k.characterEndSamples[5]) * ratio, 0.5);

        // Back at 8000 samples/s it is the 8 kHz signal, sample for sample, away from the ends.
        const std::vector<float> back = resampleTo8k(signal.samples, rate);
        ASSERT_GE(back.size(), at8k.samples.size() - 1);
        double error = 0.0;
        double power = 0.0;
        for (std::size_t n = 200; n + 200 < at8k.samples.size(); ++n) {
            const double d = static_cast<double>(back[n]) - static_cast<double>(at8k.samples[n]);
            error += d * d;
            power += static_cast<double>(at8k.samples[n]) * static_cast<double>(at8k.samples[n]);
        }
        EXPECT_LT(error / power, 1e-4) << rate;
    }
}

TEST(ChannelTestSignal, RejectsBadConfigurations) {
    const auto bad = [](auto change) {
        ChannelTestConfig config;
        change(config);
        return config;
    };
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) { c.snrDb = std::nan(""); })),
                 std::invalid_argument);
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) { c.leadNoiseSeconds = -1.0; })),
                 std::invalid_argument);
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) { c.levelRms = 0.0; })),
                 std::invalid_argument);
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) { c.outputRateHz = 10.0; })),
                 std::invalid_argument);
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) { c.carrierHz = 5000.0; })),
                 std::invalid_argument);
    EXPECT_THROW(makeChannelTestSignal(bad([](auto& c) {
                     c.interferer = ChannelTestConfig::Interferer{.offsetHz = 3500.0};
                 })),
                 std::invalid_argument);
}

}  // namespace
}  // namespace pskmodem
