#include "support/sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/wait.h"

extern char** environ;

namespace pskmodem::test_support {

namespace fs = std::filesystem;

pid_t spawnQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return failed != 0 ? -1 : pid;
}

bool runToEnd(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) {
    const pid_t pid = spawnQuietly(arguments);
    if (pid <= 0) {
        return false;
    }
    int status = 0;
    const bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout);
    if (!ended) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

SoundServer::SoundServer() {
    runtime_ = fs::temp_directory_path() / ("quorvin_pulse_" + std::to_string(getpid()));
    fs::create_directories(runtime_);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (runtime_ / "pulse").c_str(), 1);
    // While the server is away, a client must not start one of its own.
    std::ofstream(runtime_ / "client.conf") << "autospawn = no\n";
    setenv("PULSE_CLIENTCONFIG", (runtime_ / "client.conf").c_str(), 1);
    std::ofstream(runtime_ / "server.pa")
        << "load-module module-native-protocol-unix\n"
           "load-module module-null-sink sink_name="
        << kSoundServerSink
        << " rate=48000\n"
           "set-default-sink "
        << kSoundServerSink << "\nset-default-source " << kSoundServerSink << ".monitor\n";
    ready_ = start();
}

SoundServer::~SoundServer() {
    kill(SIGTERM);
    std::error_code ignored;
    fs::remove_all(runtime_, ignored);
}

bool SoundServer::start() {
    pid_ =
        spawnQuietly({"pulseaudio", "-n", "-F", (runtime_ / "server.pa").string(), "--daemonize=no",
                      "--exit-idle-time=-1", "--use-pid-file=no", "--log-level=0"});
    return pid_ > 0 && waitUntil(
                           [] {
                               return runToEnd({"pactl", "info"}, std::chrono::seconds(5));
                           },
                           std::chrono::seconds(10));
}

void SoundServer::kill(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

SoundServer& soundServer() {
    static SoundServer server;
    return server;
}

}  // namespace pskmodem::test_support
