// The program ended from outside, as a shutdown, a closed terminal or Ctrl+C end it: it closes
// as File > Exit does, so the settings file is written and the exit is a clean one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "program_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kDeadline{60};

class QuorvinSignals : public quorvin::testing::ProgramFixture {
  protected:
    QuorvinSignals() : ProgramFixture(QUORVIN_PROGRAM) {}
};

// Whether process `pid` has a handler for `signal` (its SigCgt mask in /proc).
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return ((mask >> (signal - 1)) & 1U) != 0;
        }
    }
    return false;
}

// Starts `program` on the demo band, sends it `signal` once it catches it and waits for its end:
// its exit status, or nothing when it did not end within the deadline (it is then killed).
std::optional<int> EndBySignal(const std::filesystem::path& program, int signal, bool demo = true) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), demo ? "--demo" : nullptr, nullptr);
        _exit(127);
    }
    if (pid < 0) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + kDeadline;
    while (!Catches(pid, signal) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, signal);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (Clock::now() >= deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return std::nullopt;
    }
    return status;
}

TEST_F(QuorvinSignals, TermHupAndIntCloseTheProgramWithItsSettingsSaved) {
    // The program's folder is its own, so a copy keeps the build's settings out of it.
    const std::filesystem::path program = path("quorvin");
    std::filesystem::copy_file(QUORVIN_PROGRAM, program);
    const std::filesystem::path settings = path("QUORVIN.ini");
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        std::filesystem::remove(settings);
        const std::optional<int> ended = EndBySignal(program, signal);
        ASSERT_TRUE(ended.has_value()) << "the program did not end";
        const int status = *ended;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(std::filesystem::exists(settings));
    }
}

// Notes kept in an unsaved copy when the program was last ended are offered back at start; a
// signal that comes before that question is answered (or while it waits) ends the program
// without waiting for the answer, and the copy stays for the next start.
TEST_F(QuorvinSignals, ASignalEndsTheProgramWhileTheNotebookAsksAndKeepsTheCopy) {
    const std::filesystem::path program = path("quorvin");
    std::filesystem::copy_file(QUORVIN_PROGRAM, program);
    const std::filesystem::path notebook = path("quorvbook.log");
    const std::filesystem::path copy = path("quorvbook (unsaved).log");
    std::ofstream(notebook, std::ios::binary) << "73\r\n";
    std::ofstream(copy, std::ios::binary) << "73\r\nde PA3XYZ\r\n";
    const std::optional<int> ended = EndBySignal(program, SIGTERM);
    ASSERT_TRUE(ended.has_value()) << "the program did not end";
    const int status = *ended;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(std::filesystem::exists(path("QUORVIN.ini")));
    EXPECT_EQ(quorvin::testing::readFile(notebook), "73\r\n");
    EXPECT_EQ(quorvin::testing::readFile(copy), "73\r\nde PA3XYZ\r\n");
}

// Start-up waits on a message box when the remembered sound card is gone (and again when no
// sound card starts): a signal then ends the program there, with the choice still remembered,
// instead of leaving it running without a window.
TEST_F(QuorvinSignals, ASignalWhileStartUpShowsAMessageEndsTheProgram) {
    const std::filesystem::path program = path("quorvin");
    std::filesystem::copy_file(QUORVIN_PROGRAM, program);
    const std::filesystem::path settings = path("QUORVIN.ini");
    ASSERT_TRUE(EndBySignal(program, SIGTERM).has_value()) << "no settings file to start from";
    std::ofstream(settings, std::ios::binary | std::ios::app) << "[AudioInput]\r\nGone\r\n\r\n";
    const std::optional<int> ended = EndBySignal(program, SIGTERM, false);
    ASSERT_TRUE(ended.has_value()) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0) << *ended;
    EXPECT_NE(quorvin::testing::readFile(settings).find("[AudioInput]\r\nGone"), std::string::npos);
}

}  // namespace
