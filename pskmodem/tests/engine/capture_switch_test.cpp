// Choosing the sound card input: the device list, finding a remembered device by name, and
// restarting the capture of a running engine on another device or with another clock
// correction while the DSP keeps its state, on a scripted capture device.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pskmodem/engine/engine.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/pskmodem.h"
#include "pskmodem/sources/audio_source.h"
#include "support/capture_thread.h"
#include "support/engine_results.h"
#include "support/recording_sink.h"
#include "support/scripted_capture_devices.h"
#include "support/wait.h"

namespace pskmodem {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test_support::CardScript;
using test_support::kLastSpectrumValue;
using test_support::Levels;
using test_support::Machine;
using test_support::MachineDevice;
using test_support::RecordingSink;

constexpr double kRateHz = test_support::kMachineRateHz;

std::shared_ptr<Machine> ThreeCards() {
    auto machine = std::make_shared<Machine>();
    const auto add = [&](const char* name, const char* hostApi, double toneHz) {
        auto card = std::make_shared<CardScript>();
        card->name = name;
        card->hostApi = hostApi;
        card->toneHz = toneHz;
        machine->cards.push_back(card);
    };
    add("Built-in Audio Analog Stereo", "ALSA", 3000.0);
    add("USB Audio CODEC", "ALSA", 2000.0);
    add("USB Audio CODEC", "JACK Audio Connection Kit", 1000.0);
    machine->defaultCard = 1;
    return machine;
}

std::unique_ptr<AudioSource> CardSource(const std::shared_ptr<Machine>& machine, int card) {
    return makeSoundCardSource(card, std::make_unique<MachineDevice>(machine));
}

// The bin of the strongest value in the newest spectrum, from the engine or the facade: the
// middle of the run of bins that reach it (a strong tone fills a few bins with white).
int PeakBin(const std::function<int(std::int32_t*, int, int)>& getFftData) {
    Levels levels{};
    getFftData(levels.data(), 0, kLastSpectrumValue);
    const auto peak = std::max_element(levels.begin() + 10, levels.end());
    const auto runEnd = std::find_if(peak, levels.end(), [&](std::int32_t v) { return v < *peak; });
    return static_cast<int>((peak - levels.begin()) + (runEnd - levels.begin()) - 1) / 2;
}

int BinOf(double hz) {
    return static_cast<int>(test_support::spectrumBin(hz));
}

// Waits until the peak of the spectrum lies within one bin of `hz`.
bool WaitForPeakAt(double hz, const std::function<int(std::int32_t*, int, int)>& getFftData,
                   const RecordingSink& sink) {
    const auto giveUp = Clock::now() + 5s;
    while (Clock::now() < giveUp) {
        if (std::abs(PeakBin(getFftData) - BinOf(hz)) <= 1) {
            return true;
        }
        sink.waitForMoreSpectra(1, 200ms);
    }
    return false;
}

// ---- The device list --------------------------------------------------------------------------

TEST(InputDevices, ListedInCardOrderWithTheDefaultMarked) {
    auto machine = ThreeCards();
    machine->defaultCard = 2;
    MachineDevice device(machine);
    const std::vector<InputDeviceInfo> devices = listInputDevices(device);
    ASSERT_EQ(devices.size(), 3U);
    for (int i = 0; i < 3; ++i) {
        const InputDeviceInfo& d = devices[static_cast<std::size_t>(i)];
        EXPECT_EQ(d.card, i + 1);
        EXPECT_EQ(d.name, machine->cards[static_cast<std::size_t>(i)]->name);
        EXPECT_EQ(d.maxInputChannels, 1);
        EXPECT_EQ(d.defaultSampleRateHz, kRateHz);
    }
    // Two devices share the default's name; the first of them counts as the default.
    EXPECT_FALSE(devices[0].isDefault);
    EXPECT_TRUE(devices[1].isDefault);
    EXPECT_FALSE(devices[2].isDefault);
}

TEST(InputDevices, NoDevicesGiveAnEmptyList) {
    auto machine = std::make_shared<Machine>();
    MachineDevice device(machine);
    EXPECT_TRUE(listInputDevices(device).empty());
}

TEST(InputDevices, FoundByNameAndHostApiThenByNameAlone) {
    const std::vector<InputDeviceInfo> devices{
        {"Built-in", "ALSA", 1, 0, true, 2, 48000.0},
        {"USB Audio CODEC", "ALSA", 2, 3, false, 1, 44100.0},
        {"USB Audio CODEC", "JACK Audio Connection Kit", 3, 7, false, 2, 48000.0},
    };
    EXPECT_EQ(findInputDevice(devices, "USB Audio CODEC", "JACK Audio Connection Kit")->card, 3);
    EXPECT_EQ(findInputDevice(devices, "USB Audio CODEC", "ALSA")->card, 2);
    // The host API has gone (another driver layer this time): the name still finds it.
    EXPECT_EQ(findInputDevice(devices, "USB Audio CODEC", "PulseAudio")->card, 2);
    EXPECT_FALSE(findInputDevice(devices, "usb audio codec", "ALSA")) << "names are exact";
    EXPECT_FALSE(findInputDevice(devices, "Unplugged Interface", "ALSA"));
    EXPECT_FALSE(findInputDevice(devices, "", "ALSA")) << "no name is the default, not a device";
    EXPECT_FALSE(findInputDevice({}, "Built-in", "ALSA"));
}

TEST(InputDevices, NamedByTheirCaptionOrTheirNameAlone) {
    const std::vector<InputDeviceInfo> devices{
        {"Built-in", "", 1, -1, true, 2, 48000.0},
        {"USB Audio CODEC", "ALSA", 2, 3, false, 1, 44100.0},
        {"USB Audio CODEC", "JACK Audio Connection Kit", 3, 7, false, 2, 48000.0},
        {"Odd [JACK]", "ALSA", 4, 8, false, 2, 48000.0},
    };
    EXPECT_EQ(inputDeviceCaption(devices[0]), "Built-in");
    EXPECT_EQ(inputDeviceCaption(devices[2]), "USB Audio CODEC [JACK Audio Connection Kit]");
    const struct {
        const char* text;
        int card;  // 0: none
    } cases[] = {
        {"USB Audio CODEC [JACK Audio Connection Kit]", 3},
        {"USB Audio CODEC [ALSA]", 2},
        {"USB Audio CODEC", 2},  // the first of that name
        {"Built-in", 1},
        {"Odd [JACK]", 4},  // a name that looks like a caption
        {"Odd [JACK] [ALSA]", 4},
        {"USB Audio CODEC [PulseAudio]", 0},
        {"usb audio codec", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto found = findInputDeviceNamed(devices, c.text);
        EXPECT_EQ(found ? found->card : 0, c.card);
    }
}

// ---- Restarting the capture of a running engine ------------------------------------------------

class CaptureRestart : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = ThreeCards();
        ASSERT_EQ(engine.start(&sink, CardSource(machine, 0)), 0);
        ASSERT_TRUE(WaitForPeakAt(3000.0, fft(), sink)) << "card 0 is the default, card 1";
    }

    std::function<int(std::int32_t*, int, int)> fft() {
        return [this](std::int32_t* dest, int first, int last) {
            return engine.getFftData(dest, first, last);
        };
    }

    std::shared_ptr<Machine> machine;
    RecordingSink sink;
    Engine engine;
};

TEST_F(CaptureRestart, AnotherDeviceTakesOverAndTheFlowGoesOn) {
    const std::uint64_t before = engine.samplesProcessed();
    ASSERT_GT(before, 0U);
    EXPECT_EQ(engine.restartCapture(CardSource(machine, 3)), 0);
    EXPECT_TRUE(engine.running());
    EXPECT_TRUE(engine.lastError().empty());
    EXPECT_FALSE(machine->cards[0]->streaming.load()) << "the old device is released";
    EXPECT_EQ(machine->cards[0]->stops.load(), 1);
    EXPECT_TRUE(machine->cards[2]->streaming.load());
    EXPECT_TRUE(WaitForPeakAt(1000.0, fft(), sink));

    // The DSP kept its state: the count of processed samples goes on, and the flow was never
    // announced anew nor ended.
    EXPECT_GT(engine.samplesProcessed(), before);
    EXPECT_EQ(sink.statuses(), std::vector<Status>{Status::Started});

    engine.stop();
    EXPECT_FALSE(machine->cards[2]->streaming.load());
    EXPECT_EQ(sink.statuses(), std::vector<Status>{Status::Started});
}

TEST_F(CaptureRestart, TheSpectrumGoesOnFromWhereItWas) {
    // Heavy smoothing: a trace fades over about a second. After a second and a half of audio
    // (24 frames) the picture has settled.
    engine.setFftMode(10, 1500);
    ASSERT_TRUE(sink.waitForMoreSpectra(24, 10s));
    Levels before{};
    engine.getFftData(before.data(), 0, kLastSpectrumValue);
    const auto far = static_cast<std::size_t>(BinOf(500.0));
    ASSERT_GT(before[static_cast<std::size_t>(BinOf(3000.0))], before[far] + 60);

    ASSERT_EQ(engine.restartCapture(CardSource(machine, 3)), 0);
    ASSERT_TRUE(sink.waitForMoreSpectra(1, 2s));
    Levels after{};
    engine.getFftData(after.data(), 0, kLastSpectrumValue);
    // The first frame from the new card still shows the old card's tone fading and the new
    // one coming up; a receiver started afresh would show the new tone alone.
    EXPECT_GT(after[static_cast<std::size_t>(BinOf(3000.0))], after[far] + 40);
    EXPECT_TRUE(WaitForPeakAt(1000.0, fft(), sink));
}

TEST_F(CaptureRestart, ADeviceThatCannotOpenLeavesThePreviousOneRunning) {
    machine->cards[1]->openFails = true;
    const int result = engine.restartCapture(CardSource(machine, 2));
    EXPECT_NE(result, 0);
    EXPECT_FALSE(engine.lastError().empty());
    EXPECT_TRUE(engine.running());
    EXPECT_TRUE(machine->cards[0]->streaming.load()) << "the previous device captures again";
    EXPECT_EQ(machine->cards[0]->starts.load(), 2);
    EXPECT_TRUE(sink.waitForMoreSpectra(3, 5s));
    EXPECT_TRUE(WaitForPeakAt(3000.0, fft(), sink));
    EXPECT_EQ(sink.statuses(), std::vector<Status>{Status::Started});
}

TEST_F(CaptureRestart, WhenNeitherDeviceStartsTheFlowEndsAsWithALostDevice) {
    machine->cards[1]->openFails = true;
    machine->cards[0]->openFails = true;  // taken away while in use
    EXPECT_NE(engine.restartCapture(CardSource(machine, 2)), 0);
    EXPECT_FALSE(engine.running());
    EXPECT_TRUE(engine.waitUntilFinished(1s));
    EXPECT_EQ(sink.statuses(), (std::vector<Status>{Status::Started, Status::DeviceLost}));
    EXPECT_EQ(engine.restartCapture(CardSource(machine, 3)), Engine::kErrorNotRunning);
    EXPECT_FALSE(machine->cards[2]->streaming.load());
}

TEST_F(CaptureRestart, ANewClockCorrectionKeepsTheDevice) {
    engine.setClockCorrectionPpm(5000.0);
    EXPECT_EQ(engine.restartCapture(nullptr), 0);
    EXPECT_EQ(machine->cards[0]->starts.load(), 1) << "the device was not touched";
    EXPECT_EQ(machine->cards[0]->stops.load(), 0);
    // 3000 Hz from a card whose clock runs 0.5 % fast comes out at 3015 Hz, four bins of
    // 3.9 Hz above; 0.5 % slow gives 2985 Hz.
    EXPECT_TRUE(WaitForPeakAt(3015.0, fft(), sink));
    engine.setClockCorrectionPpm(-5000.0);
    EXPECT_EQ(engine.restartCapture(nullptr), 0);
    EXPECT_TRUE(WaitForPeakAt(2985.0, fft(), sink));
    EXPECT_EQ(machine->cards[0]->starts.load(), 1);
    EXPECT_EQ(sink.statuses(), std::vector<Status>{Status::Started});
}

TEST(CaptureRestartIdle, NothingRunsNothingIsTaken) {
    Engine engine;
    auto machine = ThreeCards();
    EXPECT_EQ(engine.restartCapture(CardSource(machine, 1)), Engine::kErrorNotRunning);
    EXPECT_EQ(machine->cards[0]->starts.load(), 0);
    RecordingSink sink;
    ASSERT_EQ(engine.start(&sink, CardSource(machine, 1)), 0);
    engine.stop();
    EXPECT_EQ(engine.restartCapture(nullptr), Engine::kErrorNotRunning);
}

// ---- The engine interface -----------------------------------------------------------------------

// ---- An input that goes away and comes back ---------------------------------------------------

bool WaitForStatuses(const RecordingSink& sink, const std::vector<Status>& expected) {
    return test_support::waitUntil([&] { return sink.statuses() == expected; }, 5s);
}

TEST(LostInput, ACardThatCannotOpenAtStartIsOpenedOnceItCanAndStopEndsTheWait) {
    auto machine = ThreeCards();
    machine->cards[0]->openFails = true;
    RecordingSink sink;
    Engine engine;
    engine.setReopenInterval(100ms);
    EXPECT_NE(engine.start(&sink, CardSource(machine, 0)), 0);
    EXPECT_FALSE(engine.lastError().empty());
    EXPECT_TRUE(engine.running()) << "the flow waits for its card";
    ASSERT_TRUE(WaitForStatuses(sink, {Status::Reopening}));
    EXPECT_EQ(engine.start(&sink, CardSource(machine, 2)), 0) << "a second start changes nothing";
    EXPECT_FALSE(test_support::waitUntil([&] { return sink.spectra() > 0; }, 300ms));

    machine->cards[0]->openFails = false;
    ASSERT_TRUE(WaitForStatuses(sink, {Status::Reopening, Status::Started}));
    EXPECT_TRUE(machine->cards[0]->streaming.load());
    EXPECT_TRUE(WaitForPeakAt(
        3000.0, [&](std::int32_t* d, int f, int l) { return engine.getFftData(d, f, l); }, sink));

    // Waiting again (no card opens now), stop() ends the wait at once.
    for (const auto& card : machine->cards) {
        card->openFails = true;
    }
    const std::shared_ptr<CardScript> builtIn = machine->pull(1);  // its stream still holds it
    ASSERT_TRUE(WaitForStatuses(sink, {Status::Reopening, Status::Started, Status::Reopening}));
    const auto stopping = Clock::now();
    engine.stop();
    EXPECT_LT(Clock::now() - stopping, 500ms);
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(builtIn->streaming.load());
}

TEST(LostInput, AChosenCardPulledAndPluggedBackIsFoundByNameAndTheFlowGoesOn) {
    auto machine = ThreeCards();
    machine->cards[2]->name = "Line In";
    RecordingSink sink;
    Engine engine;
    engine.setReopenInterval(100ms);
    const auto fft = [&](std::int32_t* d, int f, int l) { return engine.getFftData(d, f, l); };
    ASSERT_EQ(engine.start(&sink, CardSource(machine, 2)), 0);  // "USB Audio CODEC"
    ASSERT_TRUE(WaitForPeakAt(2000.0, fft, sink));

    const auto pulledAt = Clock::now();
    const std::shared_ptr<CardScript> usb = machine->pull(2);
    ASSERT_TRUE(WaitForStatuses(sink, {Status::Started, Status::Reopening}));
    EXPECT_LT(Clock::now() - pulledAt, 2s) << "a failing stream is noticed at once";
    const std::uint64_t before = engine.samplesProcessed();
    const int spectraBefore = sink.spectra();
    EXPECT_FALSE(test_support::waitUntil([&] { return sink.spectra() > spectraBefore; }, 300ms))
        << "the card number 2 now names another card, which must not be taken";

    // Back as card 1: the same card is found by its name.
    machine->plug(1, usb);
    ASSERT_TRUE(WaitForStatuses(sink, {Status::Started, Status::Reopening, Status::Started}));
    EXPECT_TRUE(usb->streaming.load());
    EXPECT_FALSE(machine->cards[1]->streaming.load());
    EXPECT_FALSE(machine->cards[2]->streaming.load());
    EXPECT_TRUE(WaitForPeakAt(2000.0, fft, sink));
    // (The peak may still be the one from before the pull: the count is read once the card's
    // audio has made a new spectrum.)
    ASSERT_TRUE(test_support::waitUntil([&] { return sink.spectra() > spectraBefore; }, 2s));
    EXPECT_GT(engine.samplesProcessed(), before) << "the flow went on, it was not started afresh";
    engine.stop();
}

TEST(SoundCardInput, SwitchesTheRunningCaptureAndKeepsTheCorrectionForTheNextStart) {
    auto machine = ThreeCards();
    std::vector<int> cardsMade;
    std::mutex cardsMutex;
    const SourceFactory cards = [&](std::int32_t card) {
        {
            const std::lock_guard lock(cardsMutex);
            cardsMade.push_back(card);
        }
        return CardSource(machine, card);
    };
    const auto facadeFft = [](std::int32_t* dest, int first, int last) {
        return fnGetFFTData(dest, first, last);
    };

    // While stopped only the correction is taken.
    EXPECT_EQ(fnSetSoundCardInput(2, 0.0), 0);
    EXPECT_TRUE(cardsMade.empty());

    RecordingSink sink;
    ASSERT_EQ(fnStartSoundCard(&sink, 0, 1, cards), 0);
    EXPECT_TRUE(WaitForPeakAt(3000.0, facadeFft, sink));

    EXPECT_EQ(fnSetSoundCardInput(2, 0.0), 0);
    EXPECT_TRUE(WaitForPeakAt(2000.0, facadeFft, sink));
    EXPECT_TRUE(machine->cards[1]->streaming.load());
    EXPECT_FALSE(machine->cards[0]->streaming.load());

    // The same card with another correction: no new source, the device goes on.
    EXPECT_EQ(fnSetSoundCardInput(2, -5000.0), 0);
    EXPECT_EQ(machine->cards[1]->starts.load(), 1);
    EXPECT_TRUE(WaitForPeakAt(1990.0, facadeFft, sink));

    // A card that cannot open: its error, and card 2 goes on.
    machine->cards[2]->openFails = true;
    EXPECT_NE(fnSetSoundCardInput(3, -5000.0), 0);
    EXPECT_TRUE(machine->cards[1]->streaming.load());
    EXPECT_EQ(fnStartSoundCard(&sink, 0, 1, cards), 0) << "still running";

    // Back to the system's default input.
    EXPECT_EQ(fnSetSoundCardInput(0, 0.0), 0);
    EXPECT_TRUE(WaitForPeakAt(3000.0, facadeFft, sink));
    EXPECT_EQ(fnStopSoundCard(), 0);
    {
        const std::lock_guard lock(cardsMutex);
        EXPECT_EQ(cardsMade, (std::vector<int>{0, 2, 3, 0}));
    }
    EXPECT_EQ(sink.statuses(), std::vector<Status>{Status::Started});
    for (const auto& card : machine->cards) {
        EXPECT_FALSE(card->streaming.load());
    }
    fnSetSoundCardInput(0, 0.0);
}

}  // namespace
}  // namespace pskmodem
