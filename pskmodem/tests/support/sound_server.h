#pragma once

// A private PulseAudio server for a test program, as most Linux desktops reach the sound card:
// PortAudio through ALSA's pulse plugin to the server. It runs in a temporary runtime folder with
// a 48000 Hz null sink (kSoundServerSink) whose monitor is the default source, so that what a test
// plays into the sink is what a sound card captures. The runtime folder is set for the whole
// process (and the programs it starts) before PortAudio first starts. Where no server can be
// started, tests skip with SKIP_WITHOUT_SOUND_SERVER.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace pskmodem::test_support {

inline constexpr char kSoundServerSink[] = "quorvin_test";

// Starts `arguments` (an argument list, no shell) with its output and diagnostics discarded and
// returns its process id, or -1.
pid_t spawnQuietly(const std::vector<std::string>& arguments);
// Runs `arguments` to its end; true when it exits with status 0 within `timeout` (it is killed
// otherwise).
bool runToEnd(const std::vector<std::string>& arguments,
              std::chrono::milliseconds timeout = std::chrono::seconds(60));

class SoundServer {
  public:
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server; true once it answers.
    bool start();
    // Ends the server with `signal` and waits until it is gone.
    void kill(int signal);

    bool ready() const { return ready_; }
    std::filesystem::path folder() const { return runtime_; }

  private:
    std::filesystem::path runtime_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

// The test program's one server, started at the first call.
SoundServer& soundServer();

}  // namespace pskmodem::test_support

#define SKIP_WITHOUT_SOUND_SERVER()                                                   \
    if (!::pskmodem::test_support::soundServer().ready()) {                           \
        GTEST_SKIP() << "no PulseAudio server could be started here (pulseaudio and " \
                        "pactl from the pulseaudio packages are needed)";             \
    }
