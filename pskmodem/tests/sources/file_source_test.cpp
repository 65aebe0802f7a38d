#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "pskmodem/engine/engine.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_file.h"
#include "pskmodem/sources/audio_source.h"
#include "support/recording_sink.h"
#include "support/wait.h"

namespace pskmodem {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test_support::RecordingSink;
using test_support::waitUntil;

// A folder of its own for each test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / (std::string("pskmodem_file_source_") +
                                             std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// A transmission at `rateHz` with seeded noise at 20 dB SNR in 3 kHz.
std::vector<float> transmission(std::string_view text, Mode mode, double rateHz, std::uint64_t seed,
                                Speed speed = Speed::Psk31) {
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    config.mode = mode;
    config.speed = speed;
    config.sampleRateHz = rateHz;
    config.amplitude = 0.4;
    // The recording stops four idle symbols after the text, well within the decoders' delay.
    std::vector<float> samples = modulateText(config, text, 64 * speedFactor(speed), 4);
    addWhiteNoise(samples, meanPower(samples), 20.0, seed, rateHz);
    return samples;
}

std::vector<float> interleave(const std::vector<float>& left, const std::vector<float>& right) {
    std::vector<float> both(2 * left.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        both[2 * i] = left[i];
        both[2 * i + 1] = i < right.size() ? right[i] : 0.0f;
    }
    return both;
}

struct DecodeCase {
    const char* fileName;
    int rateHz;
    int channels;
    Mode mode;
    Speed speed = Speed::Psk31;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.fileName << " " << c.rateHz << " Hz x" << c.channels << " mode "
        << static_cast<int>(c.mode) << " speed " << speedNumber(c.speed);
}

class FileDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

// A recording decodes through the engine as fast as the machine allows, from the left channel
// only (the right carries another message on the same frequency), with the mode set before
// start, to its last character, and ends with EndOfInput.
TEST_P(FileDecodeTest, RecordingDecodesFromTheLeftChannel) {
    const DecodeCase c = GetParam();
    const std::string wanted = "CQ CQ DE QUORVIN PSE K the quick brown fox 0123456789";
    const std::string other = "XXXXX ZZZZZ right channel must not be heard ZZZZZ";
    const std::vector<float> left = transmission(wanted, c.mode, c.rateHz, 11, c.speed);
    std::vector<float> samples = left;
    if (c.channels == 2) {
        samples = interleave(left, transmission(other, c.mode, c.rateHz, 12, c.speed));
    }
    TempDir dir;
    const std::string path = dir.file(c.fileName);
    ASSERT_TRUE(writeAudioFile(path, samples, c.rateHz, c.channels));

    Engine engine;
    engine.setFrequency(1000.0, 50.0);
    engine.setMode(c.mode);
    engine.setSpeed(c.speed);
    engine.setSquelch(0, 0);
    RecordingSink sink;
    ASSERT_EQ(engine.start(&sink, makeFileSource(path, Pace::AsFastAsPossible)), 0)
        << engine.lastError();
    ASSERT_TRUE(engine.waitUntilFinished(60s));
    engine.stop();

    const std::vector<Status> statuses = sink.statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses.front(), Status::Started);
    EXPECT_EQ(statuses.back(), Status::EndOfInput);
    const double seconds = static_cast<double>(left.size()) / c.rateHz;
    // Every sample went through: all of the recording in 8 kHz samples, give or take the
    // converter's edges.
    EXPECT_NEAR(static_cast<double>(engine.samplesProcessed()), seconds * 8000.0, 50.0);
    EXPECT_NEAR(sink.spectra(), seconds * 8000.0 / 512.0, 2.0);
    EXPECT_EQ(sink.text(), wanted);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FileDecodeTest,
    ::testing::Values(DecodeCase{"bpsk_44k1.wav", 44100, 2, Mode::Bpsk},
                      DecodeCase{"qpsk_48k.flac", 48000, 2, Mode::QpskUsb},
                      DecodeCase{"bpsk_8k.wav", 8000, 1, Mode::Bpsk},
                      DecodeCase{"bpsk_22k05.ogg", 22050, 1, Mode::Bpsk},
                      DecodeCase{"bpsk63_8k.wav", 8000, 1, Mode::Bpsk, Speed::Psk63},
                      DecodeCase{"qpsk125_48k.wav", 48000, 2, Mode::QpskLsb, Speed::Psk125},
                      DecodeCase{"bpsk250_44k1.flac", 44100, 1, Mode::Bpsk, Speed::Psk250}));

// A clock correction makes the engine convert even an 8 kHz input: a card said to run 0.5 %
// fast yields 0.5 % fewer samples at the true 8000 Hz; the correction applies from the next
// start and stays set.
TEST(FileEngineTest, ClockCorrectionScalesTheSampleCount) {
    TempDir dir;
    const std::string path = dir.file("ten_seconds.wav");
    ASSERT_TRUE(writeAudioFile(path, std::vector<float>(80000, 0.05f), 8000, 1));

    Engine engine;
    const auto processed = [&] {
        RecordingSink sink;
        EXPECT_EQ(engine.start(&sink, makeFileSource(path, Pace::AsFastAsPossible)), 0);
        EXPECT_TRUE(engine.waitUntilFinished(30s));
        engine.stop();
        return static_cast<double>(engine.samplesProcessed());
    };
    EXPECT_EQ(processed(), 80000.0) << "no conversion at 8000 Hz without a correction";
    engine.setClockCorrectionPpm(5000.0);
    EXPECT_NEAR(processed(), 80000.0 / 1.005, 20.0);
    EXPECT_NEAR(processed(), 80000.0 / 1.005, 20.0);
    engine.setClockCorrectionPpm(-99999.0);  // clamped to -5000
    EXPECT_NEAR(processed(), 80000.0 / 0.995, 20.0);
}

// ---- The source on its own ------------------------------------------------------------------

TEST(FileSourceTest, DeliversTheLeftChannelAtTheFileRateThenEndOfInput) {
    TempDir dir;
    const std::string path = dir.file("ramp.wav");
    constexpr std::size_t kFrames = 10000;
    std::vector<float> left(kFrames);
    std::vector<float> right(kFrames, -0.75f);
    for (std::size_t i = 0; i < kFrames; ++i) {
        left[i] = static_cast<float>(i % 1000) / 1000.0f - 0.5f;
    }
    ASSERT_TRUE(writeAudioFile(path, interleave(left, right), 22050, 2, WavSampleFormat::Float32));

    auto source = makeFileSource(path, Pace::AsFastAsPossible);
    ASSERT_EQ(source->start(), 0) << source->lastError();
    EXPECT_EQ(source->start(), 0) << "a second start is harmless";
    EXPECT_EQ(source->sampleRateHz(), 22050.0);
    std::vector<float> got;
    std::array<float, 777> buffer{};
    for (int guard = 0; guard < 1000; ++guard) {
        const ReadResult r = source->read(buffer, 100ms);
        got.insert(got.end(), buffer.begin(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(r.count));
        if (r.status == ReadStatus::EndOfInput) {
            break;
        }
        ASSERT_EQ(r.status, ReadStatus::Ok);
    }
    EXPECT_EQ(got, left);
    EXPECT_EQ(source->read(buffer, 10ms).status, ReadStatus::EndOfInput) << "the end stays the end";
    source->stop();
    source->stop();

    // A new start plays the file again from its beginning.
    ASSERT_EQ(source->start(), 0);
    const ReadResult again = source->read(buffer, 10ms);
    ASSERT_GT(again.count, 0u);
    EXPECT_EQ(buffer[0], left[0]);
}

TEST(FileSourceTest, RealTimePaceFollowsTheClock) {
    TempDir dir;
    const std::string path = dir.file("half_second.wav");
    ASSERT_TRUE(writeAudioFile(path, std::vector<float>(24000, 0.1f), 48000, 1));

    for (const Pace pace : {Pace::RealTime, Pace::AsFastAsPossible}) {
        auto source = makeFileSource(path, pace);
        ASSERT_EQ(source->start(), 0);
        std::array<float, 1536> buffer{};
        std::size_t total = 0;
        const auto begin = std::chrono::steady_clock::now();
        for (;;) {
            const ReadResult r = source->read(buffer, 40ms);
            total += r.count;
            if (r.status != ReadStatus::Ok) {
                break;
            }
        }
        const auto elapsed = std::chrono::steady_clock::now() - begin;
        EXPECT_EQ(total, 24000u);
        if (pace == Pace::RealTime) {
            EXPECT_GE(elapsed, 480ms);
            EXPECT_LT(elapsed, 2s);
        } else {
            EXPECT_LT(elapsed, 200ms);
        }
    }
}

TEST(FileSourceTest, UnreadableFilesFailCleanlyWithAReason) {
    TempDir dir;
    const std::string garbage = dir.file("garbage.wav");
    {
        std::ofstream out(garbage, std::ios::binary);
        std::uint32_t x = 2463534242u;
        for (int i = 0; i < 50000; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out.put(static_cast<char>(x & 0xFF));
        }
    }
    const std::string empty = dir.file("empty.flac");
    { std::ofstream out(empty, std::ios::binary); }
    const std::string text = dir.file("notes.ogg");
    {
        std::ofstream out(text);
        out << "This is not a recording.\n";
    }
    // A WAV header that promises far more than the file holds.
    const std::string truncated = dir.file("truncated.wav");
    {
        ASSERT_TRUE(writeAudioFile(truncated, std::vector<float>(8000, 0.2f), 8000, 1));
        fs::resize_file(truncated, 3000);
    }

    for (const std::string& path : {dir.file("missing.wav"), garbage, empty, text, dir.file("")}) {
        SCOPED_TRACE(path);
        auto source = makeFileSource(path, Pace::AsFastAsPossible);
        EXPECT_EQ(source->start(), toInt(SourceError::FileUnreadable));
        EXPECT_NE(source->lastError().find(path), std::string::npos)
            << "the reason names the file: " << source->lastError();
        std::array<float, 64> buffer{};
        EXPECT_EQ(source->read(buffer, 1ms).status, ReadStatus::EndOfInput);
        source->stop();

        Engine engine;
        RecordingSink sink;
        EXPECT_NE(engine.start(&sink, makeFileSource(path, Pace::AsFastAsPossible)), 0);
        EXPECT_FALSE(engine.lastError().empty());
        EXPECT_TRUE(sink.messages().empty());
    }

    // A file that breaks off early is played up to where it breaks, then ends normally.
    Engine engine;
    RecordingSink sink;
    ASSERT_EQ(engine.start(&sink, makeFileSource(truncated, Pace::AsFastAsPossible)), 0);
    ASSERT_TRUE(engine.waitUntilFinished(10s));
    engine.stop();
    EXPECT_EQ(sink.statuses().back(), Status::EndOfInput);
    EXPECT_LT(engine.samplesProcessed(), 1500u);
}

// Only regular files at a rate that holds the 100..3500 Hz band are opened: a pipe would block
// start() until a writer came, and a header saying 1 Hz would make each sample 8000 samples of
// work. The limits themselves are opened.
TEST(FileSourceTest, RefusesPipesFoldersAndUnusableRatesAtOnce) {
    struct Case {
        std::string path;
        std::string reason;  // empty: the file opens
    };
    TempDir dir;
    const auto wavAt = [&dir](int rateHz) {
        const std::string path = dir.file(std::to_string(rateHz) + ".wav");
        EXPECT_TRUE(writeAudioFile(path, std::vector<float>(100, 0.1f), rateHz, 1)) << rateHz;
        return path;
    };
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<Case> cases = {
        {wavAt(1),
         "cannot be decoded: its sample rate of 1 Hz is outside the usable 7000 to "
         "768000 Hz."},
        {wavAt(6999), "its sample rate of 6999 Hz is outside"},
        {wavAt(7000), ""},
        {wavAt(768000), ""},
        {wavAt(768001), "its sample rate of 768001 Hz is outside"},
        {fifo, "cannot be decoded: it is a pipe, not a regular file."},
        {dir.file(""), "it is a folder, not a regular file"},
        {"/dev/zero", "it is a device, not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto source = makeFileSource(c.path, Pace::AsFastAsPossible);
        const auto begin = std::chrono::steady_clock::now();
        const int result = source->start();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
        if (c.reason.empty()) {
            EXPECT_EQ(result, 0) << source->lastError();
            continue;
        }
        EXPECT_EQ(result, toInt(SourceError::FileUnreadable));
        EXPECT_NE(source->lastError().find("\"" + c.path + "\""), std::string::npos)
            << source->lastError();
        EXPECT_NE(source->lastError().find(c.reason), std::string::npos) << source->lastError();
    }
}

// ---- The simulator source -------------------------------------------------------------------

TEST(SimulatorSourceTest, DeliversTheBandAtEightKilohertzWithoutEnd) {
    auto source = makeSimulatorSource(demoBand(), Pace::AsFastAsPossible);
    ASSERT_EQ(source->start(), 0) << source->lastError();
    EXPECT_EQ(source->sampleRateHz(), 8000.0);
    std::vector<float> buffer(8000);
    double power = 0.0;
    for (int second = 0; second < 5; ++second) {
        const ReadResult r = source->read(buffer, 10ms);
        ASSERT_EQ(r.status, ReadStatus::Ok);
        ASSERT_EQ(r.count, buffer.size()) << "as fast as possible: every read is full";
        power += meanPower(buffer);
    }
    EXPECT_GT(power, 0.0);
    source->stop();

    // The same configuration gives the same band after a restart.
    auto a = makeSimulatorSource(demoBand(), Pace::AsFastAsPossible);
    ASSERT_EQ(a->start(), 0);
    std::vector<float> first(4000);
    std::vector<float> second(4000);
    a->read(first, 10ms);
    a->stop();
    ASSERT_EQ(a->start(), 0);
    a->read(second, 10ms);
    EXPECT_EQ(first, second);
}

TEST(SimulatorSourceTest, RealTimeRunsThroughTheEngineAtTheClockRate) {
    Engine engine;
    RecordingSink sink;
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(engine.start(&sink, makeSimulatorSource(demoBand(), Pace::RealTime)), 0);
    // A second of audio, however long a busy machine takes to process it, and no sooner than
    // the clock lets it through (give or take the first block).
    ASSERT_TRUE(waitUntil([&] { return engine.samplesProcessed() >= 8000; }, 10s));
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    engine.stop();
    EXPECT_GT(elapsed, 750ms) << "no faster than the clock";
    EXPECT_GE(sink.spectra(), 10);
    EXPECT_EQ(sink.statuses().size(), 1u) << "only Started: the simulator never ends";
}

}  // namespace
}  // namespace pskmodem
