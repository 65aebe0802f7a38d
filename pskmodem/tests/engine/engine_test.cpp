#include "pskmodem/engine/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

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
using test_support::DeviceScript;
using test_support::kLastSpectrumValue;
using test_support::Levels;
using test_support::Message;
using test_support::RecordingSink;
using test_support::scriptedCard;
using test_support::ScriptedDevice;
using test_support::spectrumBin;
using test_support::Vectors;
using test_support::waitUntil;

constexpr auto kLowestHz = static_cast<std::intptr_t>(kMinFrequencyHz);
constexpr auto kHighestHz = static_cast<std::intptr_t>(kMaxFrequencyHz);

// ---- Lifecycle ------------------------------------------------------------------------------

TEST(EngineLifecycleTest, RunsFromStartedUntilStopAndStopIsFinal) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0) << engine.lastError();
    EXPECT_TRUE(engine.running());
    EXPECT_TRUE(engine.lastError().empty());
    // The card only opens in stereo at 44100 Hz: that is what the source had to pick.
    EXPECT_EQ(script->openedRateHz.load(), 44100.0);
    EXPECT_EQ(script->openedChannels.load(), 2);

    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 5, 5s));
    engine.stop();
    sink.close();
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(script->streaming.load()) << "stop() closes the device";
    EXPECT_EQ(script->stops.load(), 1);

    const std::vector<Message> messages = sink.messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().id, kMsgStatus);
    EXPECT_EQ(messages.front().wParam, static_cast<std::intptr_t>(Status::Started))
        << "Started comes before any result";
    for (const Message& m : messages) {
        if (m.id == kMsgSpectrum) {
            EXPECT_GE(m.wParam, kLowestHz);
            EXPECT_LE(m.wParam, kHighestHz);
            EXPECT_GE(m.lParam, 0);
            EXPECT_LE(m.lParam, 100);
        }
    }
    EXPECT_FALSE(waitUntil([&] { return sink.messages().size() != messages.size(); }, 200ms))
        << "no message after stop() returned";
    EXPECT_EQ(sink.lateMessages(), 0);
    engine.stop();  // a second stop is harmless
    EXPECT_TRUE(engine.waitUntilFinished(0ms));
}

TEST(EngineLifecycleTest, SecondStartWhileRunningChangesNothing) {
    auto first = std::make_shared<DeviceScript>();
    auto second = std::make_shared<DeviceScript>();
    RecordingSink sinkA;
    RecordingSink sinkB;
    Engine engine;
    ASSERT_EQ(engine.start(&sinkA, scriptedCard(first)), 0);
    ASSERT_TRUE(sinkA.waitForCount(kMsgSpectrum, 2, 5s));

    EXPECT_EQ(engine.start(&sinkB, scriptedCard(second)), 0);
    EXPECT_EQ(second->starts.load(), 0) << "the second source is never opened";
    const std::size_t before = sinkA.count(kMsgSpectrum);
    ASSERT_TRUE(sinkA.waitForCount(kMsgSpectrum, before + 3, 5s)) << "the first flow goes on";
    EXPECT_EQ(first->stops.load(), 0);
    engine.stop();
    EXPECT_TRUE(sinkB.messages().empty()) << "the second sink never hears anything";
    EXPECT_EQ(sinkA.count(kMsgStatus), 1u) << "one Started, nothing else";
}

TEST(EngineLifecycleTest, StartsAgainAfterStop) {
    Engine engine;
    for (int round = 0; round < 3; ++round) {
        auto script = std::make_shared<DeviceScript>();
        RecordingSink sink;
        ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0) << "round " << round;
        ASSERT_TRUE(sink.waitForStatus(Status::Started, 5s));
        ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 2, 5s)) << "round " << round;
        engine.stop();
        sink.close();
        EXPECT_EQ(script->stops.load(), 1);
        EXPECT_FALSE(waitUntil([&] { return sink.lateMessages() > 0; }, 50ms));
    }
}

struct FailureCase {
    const char* name;
    std::function<void(DeviceScript&)> arrange;
    int expected;
};

TEST(EngineLifecycleTest, FailingDeviceReturnsNonZeroAndPostsNothing) {
    const std::vector<FailureCase> cases{
        {"no device", [](DeviceScript& s) { s.exists = false; }, toInt(SourceError::NoDevice)},
        {"no input channels", [](DeviceScript& s) { s.maxInputChannels = 0; },
         toInt(SourceError::NoDevice)},
        {"no usable format", [](DeviceScript& s) { s.supportedRates.clear(); },
         toInt(SourceError::DeviceUnavailable)},
        {"busy", [](DeviceScript& s) { s.openFails = true; },
         toInt(SourceError::DeviceUnavailable)},
        {"opens but stays silent", [](DeviceScript& s) { s.delivering.store(false); },
         toInt(SourceError::NoAudio)},
    };
    Engine engine;
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto script = std::make_shared<DeviceScript>();
        c.arrange(*script);
        RecordingSink sink;
        EXPECT_EQ(engine.start(&sink, scriptedCard(script)), c.expected);
        EXPECT_FALSE(engine.running());
        EXPECT_FALSE(engine.lastError().empty());
        EXPECT_FALSE(script->streaming.load()) << "a failed start leaves the device closed";
        EXPECT_FALSE(waitUntil([&] { return !sink.messages().empty(); }, 50ms));
    }
    // None of this spoils the next start.
    auto good = std::make_shared<DeviceScript>();
    RecordingSink sink;
    ASSERT_EQ(engine.start(&sink, scriptedCard(good)), 0);
    EXPECT_TRUE(sink.waitForCount(kMsgSpectrum, 1, 5s));
    engine.stop();

    RecordingSink unused;
    EXPECT_EQ(engine.start(nullptr, scriptedCard(good)), Engine::kErrorInvalidArgument);
    EXPECT_EQ(engine.start(&unused, nullptr), Engine::kErrorInvalidArgument);
    EXPECT_TRUE(unused.messages().empty());
}

TEST(EngineLifecycleTest, DeviceThatFailsReportsDeviceLostAndEndsTheFlow) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 2, 5s));
    script->failNow.store(true);
    ASSERT_TRUE(sink.waitForStatus(Status::DeviceLost, 5s));
    EXPECT_TRUE(engine.waitUntilFinished(2s));
    EXPECT_FALSE(engine.running());
    const std::size_t count = sink.messages().size();
    EXPECT_FALSE(waitUntil([&] { return sink.messages().size() != count; }, 100ms))
        << "nothing after DeviceLost";
    EXPECT_EQ(sink.messages().back().wParam, static_cast<std::intptr_t>(Status::DeviceLost));
    engine.stop();

    // The engine is idle again and starts anew.
    auto next = std::make_shared<DeviceScript>();
    RecordingSink sink2;
    ASSERT_EQ(engine.start(&sink2, scriptedCard(next)), 0);
    EXPECT_TRUE(sink2.waitForCount(kMsgSpectrum, 1, 5s));
    engine.stop();
}

TEST(EngineLifecycleTest, DeviceThatGoesSilentCountsAsLost) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 1, 5s));
    const auto silentFrom = Clock::now();
    script->delivering.store(false);
    ASSERT_TRUE(sink.waitForStatus(Status::DeviceLost, 6s));
    const auto after = Clock::now() - silentFrom;
    EXPECT_GE(after, kDeviceSilenceLimit - 100ms);
    EXPECT_LT(after, kDeviceSilenceLimit + 2s);
    engine.stop();
}

TEST(EngineLifecycleTest, WaitUntilFinishedTimesOutWhileRunning) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;
    EXPECT_TRUE(engine.waitUntilFinished(0ms)) << "nothing to wait for before start";
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    EXPECT_FALSE(engine.waitUntilFinished(100ms));
    // Stopped from another thread once the flow has visibly gone on while the test waits.
    std::thread stopper([&engine, &sink] {
        sink.waitForMoreSpectra(2, 5s);
        engine.stop();
    });
    EXPECT_TRUE(engine.waitUntilFinished(5s));
    stopper.join();
}

// ---- Results and settings -------------------------------------------------------------------

// A 44.1 kHz stereo card with a 1000 Hz tone on the left and 2000 Hz on the right: the
// spectrum shows the left channel only, at the right bin.
TEST(EngineResultsTest, SpectrumShowsTheLeftChannelAtTheRightFrequency) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 12, 5s));
    Levels levels{};
    ASSERT_EQ(engine.getFftData(levels.data(), 0, kLastSpectrumValue), kSpectrumValues);
    engine.stop();

    // The noise floor: the median of a stretch of empty bins between the two tones.
    std::vector<std::int32_t> empty(
        levels.begin() + static_cast<std::ptrdiff_t>(spectrumBin(1300.0)),
        levels.begin() + static_cast<std::ptrdiff_t>(spectrumBin(1700.0)));
    std::nth_element(empty.begin(), empty.begin() + static_cast<std::ptrdiff_t>(empty.size() / 2),
                     empty.end());
    const std::int32_t floor = empty[empty.size() / 2];
    const std::int32_t tone = levels[spectrumBin(1000.0)];
    const std::int32_t other = levels[spectrumBin(2000.0)];
    // The tones are 40 dB above the noise; a noise bin rarely strays 10 dB above its median.
    EXPECT_GT(tone, floor + 100) << "the left channel's tone stands out";
    EXPECT_LT(other, floor + 60) << "the right channel does not show";
    for (const std::int32_t v : levels) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 255);
    }
}

TEST(EngineResultsTest, ReadersNeverWaitForTheDspThreadAndRangesAreClamped) {
    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    Engine engine;

    constexpr auto kAll = static_cast<std::size_t>(kSpectrumValues);
    std::array<std::int32_t, kAll + 6> buffer{};
    // Before any start: zeros, and the indicator's resting points.
    buffer.fill(-7);
    EXPECT_EQ(engine.getFftData(buffer.data(), 0, kLastSpectrumValue), kSpectrumValues);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + kSpectrumValues,
                            [](int v) { return v == 0; }));
    EXPECT_EQ(buffer[kAll], -7);

    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 6, 5s));
    // Hold the DSP thread inside its next spectrum message: the results of that frame are
    // already published, and nothing a reader or a setter does may wait for the DSP thread.
    sink.holdSpectrumMessages();
    ASSERT_TRUE(sink.waitUntilHeld(5s));

    const auto before = Clock::now();
    buffer.fill(-7);
    EXPECT_EQ(engine.getFftData(buffer.data(), -50, 5000), kSpectrumValues)
        << "clamped to 0..kLastSpectrumValue";
    EXPECT_GT(buffer[spectrumBin(1000.0)], 100) << "the held frame is readable";
    EXPECT_EQ(buffer[kAll], -7) << "nothing written beyond the range";

    buffer.fill(-7);
    EXPECT_EQ(engine.getFftData(buffer.data(), kLastSpectrumValue - 3, 2 * kSpectrumValues), 4);
    EXPECT_EQ(buffer[4], -7);
    Levels full{};
    engine.getFftData(full.data(), 0, kLastSpectrumValue);
    EXPECT_EQ(buffer[0], full[kAll - 4]) << "dest[0] is element `first`";

    EXPECT_EQ(engine.getFftData(buffer.data(), 10, 5), 0) << "an empty range copies nothing";
    EXPECT_EQ(engine.getFftData(nullptr, 0, kLastSpectrumValue), 0);
    EXPECT_EQ(engine.getFftData(buffer.data(), kLastSpectrumValue, kLastSpectrumValue), 1);

    std::array<std::int32_t, kVectorValues + 1> vectors{};
    vectors.fill(-7);
    EXPECT_EQ(engine.getVectorData(vectors.data()), kVectorValues);
    EXPECT_EQ(vectors[kVectorValues], -7);
    EXPECT_EQ(engine.getVectorData(nullptr), 0);

    engine.setFrequency(1500.0, 0.0);
    engine.setMode(Mode::QpskLsb);
    engine.setFftMode(3, 900);
    engine.setSquelch(40, 1);
    EXPECT_TRUE(engine.running());
    EXPECT_FALSE(engine.waitUntilFinished(1ms));
    EXPECT_LT(Clock::now() - before, 1s) << "none of these waited for the held DSP thread";

    sink.release();
    engine.stop();
}

// The receive frequency reaches the receiver whether it is set before start or while running;
// out-of-range values are clamped. With the AFC off the spectrum messages carry it exactly.
TEST(EngineResultsTest, FrequencySetBeforeOrDuringTheFlowHoldsAndIsClamped) {
    Engine engine;
    engine.setFrequency(1500.0, 0.0);
    engine.setMode(Mode::QpskUsb);

    auto script = std::make_shared<DeviceScript>();
    RecordingSink sink;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 3, 5s));
    for (const Message& m : sink.messages()) {
        if (m.id == kMsgSpectrum) {
            EXPECT_EQ(m.wParam, 1500)
                << "the frequency set before start holds from the first frame";
        }
    }

    auto lastFrequencyIs = [](std::intptr_t hz) {
        return [hz](const std::vector<Message>& all) {
            for (auto it = all.rbegin(); it != all.rend(); ++it) {
                if (it->id == kMsgSpectrum) {
                    return it->wParam == hz;
                }
            }
            return false;
        };
    };
    engine.setFrequency(2000.0, 0.0);
    EXPECT_TRUE(sink.waitFor(lastFrequencyIs(2000), 5s));
    engine.setFrequency(20.0, 0.0);
    EXPECT_TRUE(sink.waitFor(lastFrequencyIs(kLowestHz), 5s));
    engine.setFrequency(9000.0, 0.0);
    EXPECT_TRUE(sink.waitFor(lastFrequencyIs(kHighestHz), 5s));
    engine.stop();

    // The last setting survives the restart.
    RecordingSink sink2;
    auto script2 = std::make_shared<DeviceScript>();
    ASSERT_EQ(engine.start(&sink2, scriptedCard(script2)), 0);
    ASSERT_TRUE(sink2.waitForCount(kMsgSpectrum, 2, 5s));
    engine.stop();
    for (const Message& m : sink2.messages()) {
        if (m.id == kMsgSpectrum) {
            EXPECT_EQ(m.wParam, kHighestHz);
        }
    }
}

TEST(EngineResultsTest, GarbageSamplesDoNotUpsetTheEngine) {
    auto script = std::make_shared<DeviceScript>();
    script->poisonSamples = true;
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 10, 5s));
    Levels levels{};
    engine.getFftData(levels.data(), 0, kLastSpectrumValue);
    Vectors vectors{};
    engine.getVectorData(vectors.data());
    engine.stop();
    for (const std::int32_t v : levels) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 255);
    }
    for (const Message& m : sink.messages()) {
        if (m.id == kMsgSpectrum) {
            EXPECT_GE(m.lParam, 0);
            EXPECT_LE(m.lParam, 100);
        }
    }
    EXPECT_FALSE(sink.hasStatus(Status::DeviceLost));
}

// When the DSP thread cannot keep up, the capture ring overflows and the engine says so.
TEST(EngineResultsTest, DspThreadFallingBehindReportsOverrun) {
    auto script = std::make_shared<DeviceScript>();
    script->speed = 8.0;  // the capture ring's two seconds fill in a quarter of a second
    RecordingSink sink;
    Engine engine;
    ASSERT_EQ(engine.start(&sink, scriptedCard(script)), 0);
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 1, 5s));
    sink.holdSpectrumMessages();
    ASSERT_TRUE(sink.waitUntilHeld(5s));
    // While the DSP thread is held the card delivers five seconds of audio, more than the ring
    // holds.
    const std::uint64_t heldAt = script->framesDelivered.load();
    const auto fiveSeconds = static_cast<std::uint64_t>(5.0 * script->defaultRateHz);
    ASSERT_TRUE(
        waitUntil([&] { return script->framesDelivered.load() - heldAt > fiveSeconds; }, 10s));
    sink.release();
    EXPECT_TRUE(sink.waitForStatus(Status::Overrun, 5s));
    engine.stop();
    EXPECT_FALSE(sink.hasStatus(Status::DeviceLost));
}

// ---- The engine interface functions ---------------------------------------------------------

TEST(EngineInterfaceTest, StartTwiceStopAndClampedCalls) {
    auto script = std::make_shared<DeviceScript>();
    std::atomic<int> factoryCalls{0};
    const SourceFactory scriptedCards = [&](std::int32_t card) {
        factoryCalls.fetch_add(1);
        return makeSoundCardSource(card, std::make_unique<ScriptedDevice>(script));
    };
    RecordingSink sink;
    // Settings made before start, as the program does at start-up, out of range on purpose.
    EXPECT_EQ(fnSetRXFrequency(99999, 0, 0), 0);
    EXPECT_NE(fnSetRXPSKMode(7, 0), 0) << "an unknown mode is ignored";
    EXPECT_EQ(fnSetRXPSKMode(1, 0), 0);
    for (const std::int32_t unknown : {-1, 4}) {
        EXPECT_NE(fnSetRXPSKSpeed(unknown), 0) << "an unknown speed is ignored";
    }
    EXPECT_EQ(fnSetRXPSKSpeed(3), 0);
    EXPECT_EQ(fnSetRXPSKSpeed(0), 0);
    EXPECT_EQ(fnSetFFTMode(0, 99999, 0), 0);
    EXPECT_EQ(fnSetSquelchThreshold(-5, 3, 0), 0);
    EXPECT_EQ(fnSetTXFrequency(1234), 0);

    ASSERT_EQ(fnStartSoundCard(&sink, 0, 1, scriptedCards), 0);
    EXPECT_EQ(fnStartSoundCard(&sink, 0, 1, scriptedCards), 0) << "a repeated start is accepted";
    EXPECT_EQ(script->starts.load(), 1) << "and opens nothing";
    ASSERT_TRUE(sink.waitForCount(kMsgSpectrum, 3, 5s));
    for (const Message& m : sink.messages()) {
        if (m.id == kMsgSpectrum) {
            EXPECT_EQ(m.wParam, kHighestHz) << "frequency clamped to the highest";
        }
    }
    Levels levels{};
    EXPECT_EQ(fnGetFFTData(levels.data(), 0, kLastSpectrumValue), kSpectrumValues);
    EXPECT_GT(levels[spectrumBin(1000.0)], 100);
    Vectors vectors{};
    EXPECT_EQ(fnGetVectorData(vectors.data(), 0), kVectorValues);
    EXPECT_EQ(fnGetFFTData(nullptr, 0, kLastSpectrumValue), 0);

    EXPECT_EQ(fnStopSoundCard(), 0);
    sink.close();
    EXPECT_EQ(fnStopSoundCard(), 0);
    EXPECT_FALSE(waitUntil([&] { return sink.lateMessages() > 0; }, 50ms));

    // A sound card that cannot start: non-zero, and the engine waits for the card until it is
    // stopped.
    auto broken = std::make_shared<DeviceScript>();
    broken->exists = false;
    const SourceFactory brokenCards = [&](std::int32_t card) {
        return makeSoundCardSource(card, std::make_unique<ScriptedDevice>(broken));
    };
    RecordingSink sink2;
    EXPECT_NE(fnStartSoundCard(&sink2, 0, 1, brokenCards), 0);
    EXPECT_TRUE(sink2.waitForStatus(Status::Reopening, 1s));
    EXPECT_EQ(fnStopSoundCard(), 0);
    sink2.close();
    EXPECT_EQ(sink2.statuses(), std::vector<Status>{Status::Reopening});
    EXPECT_FALSE(waitUntil([&] { return sink2.lateMessages() > 0; }, 50ms));
}

}  // namespace
}  // namespace pskmodem
