// The sound card path as most Linux desktops have it: PortAudio through ALSA's pulse plugin to a
// PulseAudio server. Each run starts a private server (support/sound_server.h) and plays
// recordings into its null sink. Where no server can be started the tests skip with a line
// saying so.

#include "support/sound_server.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/engine/engine.h"
#include "pskmodem/pskmodem.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "pskmodem/sources/audio_source.h"
#include "support/recording_sink.h"
#include "support/wait.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using pskmodem::test_support::runToEnd;

pskmodem::test_support::SoundServer& Server() {
    return pskmodem::test_support::soundServer();
}

TEST(SoundServer, TheInputListNamesTheServersInput) {
    SKIP_WITHOUT_SOUND_SERVER();
    bool named = false;
    for (const pskmodem::InputDeviceInfo& device : pskmodem::listInputDevices()) {
        named = named || device.name.find("pulse") != std::string::npos;
    }
    EXPECT_TRUE(named) << "the inputs listed do not include the sound server's";
}

// A BPSK31 recording of about six seconds (the server plays it in real time) at `hz`.
struct Recording {
    std::string text;
    std::string path;
};

Recording WriteRecording(double hz, unsigned seed) {
    pskmodem::TestSignalConfig config;
    config.carrierHz = hz;
    config.snrDb = 20.0;
    config.textChars = 24;
    config.seed = seed;
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    const std::string path =
        (Server().folder() / ("bpsk31_" + std::to_string(seed) + ".wav")).string();
    EXPECT_TRUE(pskmodem::writeAudioFile(path, signal.samples, pskmodem::kSampleRateHz));
    return {signal.text, path};
}

// Plays `recording` into the sink and returns what `sink` decoded meanwhile.
std::string PlayAndDecode(const Recording& recording,
                          const pskmodem::test_support::RecordingSink& sink) {
    const std::size_t before = sink.text().size();
    EXPECT_TRUE(runToEnd({"paplay", "--device=quorvin_test", recording.path}));
    // The last characters pass the receiver's delay after the end of the recording.
    pskmodem::test_support::waitUntil(
        [&] { return sink.text().size() >= before + recording.text.size(); }, 5s);
    return sink.text().substr(before);
}

void ExpectDecoded(const Recording& recording, const std::string& received) {
    EXPECT_LT(pskmodem::characterErrorRate(recording.text, received), 0.05)
        << "sent:\n"
        << recording.text << "\nreceived:\n"
        << received;
}

// The real PortAudio device, offering only the sample rates `rates` (as some hardware does).
class OnlyAtRates final : public pskmodem::CaptureDevice {
  public:
    explicit OnlyAtRates(std::vector<double> rates)
        : device_(pskmodem::makePortAudioCaptureDevice()), rates_(std::move(rates)) {}
    std::optional<pskmodem::CaptureDeviceInfo> describe(int card) override {
        return device_->describe(card);
    }
    bool supports(int card, double rateHz, int channels) override {
        return std::find(rates_.begin(), rates_.end(), rateHz) != rates_.end() &&
               device_->supports(card, rateHz, channels);
    }
    int start(int card, double rateHz, int channels, pskmodem::CaptureListener& listener,
              std::string& error) override {
        return device_->start(card, rateHz, channels, listener, error);
    }
    void stop() override { device_->stop(); }

  private:
    std::unique_ptr<pskmodem::CaptureDevice> device_;
    std::vector<double> rates_;
};

TEST(SoundServer, RecordingsPlayedIntoTheSinkAreDecodedAtTheirTuningAtEitherDeviceRate) {
    SKIP_WITHOUT_SOUND_SERVER();
    struct Case {
        const char* name;
        std::vector<double> rates;  // empty: as the input offers
        double hz;
    };
    // The input offers 8000 Hz, taken without conversion; a device at 48000 Hz is converted.
    for (const Case& c : {Case{"as offered", {}, 1200.0}, Case{"48000 Hz", {48000.0}, 1700.0}}) {
        SCOPED_TRACE(c.name);
        const Recording recording = WriteRecording(c.hz, 7);
        pskmodem::test_support::RecordingSink sink;
        pskmodem::Engine engine;
        engine.setFrequency(c.hz, 50.0);
        auto source = c.rates.empty() ? pskmodem::makeSoundCardSource(0)
                                      : pskmodem::makeSoundCardSource(
                                            0, std::make_unique<OnlyAtRates>(c.rates));
        ASSERT_EQ(engine.start(&sink, std::move(source)), 0) << engine.lastError();
        ExpectDecoded(recording, PlayAndDecode(recording, sink));
        engine.stop();
    }
}

// The program's engine, through its interface: the sound server is away when it starts, comes,
// dies in the middle of the run and comes back; the engine notices each change by itself.
TEST(SoundServer, TheProgramsEngineWaitsForTheServerAndSurvivesItsRestart) {
    SKIP_WITHOUT_SOUND_SERVER();
    using Clock = std::chrono::steady_clock;
    using pskmodem::Status;
    pskmodem::test_support::RecordingSink sink;
    const auto waitForStatuses = [&sink](std::vector<Status> expected) {
        return pskmodem::test_support::waitUntil([&] { return sink.statuses() == expected; }, 15s);
    };
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };

    Server().kill(SIGKILL);
    EXPECT_NE(pskmodem::fnStartSoundCard(&sink, 0, 1), 0) << "no server, no sound card";
    pskmodem::fnSetRXFrequency(1500, 50, 0);
    ASSERT_TRUE(waitForStatuses({Status::Reopening}));
    ASSERT_TRUE(Server().start());
    const auto serverUp = Clock::now();
    ASSERT_TRUE(waitForStatuses({Status::Reopening, Status::Started}));
    const double firstOpen = seconds(Clock::now() - serverUp);

    // The server dies mid-run: noticed within two seconds, and back after its restart with the
    // receiver as it was.
    Server().kill(SIGKILL);
    const auto died = Clock::now();
    ASSERT_TRUE(waitForStatuses({Status::Reopening, Status::Started, Status::Reopening}));
    const double noticed = seconds(Clock::now() - died);
    EXPECT_LT(noticed, 2.0);
    ASSERT_TRUE(Server().start());
    const auto back = Clock::now();
    ASSERT_TRUE(
        waitForStatuses({Status::Reopening, Status::Started, Status::Reopening, Status::Started}));
    const double resumed = seconds(Clock::now() - back);
    EXPECT_LT(resumed, 8.0);
    const Recording recording = WriteRecording(1500.0, 13);
    ExpectDecoded(recording, PlayAndDecode(recording, sink));
    pskmodem::fnStopSoundCard();
    std::cout << "sound server: first open " << firstOpen << " s after the server came; loss "
              << "noticed after " << noticed << " s; capture back " << resumed
              << " s after the server\n";
}

}  // namespace
