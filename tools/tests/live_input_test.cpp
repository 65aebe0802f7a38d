#include "live_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pskmodem/sources/audio_file.h"
#include "support/scripted_capture_devices.h"

namespace quorvin::decode {
namespace {

using namespace std::chrono_literals;
using pskmodem::InputDeviceInfo;
using pskmodem::test_support::CardScript;
using pskmodem::test_support::Machine;
using pskmodem::test_support::MachineDevice;

const std::vector<InputDeviceInfo> kDevices{
    {"Built-in", "ALSA", 1, 0, false, 2, 48000.0},
    {"pulse", "ALSA", 2, 5, true, 32, 44100.0},
    {"USB Audio CODEC", "JACK Audio Connection Kit", 3, 7, false, 2, 48000.0},
};

TEST(DeviceList, OneLinePerDeviceWithTabs) {
    EXPECT_EQ(deviceListText(kDevices),
              "1\tBuilt-in\tALSA\t\n"
              "2\tpulse\tALSA\tdefault\n"
              "3\tUSB Audio CODEC\tJACK Audio Connection Kit\t\n");
    EXPECT_EQ(deviceListText({}), "");
}

TEST(DeviceList, ChosenByNameCaptionOrAsTheDefault) {
    const struct {
        const char* name;
        int card;  // -1: none
    } cases[] = {
        {"default", 0},         {"pulse", 2},
        {"USB Audio CODEC", 3}, {"USB Audio CODEC [JACK Audio Connection Kit]", 3},
        {"Built-in [ALSA]", 1}, {"Built-in [JACK]", -1},
        {"built-in", -1},       {"3", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DeviceChoice choice = chooseDevice(kDevices, c.name);
        EXPECT_EQ(choice.card, c.card);
        EXPECT_EQ(choice.error.empty(), c.card >= 0);
    }
    EXPECT_EQ(chooseDevice(kDevices, "Gone").error,
              "no input device is named \"Gone\" (quorvin-decode --list-devices lists them)");
}

// Reads until `enough` holds or `timeout` passes; returns the samples read.
template <typename Done>
std::size_t ReadUntil(InputReader& reader, Done enough, std::chrono::milliseconds timeout) {
    std::size_t samples = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!enough(samples) && std::chrono::steady_clock::now() < deadline && !reader.ended()) {
        samples += reader.read(20ms).size();
    }
    return samples;
}

class Notes {
  public:
    InputReader::Note sink() {
        return [this](const std::string& note) { lines.push_back(note); };
    }
    std::vector<std::string> lines;
};

TEST(InputReader, AFileIsReadAt8000HzUpToTheLimit) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("quorvin_live_input_" + std::to_string(getpid()) + ".wav");
    ASSERT_TRUE(pskmodem::writeAudioFile(file.string(), std::vector<float>(96000, 0.1F), 48000));
    for (const double limit : {0.0, 1.5}) {
        SCOPED_TRACE(limit);
        Notes notes;
        InputReader reader(
            pskmodem::makeFileSource(file.string(), pskmodem::Pace::AsFastAsPossible), 4096, 50ms,
            notes.sink());
        if (limit > 0.0) {
            reader.limitSeconds(limit);
        }
        ASSERT_EQ(reader.start(), "");
        std::size_t samples = ReadUntil(
            reader, [](std::size_t) { return false; }, 10s);
        ASSERT_TRUE(reader.ended());
        for (auto tail = reader.flush(); !tail.empty(); tail = reader.flush()) {
            samples += tail.size();
        }
        const double expected = (limit > 0.0 ? limit : 2.0) * 8000.0;
        EXPECT_NEAR(static_cast<double>(samples), expected, 40.0);
        EXPECT_NEAR(reader.seconds(), limit > 0.0 ? limit : 2.0, 1e-9);
        EXPECT_TRUE(notes.lines.empty());
    }
    std::filesystem::remove(file);
}

TEST(InputReader, AnUnreadableFileIsAnErrorNotAWait) {
    Notes notes;
    InputReader reader(
        pskmodem::makeFileSource("/nonexistent/quorvin.wav", pskmodem::Pace::AsFastAsPossible),
        4096, 50ms, notes.sink());
    EXPECT_NE(reader.start(), "");
    EXPECT_TRUE(reader.ended());
    EXPECT_TRUE(notes.lines.empty());
}

// An input that opens but names no usable rate is refused with that reason, not waited for.
TEST(InputReader, AnInputWithoutAUsableRateIsRefused) {
    class RatelessSource final : public pskmodem::AudioSource {
      public:
        int start() override { return 0; }
        void stop() override {}
        double sampleRateHz() const override { return 0.0; }
        pskmodem::ReadResult read(std::span<float>, std::chrono::milliseconds) override {
            return {0, pskmodem::ReadStatus::EndOfInput};
        }
        std::string lastError() const override { return {}; }
        bool reopenable() const override { return true; }
    };
    Notes notes;
    InputReader reader(std::make_unique<RatelessSource>(), 256, 50ms, notes.sink());
    EXPECT_EQ(reader.start(), "the input has no usable sample rate");
    EXPECT_TRUE(reader.ended());
    EXPECT_TRUE(notes.lines.empty());
}

// Audio a busy machine lost is counted over every opening of the sound card.
TEST(InputReader, LostAudioIsCountedAcrossReopenings) {
    class DroppingSource final : public pskmodem::AudioSource {
      public:
        int start() override {
            ++opened;
            return 0;
        }
        void stop() override {}
        double sampleRateHz() const override { return 8000.0; }
        pskmodem::ReadResult read(std::span<float> out, std::chrono::milliseconds) override {
            return {out.size(),
                    opened == 1 ? pskmodem::ReadStatus::DeviceLost : pskmodem::ReadStatus::Ok};
        }
        std::string lastError() const override { return {}; }
        std::uint64_t droppedSamples() const override { return opened == 1 ? 40 : 2; }
        bool reopenable() const override { return true; }
        int opened = 0;
    };
    Notes notes;
    auto owned = std::make_unique<DroppingSource>();
    DroppingSource& source = *owned;
    InputReader reader(std::move(owned), 256, 1ms, notes.sink());
    ASSERT_EQ(reader.start(), "");
    EXPECT_EQ(reader.droppedSamples(), 40U);
    ReadUntil(
        reader, [&](std::size_t) { return source.opened == 2 && reader.flowing(); }, 10s);
    EXPECT_EQ(reader.droppedSamples(), 42U);
    reader.stop();
    EXPECT_EQ(reader.droppedSamples(), 42U);
}

std::shared_ptr<Machine> OneCard() {
    auto machine = std::make_shared<Machine>();
    auto card = std::make_shared<CardScript>();
    card->name = "USB Audio CODEC";
    machine->cards.push_back(card);
    machine->defaultCard = 1;
    return machine;
}

// A sound card that does not open at first, then opens, is pulled out and plugged in again:
// each change is told once, and audio flows again after each.
TEST(InputReader, ASoundCardIsOpenedAgainUntilItIsBack) {
    auto machine = OneCard();
    machine->cards[0]->openFails = true;
    Notes notes;
    InputReader reader(pskmodem::makeSoundCardSource(1, std::make_unique<MachineDevice>(machine)),
                       256, 50ms, notes.sink());
    ASSERT_EQ(reader.start(), "") << "a sound card may come back: no error";
    EXPECT_FALSE(reader.flowing());
    ASSERT_EQ(notes.lines.size(), 1U);
    EXPECT_NE(notes.lines[0].find("cannot open the sound card (Device busy)"), std::string::npos)
        << notes.lines[0];
    EXPECT_NE(notes.lines[0].find("trying again every 0.05 s"), std::string::npos);
    EXPECT_EQ(ReadUntil(
                  reader, [](std::size_t n) { return n > 0; }, 300ms),
              0U);
    EXPECT_EQ(notes.lines.size(), 1U) << "told once, not at every attempt";

    machine->cards[0]->openFails = false;
    EXPECT_GE(ReadUntil(
                  reader, [](std::size_t n) { return n >= 800; }, 10s),
              800U);
    ASSERT_EQ(notes.lines.size(), 2U);
    EXPECT_EQ(notes.lines[1], "the sound card is back");

    const auto card = machine->pull(1);
    ReadUntil(
        reader, [&](std::size_t) { return notes.lines.size() > 2; }, 10s);
    ASSERT_EQ(notes.lines.size(), 3U);
    EXPECT_EQ(notes.lines[2], "the sound card was lost; opening it again every 0.05 s");
    EXPECT_FALSE(reader.flowing());
    EXPECT_FALSE(reader.ended()) << "a lost sound card is waited for";

    machine->plug(1, card);
    EXPECT_GE(ReadUntil(
                  reader, [](std::size_t n) { return n >= 800; }, 10s),
              800U);
    ASSERT_EQ(notes.lines.size(), 4U);
    EXPECT_EQ(notes.lines[3], "the sound card is back");
    EXPECT_TRUE(reader.flowing());
    reader.stop();
    EXPECT_FALSE(card->streaming);
}

// The audio time limit counts what came before a loss too.
TEST(InputReader, TheLimitCountsTheAudioOfEveryOpening) {
    auto machine = OneCard();
    Notes notes;
    InputReader reader(pskmodem::makeSoundCardSource(1, std::make_unique<MachineDevice>(machine)),
                       256, 20ms, notes.sink());
    reader.limitSeconds(0.5);
    ASSERT_EQ(reader.start(), "");
    std::size_t samples = ReadUntil(
        reader, [](std::size_t n) { return n >= 2000; }, 10s);
    const auto card = machine->pull(1);
    ReadUntil(
        reader, [&](std::size_t) { return !reader.flowing(); }, 10s);
    machine->plug(1, card);
    samples += ReadUntil(
        reader, [](std::size_t) { return false; }, 10s);
    EXPECT_TRUE(reader.ended());
    EXPECT_NEAR(reader.seconds(), 0.5, 1e-9);
    EXPECT_NEAR(static_cast<double>(samples), 4000.0, 300.0);
}

}  // namespace
}  // namespace quorvin::decode
