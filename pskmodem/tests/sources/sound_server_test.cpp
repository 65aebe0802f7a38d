// The sound card path as most Linux desktops have it: PortAudio through ALSA's pulse plugin to a
// PulseAudio server. Each run starts a private server in a temporary runtime folder, with a
// 48000 Hz null sink whose monitor is the default source, and plays recordings into the sink.
// Where no server can be started the tests skip with a line saying so.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pskmodem/engine/engine.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "pskmodem/sources/audio_source.h"
#include "support/recording_sink.h"
#include "support/wait.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs `arguments` (an argument list, no shell) and returns its process id, or -1.
pid_t Spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

// Runs `arguments` to its end; true when it exits with status 0.
bool RunToEnd(const std::vector<std::string>& arguments) {
    const pid_t pid = Spawn(arguments);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A private PulseAudio server for this test program. The runtime folder is set for the whole
// process before PortAudio first starts, so that ALSA's pulse plugin finds this server.
class SoundServer {
  public:
    SoundServer() {
        runtime_ = fs::temp_directory_path() / ("quorvin_pulse_" + std::to_string(getpid()));
        fs::create_directories(runtime_);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (runtime_ / "pulse").c_str(), 1);
        const fs::path script = runtime_ / "server.pa";
        std::ofstream(script) << "load-module module-native-protocol-unix\n"
                                 "load-module module-null-sink sink_name=quorvin_test rate=48000\n"
                                 "set-default-sink quorvin_test\n"
                                 "set-default-source quorvin_test.monitor\n";
        pid_ = Spawn({"pulseaudio", "-n", "-F", script.string(), "--daemonize=no",
                      "--exit-idle-time=-1", "--use-pid-file=no", "--log-level=0"});
        if (pid_ > 0) {
            ready_ = pskmodem::test_support::waitUntil(
                [] {
                    return RunToEnd({"pactl", "info"});
                },
                10s);
        }
    }
    ~SoundServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(runtime_, ignored);
    }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool ready() const { return ready_; }
    fs::path folder() const { return runtime_; }

  private:
    fs::path runtime_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

SoundServer& Server() {
    static SoundServer server;
    return server;
}

#define SKIP_WITHOUT_SOUND_SERVER()                                                   \
    if (!Server().ready()) {                                                          \
        GTEST_SKIP() << "no PulseAudio server could be started here (pulseaudio and " \
                        "pactl from the pulseaudio packages are needed)";             \
    }

TEST(SoundServer, TheInputListNamesTheServersInput) {
    SKIP_WITHOUT_SOUND_SERVER();
    bool named = false;
    for (const pskmodem::InputDeviceInfo& device : pskmodem::listInputDevices()) {
        named = named || device.name.find("pulse") != std::string::npos;
    }
    EXPECT_TRUE(named) << "the inputs listed do not include the sound server's";
}

TEST(SoundServer, ARecordingPlayedIntoTheSinkIsDecodedAtItsTuning) {
    SKIP_WITHOUT_SOUND_SERVER();
    pskmodem::TestSignalConfig config;
    config.carrierHz = 1200.0;
    config.snrDb = 20.0;
    config.textChars = 40;  // about ten seconds: the server plays it in real time
    config.seed = 7;
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    // The server plays it through its 48000 Hz sink; the capture takes it at the rate the
    // input offers.
    const std::string recording = (Server().folder() / "bpsk31.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(recording, signal.samples, pskmodem::kSampleRateHz));

    pskmodem::test_support::RecordingSink sink;
    pskmodem::Engine engine;
    engine.setFrequency(1200.0, 50.0);
    auto source = pskmodem::makeSoundCardSource(0);
    ASSERT_EQ(engine.start(&sink, std::move(source)), 0) << engine.lastError();
    ASSERT_TRUE(RunToEnd({"paplay", "--device=quorvin_test", recording}));
    // The last characters pass the receiver's delay after the end of the recording.
    pskmodem::test_support::waitUntil([&] { return sink.text().size() >= signal.text.size(); }, 5s);
    engine.stop();
    const double cer = pskmodem::characterErrorRate(signal.text, sink.text());
    EXPECT_LT(cer, 0.05) << "sent:\n" << signal.text << "\nreceived:\n" << sink.text();
}

}  // namespace
