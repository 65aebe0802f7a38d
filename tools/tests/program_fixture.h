#pragma once

// A test fixture that runs one of the command-line programs in a scratch folder of its own and
// collects its exit status, standard output and standard error.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvin::testing {

struct RunResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::string content;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return content;
    }
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        content.append(block, got);
    }
    std::fclose(file);
    return content;
}

// Writes a 16-bit mono PCM WAV of `frames` silent samples whose header gives `rateHz`. Written
// byte by byte, so that the header may give any rate at all.
inline void writeSilentWav(const std::filesystem::path& path, std::uint32_t rateHz,
                           std::uint32_t frames) {
    std::string bytes;
    const auto le = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((value >> (8 * i)) & 0xFFU);
        }
    };
    const std::uint32_t dataBytes = 2 * frames;
    bytes += "RIFF";
    le(36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    le(16, 4);
    le(1, 2);  // PCM
    le(1, 2);  // one channel
    le(rateHz, 4);
    le(2 * rateHz, 4);  // bytes per second
    le(2, 2);           // bytes per frame
    le(16, 2);          // bits per sample
    bytes += "data";
    le(dataBytes, 4);
    bytes.append(dataBytes, '\0');
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

// An input the programs refuse at once, and the reason they give for it.
struct RefusedInput {
    std::string file;
    std::string reason;
};

// Makes in `folder` the inputs no program decodes: WAVs whose headers give 1, 6999 and 768001 Hz
// (outside the usable rates), a pipe (reading it would block) and a folder; and names /dev/zero
// (a device).
inline std::vector<RefusedInput> makeRefusedInputs(const std::filesystem::path& folder) {
    std::vector<RefusedInput> inputs;
    for (const std::uint32_t rateHz : {1U, 6999U, 768001U}) {
        const std::filesystem::path file = folder / (std::to_string(rateHz) + ".wav");
        writeSilentWav(file, rateHz, 2000);
        inputs.push_back({file.string(), "its sample rate of " + std::to_string(rateHz) +
                                             " Hz is outside the usable 7000 to 768000 Hz"});
    }
    const std::filesystem::path fifo = folder / "pipe.wav";
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << fifo;
    inputs.push_back({fifo.string(), "it is a pipe, not a regular file"});
    std::filesystem::create_directories(folder / "folder");
    inputs.push_back({(folder / "folder").string(), "it is a folder, not a regular file"});
    inputs.push_back({"/dev/zero", "it is a device, not a regular file"});
    return inputs;
}

class ProgramFixture : public ::testing::Test {
  protected:
    explicit ProgramFixture(std::string program) : program_(std::move(program)) {}

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("quorvin_cli_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    const std::filesystem::path& folder() const { return dir_; }

    // Runs the program with `args`, stdin empty, and waits for it.
    RunResult run(const std::vector<std::string>& args) const {
        std::string command = shellQuoted(program_);
        for (const std::string& a : args) {
            command += " " + shellQuoted(a);
        }
        command += " </dev/null >" + shellQuoted(path("out").string()) + " 2>" +
                   shellQuoted(path("err").string());
        const int status = std::system(command.c_str());
        RunResult result;
        if (status != -1 && WIFEXITED(status)) {
            result.exitStatus = WEXITSTATUS(status);
        }
        result.out = readFile(path("out"));
        result.err = readFile(path("err"));
        return result;
    }

  private:
    std::string program_;
    std::filesystem::path dir_;
};

}  // namespace quorvin::testing
