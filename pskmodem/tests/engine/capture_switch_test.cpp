// Choosing the sound card input: the device list, finding a remembered device by name, and
// restarting the capture of a running engine on another device or with another clock
// correction while the DSP keeps its state, on a scripted capture device.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/engine/engine.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/pskmodem.h"
#include "pskmodem/sources/audio_source.h"
#include "support/capture_thread.h"
#include "support/engine_results.h"
#include "support/recording_sink.h"
#include "support/wait.h"

namespace pskmodem {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test_support::CaptureThread;
using test_support::kLastSpectrumValue;
using test_support::Levels;
using test_support::RecordingSink;

// ---- A scripted machine with named input devices ---------------------------------------------

struct CardScript {
    std::string name;
    std::string hostApi;
    double toneHz = 1000.0;  // what the card hears
    std::atomic<bool> openFails{false};
    std::atomic<bool> pulled{false};  // its stream dies
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<bool> streaming{false};
};

// Cards 1..N of the machine; card 0 is the system's default input, `defaultCard`. Cards are
// plugged in and pulled while the engine runs (under the lock).
struct Machine {
    std::mutex mutex;
    std::vector<std::shared_ptr<CardScript>> cards;
    int defaultCard = 1;

    std::shared_ptr<CardScript> pull(int number) {
        const std::lock_guard lock(mutex);
        auto card = cards[static_cast<std::size_t>(number - 1)];
        cards.erase(cards.begin() + number - 1);
        card->pulled = true;
        return card;
    }
    void plug(int number, const std::shared_ptr<CardScript>& card) {
        const std::lock_guard lock(mutex);
        card->pulled = false;
        cards.insert(cards.begin() + number - 1, card);
    }

    CardScript* card(int number) {
        const std::lock_guard lock(mutex);
        const int n = number == 0 ? defaultCard : number;
        if (n < 1 || n > static_cast<int>(cards.size())) {
            return nullptr;
        }
        return cards[static_cast<std::size_t>(n - 1)].get();
    }
};

constexpr double kRateHz = 8000.0;

class MachineDevice final : public CaptureDevice {
  public:
    explicit MachineDevice(std::shared_ptr<Machine> machine) : machine_(std::move(machine)) {}
    ~MachineDevice() override { stop(); }
    MachineDevice(const MachineDevice&) = delete;
    MachineDevice& operator=(const MachineDevice&) = delete;

    std::optional<CaptureDeviceInfo> describe(int card) override {
        const CardScript* script = machine_->card(card);
        if (script == nullptr) {
            return std::nullopt;
        }
        return CaptureDeviceInfo{script->name, 1, kRateHz};
    }

    bool supports(int card, double rateHz, int channels) override {
        return machine_->card(card) != nullptr && rateHz == kRateHz && channels == 1;
    }

    int start(int card, double rateHz, int /*channels*/, CaptureListener& listener,
              std::string& error) override {
        stop();
        CardScript* script = machine_->card(card);
        if (script == nullptr || script->openFails) {
            error = "Device busy";
            return toInt(SourceError::DeviceUnavailable);
        }
        script->starts.fetch_add(1);
        script->streaming.store(true);
        script_ = script;
        samples_ = 0;
        noise_ = 12345;
        thread_.start(std::chrono::duration<double>(static_cast<double>(kFrames) / rateHz),
                      [this, rateHz, &listener] { return deliver(rateHz, listener); });
        return 0;
    }

    void stop() override {
        if (!thread_.stop()) {
            return;
        }
        script_->stops.fetch_add(1);
        script_->streaming.store(false);
    }

  private:
    static constexpr std::size_t kFrames = 256;

    // One buffer: the tone over a little noise, which the spectrum measures its levels against.
    bool deliver(double rateHz, CaptureListener& listener) {
        if (script_->pulled) {
            listener.streamFailed();
            return false;
        }
        for (float& v : buffer_) {
            const double t = static_cast<double>(samples_++) / rateHz;
            noise_ = noise_ * 1664525U + 1013904223U;
            const double dither = (static_cast<double>(noise_ >> 8) / 16777216.0 - 0.5) * 0.02;
            v = static_cast<float>(0.3 * std::sin(2.0 * std::numbers::pi * script_->toneHz * t) +
                                   dither);
        }
        listener.captured(buffer_.data(), kFrames, 1);
        return true;
    }

    std::shared_ptr<Machine> machine_;
    CardScript* script_ = nullptr;
    // The stream's own state, used by its thread only.
    std::uint64_t samples_ = 0;
    std::uint32_t noise_ = 12345;
    std::array<float, kFrames> buffer_{};
    CaptureThread thread_;
};

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
