#include "pskmodem/sources/audio_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pskmodem/signals/channel.h"
#include "support/tones.h"

namespace pskmodem {
namespace {

namespace fs = std::filesystem;
using test_support::sineTone;

class AudioFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::random_device entropy;  // only to keep parallel runs apart; the data is seeded
        dir_ = fs::path(::testing::TempDir()) /
               ("quorvin_audio_" + std::string(info->name()) + "_" + std::to_string(entropy()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// The 42 bytes of a FLAC file that is only its stream header, claiming `frames` 16-bit mono
// frames at 8000 Hz.
std::string flacHeaderClaiming(std::uint64_t frames) {
    std::string bytes = "fLaC";
    bytes += {'\x80', '\0', '\0', '\x22'};  // the last metadata block: stream info, 34 bytes
    bytes +=
        {'\x10', '\0', '\x10', '\0', '\0', '\0', '\0', '\0', '\0', '\0'};  // block, frame sizes
    const std::uint64_t packed = std::uint64_t{8000} << 44U | std::uint64_t{15} << 36U | frames;
    for (int shift = 56; shift >= 0; shift -= 8) {
        bytes += static_cast<char>(packed >> static_cast<unsigned>(shift) & 0xFFU);
    }
    return bytes + std::string(16, '\0');  // no checksum
}

TEST_F(AudioFileTest, Pcm16WavRoundTripsWithinOneStep) {
    const auto x = sineTone(8000, 1000.0, 8000.0, 0.8);
    ASSERT_TRUE(writeAudioFile(path("a.wav"), x, 8000));
    const auto data = readAudioFile(path("a.wav"));
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->sampleRateHz, 8000);
    EXPECT_EQ(data->channels, 1);
    ASSERT_EQ(data->samples.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(data->samples[i], x[i], 1.0 / 32767.0);
    EXPECT_EQ(fs::file_size(path("a.wav")), 44u + 2u * 8000u);
}

TEST_F(AudioFileTest, FloatWavIsExactAndKeepsChannelsInterleaved) {
    std::vector<float> stereo(2 * 1000);
    std::mt19937_64 rng(4);
    std::normal_distribution<float> gauss(0.0f, 0.5f);
    for (float& v : stereo) v = gauss(rng);
    ASSERT_TRUE(writeAudioFile(path("s.wav"), stereo, 48000, 2, WavSampleFormat::Float32));
    const auto data = readAudioFile(path("s.wav"));
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->sampleRateHz, 48000);
    EXPECT_EQ(data->channels, 2);
    EXPECT_EQ(data->samples, stereo);
}

TEST_F(AudioFileTest, IntegerFormatsClipInsteadOfWrapping) {
    const std::vector<float> loud = {1.5f, -1.5f, 0.5f};
    ASSERT_TRUE(writeAudioFile(path("loud.wav"), loud, 8000));
    const auto data = readAudioFile(path("loud.wav"));
    ASSERT_TRUE(data.has_value());
    EXPECT_GT(data->samples[0], 0.99f);
    EXPECT_LT(data->samples[1], -0.99f);
    EXPECT_NEAR(data->samples[2], 0.5f, 1e-4f);
}

TEST_F(AudioFileTest, FlacIsLosslessAndOggKeepsTheSignal) {
    const auto x = sineTone(16000, 700.0, 8000.0, 0.5);
    ASSERT_TRUE(writeAudioFile(path("t.flac"), x, 8000));
    const auto flac = readAudioFile(path("t.flac"));
    ASSERT_TRUE(flac.has_value());
    ASSERT_EQ(flac->samples.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(flac->samples[i], x[i], 1.0 / 32767.0);

    ASSERT_TRUE(writeAudioFile(path("t.OGG"), x, 8000));  // extension in any case
    const auto ogg = readAudioFile(path("t.OGG"));
    ASSERT_TRUE(ogg.has_value());
    EXPECT_EQ(ogg->sampleRateHz, 8000);
    EXPECT_NEAR(static_cast<double>(ogg->samples.size()), static_cast<double>(x.size()), 1024.0);
    EXPECT_NEAR(meanPower(ogg->samples), meanPower(x), 0.1 * meanPower(x));
}

TEST_F(AudioFileTest, FailuresAreReportedNotThrown) {
    const std::vector<float> x(100, 0.1f);
    EXPECT_FALSE(writeAudioFile(path("x.mp9"), x, 8000));
    EXPECT_FALSE(writeAudioFile(path("noext"), x, 8000));
    EXPECT_FALSE(writeAudioFile(path("missing/dir/x.wav"), x, 8000));
    EXPECT_FALSE(writeAudioFile(path("x.wav"), x, 0));
    EXPECT_FALSE(writeAudioFile(path("odd.wav"), std::vector<float>(3, 0.0f), 8000, 2));
    EXPECT_FALSE(readAudioFile(path("absent.wav")).has_value());
    std::ofstream(path("junk.wav")) << "not audio at all";
    EXPECT_FALSE(readAudioFile(path("junk.wav")).has_value());
}

// A recording must be a regular file at 7000 to 768000 Hz to be decoded; readAudioFile still
// reads any rate, but never waits on a pipe.
TEST_F(AudioFileTest, ProblemsNameWhatIsNotARecording) {
    struct Case {
        std::string path;
        std::string problem;  // empty: decodable
        bool readable;        // by readAudioFile
    };
    const auto wavAt = [this](int rateHz) {
        const std::string file = path(std::to_string(rateHz) + ".wav");
        EXPECT_TRUE(writeAudioFile(file, std::vector<float>(100, 0.1f), rateHz)) << rateHz;
        return file;
    };
    const std::string fifo = path("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<Case> cases = {
        {wavAt(1), "its sample rate of 1 Hz is outside the usable 7000 to 768000 Hz", true},
        {wavAt(6999), "its sample rate of 6999 Hz is outside the usable 7000 to 768000 Hz", true},
        {wavAt(kMinAudioFileRateHz), "", true},
        {wavAt(kMaxAudioFileRateHz), "", true},
        {wavAt(768001), "its sample rate of 768001 Hz is outside the usable 7000 to 768000 Hz",
         true},
        {fifo, "it is a pipe, not a regular file", false},
        {dir_.string(), "it is a folder, not a regular file", false},
        {"/dev/null", "it is a device, not a regular file", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(audioFileProblem(c.path), c.problem);
        EXPECT_EQ(readAudioFile(c.path).has_value(), c.readable);
    }
    // A missing file is no problem of kind: libsndfile says why it cannot be opened.
    EXPECT_EQ(audioFileKindProblem(path("absent.wav")), "");
    EXPECT_FALSE(audioFileProblem(path("absent.wav")).empty());
    for (const int rateHz : {-1, 0, 6999, 768001, 2147483647}) {
        EXPECT_FALSE(audioFileRateProblem(rateHz).empty()) << rateHz;
    }
    EXPECT_EQ(audioFileRateProblem(8000), "");
}

// A header claiming more frames than the file holds costs nothing: the file is read to its real
// end in blocks (allocating for the claim of 2^36 - 1 frames threw std::bad_alloc, and one of
// 10^9 frames cost 4 GB for nothing).
TEST_F(AudioFileTest, HeadersClaimingMoreThanTheFileHoldsAreReadToTheRealEnd) {
    struct Case {
        std::uint64_t claimedFrames;
        const char* name;
    };
    for (const Case c :
         {Case{(std::uint64_t{1} << 36U) - 1, "max.flac"}, Case{1'000'000'000, "billion.flac"}}) {
        SCOPED_TRACE(c.name);
        const std::string bytes = flacHeaderClaiming(c.claimedFrames);
        ASSERT_EQ(bytes.size(), 42U);
        std::ofstream(path(c.name), std::ios::binary) << bytes;
        EXPECT_EQ(audioFileProblem(path(c.name)), "");
        const auto data = readAudioFile(path(c.name));
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->sampleRateHz, 8000);
        EXPECT_TRUE(data->samples.empty());
    }
}

TEST_F(AudioFileTest, ReadsUpToALimitAndMixesChannelsToOne) {
    std::vector<float> stereo;
    for (int i = 0; i < 3 * 8000; ++i) {
        stereo.push_back(0.5f);
        stereo.push_back(i < 8000 ? -0.25f : 0.25f);
    }
    ASSERT_TRUE(writeAudioFile(path("s.flac"), stereo, 8000, 2));
    struct Case {
        double maxSeconds;
        AudioChannels channels;
        std::size_t samples;
        float first, last;
    };
    const std::vector<Case> cases = {
        {1.5, AudioChannels::MixedToOne, 12000, 0.125f, 0.375f},
        {1.5, AudioChannels::AsInFile, 24000, 0.5f, 0.25f},
        {10.0, AudioChannels::MixedToOne, 24000, 0.125f, 0.375f},
        {0.0, AudioChannels::MixedToOne, 0, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxSeconds);
        const auto data = readAudioFile(path("s.flac"), c.maxSeconds, c.channels);
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->channels, c.channels == AudioChannels::MixedToOne ? 1 : 2);
        ASSERT_EQ(data->samples.size(), c.samples);
        if (c.samples > 0) {
            EXPECT_NEAR(data->samples.front(), c.first, 1e-4f);
            EXPECT_NEAR(data->samples.back(), c.last, 1e-4f);
        }
    }
}

}  // namespace
}  // namespace pskmodem
