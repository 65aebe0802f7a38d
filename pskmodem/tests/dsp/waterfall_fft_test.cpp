#include "pskmodem/dsp/waterfall_fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace pskmodem {
namespace {

constexpr double kBinHz = 8000.0 / WaterfallFft::kFftSize;
using Levels = std::array<std::int32_t, WaterfallFft::kBins>;

// Feeds `in` in one call per frame and returns every frame produced.
std::vector<Levels> feed(WaterfallFft& spectrum, std::span<const float> in) {
    std::vector<Levels> frames;
    while (!in.empty()) {
        const std::size_t used = spectrum.consume(in);
        in = in.subspan(used);
        if (spectrum.frameReady()) {
            frames.push_back(spectrum.levels());
        }
    }
    return frames;
}

std::vector<float> whiteNoise(std::size_t count, double rms, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, rms);
    std::vector<float> out(count);
    for (float& x : out) {
        x = static_cast<float>(gauss(rng));
    }
    return out;
}

std::vector<float> tone(std::size_t count, double hz, double amplitude) {
    std::vector<float> out(count);
    for (std::size_t n = 0; n < count; ++n) {
        out[n] = static_cast<float>(
            amplitude * std::cos(2.0 * std::numbers::pi * hz * static_cast<double>(n) / 8000.0));
    }
    return out;
}

// A BPSK31 signal with random data: the carrier's amplitude follows a cosine through zero at
// every phase reversal, as PSK31 shapes it. Unit average power is not guaranteed; callers scale.
std::vector<float> bpsk31(std::size_t count, double carrierHz, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<float> out(count);
    double previous = 1.0;
    double current = 1.0;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t inSymbol = n % 256;
        if (inSymbol == 0) {
            previous = current;
            current = (rng() & 1U) != 0 ? -previous : previous;
        }
        const double t = static_cast<double>(inSymbol) / 256.0;
        const double envelope =
            previous == current ? current : previous * std::cos(std::numbers::pi * t);
        out[n] = static_cast<float>(envelope * std::cos(2.0 * std::numbers::pi * carrierHz *
                                                        static_cast<double>(n) / 8000.0));
    }
    return out;
}

double meanPower(std::span<const float> x) {
    double sum = 0.0;
    for (const float v : x) {
        sum += static_cast<double>(v) * static_cast<double>(v);
    }
    return sum / static_cast<double>(x.size());
}

// White noise plus a BPSK31 signal at 1000 Hz, `snrDb` above the noise power in 3000 Hz, the
// whole scaled to an RMS of `levelDbfs` relative to a full-scale sine.
std::vector<float> band(std::size_t count, double snrDb, double levelDbfs, std::uint32_t seed) {
    std::vector<float> noise = whiteNoise(count, 1.0, seed);
    const std::vector<float> signal = bpsk31(count, 1000.0, seed + 1);
    // White noise spreads its power over 0..4000 Hz; 3000 Hz of it holds three quarters.
    const double noiseIn3kHz = meanPower(noise) * 3000.0 / 4000.0;
    const double signalGain =
        std::sqrt(noiseIn3kHz * std::pow(10.0, snrDb / 10.0) / meanPower(signal));
    std::vector<float> out(count);
    for (std::size_t n = 0; n < count; ++n) {
        out[n] = static_cast<float>(static_cast<double>(noise[n]) +
                                    signalGain * static_cast<double>(signal[n]));
    }
    const double targetRms = std::sqrt(0.5) * std::pow(10.0, levelDbfs / 20.0);
    const double scale = targetRms / std::sqrt(meanPower(out));
    for (float& x : out) {
        x = static_cast<float>(static_cast<double>(x) * scale);
    }
    return out;
}

int medianLevel(const Levels& levels, int firstBin, int lastBin) {
    std::vector<std::int32_t> part(levels.begin() + firstBin, levels.begin() + lastBin + 1);
    std::nth_element(part.begin(), part.begin() + static_cast<long>(part.size() / 2), part.end());
    return part[part.size() / 2];
}

int peakLevel(const Levels& levels, double fromHz, double toHz) {
    const auto first = static_cast<long>(fromHz / kBinHz);
    const auto last = static_cast<long>(toHz / kBinHz);
    return *std::max_element(levels.begin() + first, levels.begin() + last + 1);
}

bool inRange(const Levels& levels) {
    return std::all_of(levels.begin(), levels.end(),
                       [](std::int32_t v) { return v >= 0 && v <= 255; });
}

TEST(SpectrumGeometry, ToneLandsOnItsBin) {
    // Bins 1..3 are left out: a real tone there overlaps its own mirror image below 0 Hz within
    // the window's main lobe, so bin 0 may legitimately peak.
    for (const int bin : {0, 4, 5, 100, 256, 257, 512, 768, 900, 1020, 1022, 1023}) {
        SCOPED_TRACE(bin);
        WaterfallFft spectrum;
        std::vector<float> x = whiteNoise(8 * 2048, 0.1, 7);
        const std::vector<float> t = tone(x.size(), bin * kBinHz, bin == 0 ? 0.05 : 0.1);
        for (std::size_t n = 0; n < x.size(); ++n) {
            x[n] += t[n];
        }
        const std::vector<Levels> frames = feed(spectrum, x);
        ASSERT_FALSE(frames.empty());
        const Levels& last = frames.back();
        const auto peak = std::max_element(last.begin(), last.end());
        EXPECT_EQ(peak - last.begin(), bin);
        EXPECT_LT(*peak, 255) << "peak saturated; the test cannot see where it is";
        EXPECT_GT(*peak, 120);
    }
}

TEST(SpectrumGeometry, FramesEveryHopWhateverTheChunks) {
    const std::vector<float> x = band(40 * WaterfallFft::kHopSamples + 100, 10.0, -20.0, 3);
    WaterfallFft whole;
    const std::vector<Levels> reference = feed(whole, x);
    ASSERT_EQ(reference.size(), 40U);

    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{511},
                                    std::size_t{512}, std::size_t{513}, std::size_t{5000}}) {
        SCOPED_TRACE(chunk);
        WaterfallFft spectrum;
        std::vector<std::size_t> frameEnds;
        std::vector<Levels> frames;
        std::size_t position = 0;
        while (position < x.size()) {
            std::span<const float> piece(x.data() + position, std::min(chunk, x.size() - position));
            // An empty span consumes nothing and produces no frame.
            EXPECT_EQ(spectrum.consume({}), 0U);
            EXPECT_FALSE(spectrum.frameReady());
            while (!piece.empty()) {
                const std::size_t used = spectrum.consume(piece);
                ASSERT_GT(used, 0U);
                ASSERT_LE(used, piece.size());
                piece = piece.subspan(used);
                position += used;
                if (spectrum.frameReady()) {
                    frameEnds.push_back(position);
                    frames.push_back(spectrum.levels());
                }
            }
        }
        ASSERT_EQ(frameEnds.size(), reference.size());
        for (std::size_t i = 0; i < frameEnds.size(); ++i) {
            EXPECT_EQ(frameEnds[i], (i + 1) * WaterfallFft::kHopSamples);
        }
        EXPECT_EQ(frames, reference);
    }
}

TEST(SpectrumGeometry, ResetStartsAfresh) {
    const std::vector<float> x = band(30 * WaterfallFft::kHopSamples, 10.0, -20.0, 11);
    WaterfallFft fresh;
    const std::vector<Levels> expected = feed(fresh, x);

    WaterfallFft used;
    used.setMode(7, 2000);
    feed(used, whiteNoise(10000 + 37, 0.5, 5));
    used.reset();
    used.setMode(WaterfallFft::kDefaultSmoothing, WaterfallFft::kDefaultSensitivity);
    EXPECT_EQ(feed(used, x), expected);
}

// The picture must not depend on the input level: the floor is dark and a signal 10 dB above the
// noise in 3000 Hz bright, from -40 dBFS to full scale.
TEST(SpectrumLevels, SamePictureFromMinus40DbfsToFullScale) {
    const std::size_t count = 8000 * 4;
    std::vector<Levels> pictures;
    for (const double dbfs : {-40.0, -30.0, -20.0, -10.0, 0.0}) {
        SCOPED_TRACE(dbfs);
        WaterfallFft spectrum;
        const std::vector<Levels> frames = feed(spectrum, band(count, 10.0, dbfs, 21));
        ASSERT_GT(frames.size(), 40U);
        // After two seconds the floor has settled.
        for (std::size_t i = 32; i < frames.size(); ++i) {
            const int floor = medianLevel(frames[i], 51, 768);
            EXPECT_GE(floor, 20);
            EXPECT_LE(floor, 50);
            EXPECT_GT(peakLevel(frames[i], 980.0, 1020.0), 150);
            EXPECT_TRUE(inRange(frames[i]));
        }
        pictures.push_back(frames.back());
    }
    for (std::size_t p = 1; p < pictures.size(); ++p) {
        int worst = 0;
        for (std::size_t k = 0; k < pictures[p].size(); ++k) {
            worst = std::max(worst, std::abs(pictures[p][k] - pictures[0][k]));
        }
        EXPECT_LE(worst, 2) << "picture " << p << " differs from the -40 dBFS picture";
    }
}

TEST(SpectrumLevels, FollowsAStepInInputLevel) {
    WaterfallFft spectrum;
    std::vector<float> x = band(8000 * 6, 10.0, -40.0, 31);
    // Three seconds at -40 dBFS, then three at 0 dBFS.
    for (std::size_t n = x.size() / 2; n < x.size(); ++n) {
        x[n] *= 100.0F;
    }
    const std::vector<Levels> frames = feed(spectrum, x);
    // Within two seconds of the step the picture is back to normal.
    for (std::size_t i = frames.size() - 15; i < frames.size(); ++i) {
        const int floor = medianLevel(frames[i], 51, 768);
        EXPECT_GE(floor, 20);
        EXPECT_LE(floor, 50);
        EXPECT_GT(peakLevel(frames[i], 980.0, 1020.0), 150);
    }
}

// Mean over bins of the variance of each bin's level across frames, on noise alone.
double frameToFrameVariance(int smoothing) {
    WaterfallFft spectrum;
    spectrum.setMode(smoothing, WaterfallFft::kDefaultSensitivity);
    const std::vector<Levels> frames = feed(spectrum, whiteNoise(8000 * 20, 0.05, 41));
    const std::size_t first = 30;  // past the settling of the heaviest averaging
    const auto count = static_cast<double>(frames.size() - first);
    double total = 0.0;
    for (std::size_t k = 51; k <= 768; ++k) {
        double sum = 0.0;
        double sumSq = 0.0;
        for (std::size_t i = first; i < frames.size(); ++i) {
            const auto v = static_cast<double>(frames[i][k]);
            sum += v;
            sumSq += v * v;
        }
        const double mean = sum / count;
        total += sumSq / count - mean * mean;
    }
    return total / 718.0;
}

TEST(SpectrumMode, SmoothingReducesFrameToFrameVarianceMonotonically) {
    double previous = std::numeric_limits<double>::infinity();
    for (int smoothing = 1; smoothing <= 10; ++smoothing) {
        SCOPED_TRACE(smoothing);
        const double variance = frameToFrameVariance(smoothing);
        EXPECT_LT(variance, previous * 0.95);
        previous = variance;
    }
    EXPECT_LT(frameToFrameVariance(10), frameToFrameVariance(1) / 10.0);
}

TEST(SpectrumMode, EverySmoothingKeepsTheFloorDarkAndTheSignalBright) {
    const std::vector<float> x = band(8000 * 4, 10.0, -20.0, 43);
    for (int smoothing = 1; smoothing <= 10; ++smoothing) {
        SCOPED_TRACE(smoothing);
        WaterfallFft spectrum;
        spectrum.setMode(smoothing, WaterfallFft::kDefaultSensitivity);
        const std::vector<Levels> frames = feed(spectrum, x);
        for (std::size_t i = frames.size() - 10; i < frames.size(); ++i) {
            const int floor = medianLevel(frames[i], 51, 768);
            EXPECT_GE(floor, 20);
            EXPECT_LE(floor, 50);
            EXPECT_GT(peakLevel(frames[i], 980.0, 1020.0), 150);
        }
    }
}

TEST(SpectrumMode, SensitivityRaisesLevelsMonotonically) {
    const std::vector<float> x = band(8000 * 3, 10.0, -20.0, 51);
    Levels previous{};
    int previousBrightness = -1;
    int peakAt100 = 0;
    int peakAt1500 = 0;
    for (int sensitivity = 100; sensitivity <= 2500; sensitivity += 200) {
        SCOPED_TRACE(sensitivity);
        WaterfallFft spectrum;
        spectrum.setMode(WaterfallFft::kDefaultSmoothing, sensitivity);
        const Levels levels = feed(spectrum, x).back();
        // No bin gets darker, and the signal with its skirts gets brighter at every step.
        for (std::size_t k = 0; k < levels.size(); ++k) {
            ASSERT_GE(levels[k], previous[k]) << "bin " << k;
        }
        int brightness = 0;
        for (int k = 240; k <= 272; ++k) {
            brightness += levels[static_cast<std::size_t>(k)];
        }
        EXPECT_GT(brightness, previousBrightness);
        previous = levels;
        previousBrightness = brightness;
        if (sensitivity == 100) peakAt100 = peakLevel(levels, 980.0, 1020.0);
        if (sensitivity == 1500) peakAt1500 = peakLevel(levels, 980.0, 1020.0);
    }
    EXPECT_LT(peakAt100, 80);  // dull, yet above the floor
    EXPECT_GT(peakAt100, medianLevel(previous, 51, 768) / 4);
    EXPECT_GT(peakAt1500, 150);
    EXPECT_LT(peakAt1500, 255);  // the default leaves room for stronger signals
}

TEST(SpectrumMode, OutOfRangeSettingsClamp) {
    WaterfallFft spectrum;
    EXPECT_EQ(spectrum.smoothing(), WaterfallFft::kDefaultSmoothing);
    EXPECT_EQ(spectrum.sensitivity(), 1500);
    spectrum.setMode(0, 99);
    EXPECT_EQ(spectrum.smoothing(), 1);
    EXPECT_EQ(spectrum.sensitivity(), 100);
    spectrum.setMode(-1000, std::numeric_limits<int>::min());
    EXPECT_EQ(spectrum.smoothing(), 1);
    EXPECT_EQ(spectrum.sensitivity(), 100);
    spectrum.setMode(11, 2501);
    EXPECT_EQ(spectrum.smoothing(), 10);
    EXPECT_EQ(spectrum.sensitivity(), 2500);
    spectrum.setMode(std::numeric_limits<int>::max(), 1 << 30);
    EXPECT_EQ(spectrum.smoothing(), 10);
    EXPECT_EQ(spectrum.sensitivity(), 2500);

    // A clamped setting draws exactly what the limit draws.
    const std::vector<float> x = band(8000 * 2, 10.0, -20.0, 61);
    WaterfallFft atLimit;
    atLimit.setMode(10, 2500);
    EXPECT_EQ(feed(spectrum, x), feed(atLimit, x));
}

TEST(SpectrumRobustness, SilenceAndNonFiniteInputStayInRangeAndRecover) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float denormal = std::numeric_limits<float>::denorm_min();
    struct Case {
        const char* name;
        float value;
        bool alternate;
    };
    for (const Case c :
         {Case{"silence", 0.0F, false}, Case{"NaN", nan, false}, Case{"+Inf", inf, false},
          Case{"-Inf", -inf, false}, Case{"+-Inf", inf, true}, Case{"huge", 1e30F, true},
          Case{"denormal", denormal, true}, Case{"max", 3.4e38F, false}}) {
        SCOPED_TRACE(c.name);
        for (const int smoothing : {1, 10}) {
            SCOPED_TRACE(smoothing);
            WaterfallFft spectrum;
            spectrum.setMode(smoothing, 2500);
            std::vector<float> bad(8000 * 2);
            for (std::size_t n = 0; n < bad.size(); ++n) {
                bad[n] = c.alternate && (n % 2) == 1 ? -c.value : c.value;
            }
            for (const Levels& levels : feed(spectrum, bad)) {
                ASSERT_TRUE(inRange(levels));
            }
            EXPECT_TRUE(std::isfinite(spectrum.noiseFloorDb()));

            // Ordinary sound afterwards: back to a normal picture within three seconds.
            spectrum.setMode(smoothing, WaterfallFft::kDefaultSensitivity);
            const std::vector<Levels> frames = feed(spectrum, band(8000 * 4, 10.0, -30.0, 71));
            for (const Levels& levels : frames) {
                ASSERT_TRUE(inRange(levels));
            }
            for (std::size_t i = frames.size() - 10; i < frames.size(); ++i) {
                const int floor = medianLevel(frames[i], 51, 768);
                EXPECT_GE(floor, 20);
                EXPECT_LE(floor, 50);
                EXPECT_GT(peakLevel(frames[i], 980.0, 1020.0), 150);
            }
        }
    }
}

TEST(SpectrumRobustness, NonFiniteSamplesInsideSoundDoNotPoisonTheAverage) {
    WaterfallFft spectrum;
    spectrum.setMode(10, WaterfallFft::kDefaultSensitivity);
    std::vector<float> x = band(8000 * 6, 10.0, -20.0, 81);
    x[1000] = std::numeric_limits<float>::quiet_NaN();
    x[1001] = std::numeric_limits<float>::infinity();
    const std::vector<Levels> frames = feed(spectrum, x);
    EXPECT_TRUE(std::isfinite(spectrum.noiseFloorDb()));
    const Levels& last = frames.back();
    EXPECT_TRUE(inRange(last));
    const int floor = medianLevel(last, 51, 768);
    EXPECT_GE(floor, 20);
    EXPECT_LE(floor, 50);
    EXPECT_GT(peakLevel(last, 980.0, 1020.0), 150);
}

// FFTW's planner is not thread-safe; spectra made on several threads at once must still work.
TEST(SpectrumRobustness, ConstructionOnSeveralThreads) {
    const std::vector<float> x = band(8 * WaterfallFft::kHopSamples, 10.0, -20.0, 91);
    WaterfallFft reference;
    const std::vector<Levels> expected = feed(reference, x);
    std::vector<std::thread> threads;
    std::vector<int> matches(4, 0);
    for (std::size_t t = 0; t < matches.size(); ++t) {
        threads.emplace_back([&x, &expected, &matches, t] {
            for (int i = 0; i < 8; ++i) {
                WaterfallFft spectrum;
                if (feed(spectrum, x) == expected) {
                    ++matches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const int m : matches) {
        EXPECT_EQ(m, 8);
    }
}

}  // namespace
}  // namespace pskmodem
