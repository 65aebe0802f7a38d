#include "pskmodem/dsp/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "support/tones.h"

namespace pskmodem {
namespace {

using test_support::sineTone;

// Feeds `in` through the resampler in blocks of `block` samples and flushes it at the end.
std::vector<float> resampleAll(Resampler& resampler, const std::vector<float>& in,
                               std::size_t block) {
    std::vector<float> out;
    for (std::size_t pos = 0; pos < in.size(); pos += block) {
        const std::size_t n = std::min(block, in.size() - pos);
        const auto chunk = resampler.process(std::span<const float>(in).subspan(pos, n));
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    for (auto tail = resampler.flush(); !tail.empty(); tail = resampler.flush()) {
        out.insert(out.end(), tail.begin(), tail.end());
    }
    return out;
}

// Measures the frequency of a tone near `nominalHz` in 8 kHz audio: mixes it to 0 Hz, takes the
// phase of 20 ms blocks (a whole number of cycles at the nominal frequency, so the mixing
// product at twice the frequency cancels) and fits a line through the unwrapped phases.
double measureFrequencyHz(std::span<const float> samples, double nominalHz) {
    constexpr std::size_t kBlock = 160;
    const double w = 2.0 * std::numbers::pi * nominalHz / 8000.0;
    std::vector<double> phases;
    for (std::size_t start = 0; start + kBlock <= samples.size(); start += kBlock) {
        std::complex<double> sum;
        for (std::size_t n = start; n < start + kBlock; ++n) {
            sum += static_cast<double>(samples[n]) * std::polar(1.0, -w * static_cast<double>(n));
        }
        double phase = std::arg(sum);
        if (!phases.empty()) {
            while (phase - phases.back() > std::numbers::pi) phase -= 2.0 * std::numbers::pi;
            while (phase - phases.back() < -std::numbers::pi) phase += 2.0 * std::numbers::pi;
        }
        phases.push_back(phase);
    }
    const auto count = static_cast<double>(phases.size());
    double meanX = 0.0, meanY = 0.0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        meanX += static_cast<double>(i);
        meanY += phases[i];
    }
    meanX /= count;
    meanY /= count;
    double sxy = 0.0, sxx = 0.0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        sxy += (static_cast<double>(i) - meanX) * (phases[i] - meanY);
        sxx += (static_cast<double>(i) - meanX) * (static_cast<double>(i) - meanX);
    }
    const double radiansPerBlock = sxy / sxx;
    const double offsetHz = radiansPerBlock / (2.0 * std::numbers::pi) * (8000.0 / kBlock);
    return nominalHz + offsetHz;
}

struct Case {
    double inputRateHz;
    double clockPpm;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.inputRateHz << " Hz, " << c.clockPpm << " ppm";
}

class ResamplerToneTest : public ::testing::TestWithParam<Case> {};

// A 1000 Hz tone keeps its level through the conversion, and its frequency moves by exactly the
// clock correction; the number of output samples follows the corrected rate ratio.
TEST_P(ResamplerToneTest, ToneKeepsLevelAndMovesByTheClockCorrection) {
    const auto [rateHz, ppm] = GetParam();
    constexpr double kAmplitude = 0.5;
    constexpr double kSeconds = 3.0;
    const std::vector<float> in =
        sineTone(static_cast<std::size_t>(kSeconds * rateHz), 1000.0, rateHz, kAmplitude);

    Resampler resampler(rateHz, 8000.0, ppm, 4096);
    // Odd block sizes, as a sound card delivers them.
    const std::vector<float> out = resampleAll(resampler, in, 1001);

    const double expectedCount =
        static_cast<double>(in.size()) * 8000.0 / (rateHz * (1 + ppm * 1e-6));
    EXPECT_NEAR(static_cast<double>(out.size()), expectedCount, 4.0);

    // Leave out the filter's start and end transients.
    const auto settled = std::span<const float>(out).subspan(800, out.size() - 1600);
    const double expectedHz = 1000.0 * (1.0 + ppm * 1e-6);
    EXPECT_NEAR(measureFrequencyHz(settled, 1000.0), expectedHz, 0.01)
        << "rate " << rateHz << " ppm " << ppm;
    double power = 0.0;
    for (float v : settled) power += static_cast<double>(v) * static_cast<double>(v);
    const double amplitude = std::sqrt(2.0 * power / static_cast<double>(settled.size()));
    EXPECT_NEAR(20.0 * std::log10(amplitude / kAmplitude), 0.0, 0.05) << "level in dB";
}

INSTANTIATE_TEST_SUITE_P(Rates, ResamplerToneTest,
                         ::testing::Values(Case{44100.0, 0.0}, Case{48000.0, 0.0},
                                           Case{11025.0, 0.0}, Case{96000.0, 0.0},
                                           Case{8000.0, 1000.0}, Case{48000.0, 1000.0},
                                           Case{44100.0, -2500.0}, Case{11025.0, 5000.0},
                                           Case{48000.0, -5000.0}));

TEST(ResamplerTest, ClockCorrectionIsClampedToItsRange) {
    EXPECT_DOUBLE_EQ(Resampler(48000.0, 8000.0, 9000.0).clockPpm(), 5000.0);
    EXPECT_DOUBLE_EQ(Resampler(48000.0, 8000.0, -9000.0).clockPpm(), -5000.0);
    EXPECT_DOUBLE_EQ(Resampler(48000.0, 8000.0, std::nan("")).clockPpm(), 0.0);
}

TEST(ResamplerTest, RejectsBadRatesAndOversizedBlocks) {
    EXPECT_THROW(Resampler(0.0), std::invalid_argument);
    EXPECT_THROW(Resampler(-44100.0), std::invalid_argument);
    EXPECT_THROW(Resampler(std::nan("")), std::invalid_argument);
    Resampler resampler(44100.0, 8000.0, 0.0, 256);
    std::vector<float> big(257, 0.0f);
    EXPECT_THROW(resampler.process(big), std::length_error);
    EXPECT_NO_THROW(resampler.process(std::span<const float>(big).first(256)));
}

// The output does not depend on how the input was cut into blocks, and reset() or a flush
// starts an identical fresh stream.
TEST(ResamplerTest, BlockingDoesNotChangeTheOutputAndStreamsRestartCleanly) {
    const std::vector<float> in = sineTone(44100, 1234.5, 44100.0, 0.3);
    Resampler resampler(44100.0, 8000.0, 0.0, 8192);
    const std::vector<float> inOneGo = resampleAll(resampler, in, 8192);
    const std::vector<float> inSmallBlocks = resampleAll(resampler, in, 37);
    ASSERT_EQ(inOneGo.size(), inSmallBlocks.size());
    double maxDifference = 0.0;
    for (std::size_t i = 0; i < inOneGo.size(); ++i) {
        maxDifference = std::max(maxDifference, std::abs(static_cast<double>(inOneGo[i]) -
                                                         static_cast<double>(inSmallBlocks[i])));
    }
    EXPECT_LT(maxDifference, 1e-5);

    resampler.process(std::span<const float>(in).first(5000));
    resampler.reset();
    const std::vector<float> afterReset = resampleAll(resampler, in, 500);
    ASSERT_EQ(afterReset.size(), inOneGo.size());
    EXPECT_NEAR(afterReset[1000], inOneGo[1000], 1e-5);
}

TEST(ResamplerTest, SilenceStaysSilentAndLatencyIsSmall) {
    Resampler resampler(48000.0, 8000.0, 0.0, 4800);
    std::vector<float> zeros(4800, 0.0f);
    std::size_t produced = 0;
    for (int i = 0; i < 10; ++i) {
        for (float v : resampler.process(zeros)) {
            ASSERT_EQ(v, 0.0f);
            ++produced;
        }
    }
    // One second in: nearly all of it is out; what is held back (filter delay and the
    // converter's block) stays under 75 ms.
    EXPECT_GT(produced, 8000u - 600u);
    EXPECT_LT(resampler.delaySamples(), 600.0);
}

}  // namespace
}  // namespace pskmodem
