// Runs the quorvin-decode program itself: bad input must give exit status 2 and exactly one
// diagnostic line, and generated recordings must decode end to end.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pskmodem/audio_file.h"
#include "pskmodem/cer.h"
#include "pskmodem/testsignal.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string readFile(const fs::path& path) {
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

class DecodeProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("quorvin_decode_cli_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path path(const std::string& name) const { return dir_ / name; }

    RunResult run(const std::vector<std::string>& args) const {
        std::string command = shellQuoted(QUORVIN_DECODE_PROGRAM);
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

    fs::path dir_;
};

void expectBadInput(const RunResult& r) {
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("quorvin-decode: ", 0), 0U) << r.err;
    // Exactly one line.
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST_F(DecodeProgram, BadArgumentsExitWithStatus2AndOneLine) {
    const std::string wav = path("ok.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, std::vector<float>(800, 0.0F), 8000));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {wav},
        {wav, "--freq"},
        {wav, "--freq", "abc"},
        {wav, "--freq", "99"},
        {wav, "--freq", "3501"},
        {wav, "--freq", "1000", "--search", "201"},
        {wav, "--freq", "1000", "--squelch", "100"},
        {wav, "--freq", "1000", "--squelch", "x"},
        {wav, "--freq", "1000", "--mode", "am"},
        {wav, "--freq", "1000", "--unknown"},
        {wav, "--demo"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) {
            joined += a + " ";
        }
        SCOPED_TRACE(joined);
        expectBadInput(run(args));
    }
}

TEST_F(DecodeProgram, UnreadableInputExitsWithStatus2AndOneLine) {
    {
        std::ofstream text(path("notes.wav"));
        text << "This is not audio.\nIt only has a .wav name.\n";
    }
    { std::ofstream empty(path("empty.wav")); }
    fs::create_directories(path("folder"));
    // A file name with a line break must still give one line.
    const std::string odd = path("line\nbreak.wav").string();
    for (const std::string& file : {path("missing.wav").string(), path("notes.wav").string(),
                                    path("empty.wav").string(), path("folder").string(), odd}) {
        SCOPED_TRACE(file);
        const RunResult r = run({file, "--freq", "1000"});
        expectBadInput(r);
        EXPECT_NE(r.err.find("Cannot read"), std::string::npos) << r.err;
    }
}

TEST_F(DecodeProgram, HelpGoesToStdout) {
    const RunResult r = run({"--help"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.out.find("Usage: quorvin-decode"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
}

TEST_F(DecodeProgram, SilentFileDecodesToNothing) {
    const std::string wav = path("silence.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, std::vector<float>(8000, 0.0F), 8000));
    const RunResult r = run({wav, "--freq", "1000", "--squelch", "50"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

// A clean BPSK31 transmission, written at 8000 Hz mono and at 44100 Hz stereo (converted on the
// way in), and a QPSK31 one, must come out as the text sent.
TEST_F(DecodeProgram, DecodesGeneratedRecordings) {
    struct Case {
        const char* name;
        pskmodem::Mode mode;
        const char* modeArg;
        double sampleRateHz;
        int channels;
        const char* file;
    };
    const Case cases[] = {
        {"bpsk 8000", pskmodem::Mode::Bpsk, "bpsk", 8000.0, 1, "bpsk.wav"},
        {"bpsk 44100 stereo", pskmodem::Mode::Bpsk, "bpsk", 44100.0, 2, "bpsk44.flac"},
        {"qpsk usb", pskmodem::Mode::QpskUsb, "qpsk-usb", 8000.0, 1, "qpsk.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pskmodem::TestSignalConfig config;
        config.mode = c.mode;
        config.carrierHz = 1203.0;
        config.snrDb = 15.0;
        config.seed = 5;
        config.text =
            "CQ CQ DE QX1TST QX1TST\r\nThe quick brown fox jumps over the lazy dog 0123"
            "456789.\r\n";
        config.sampleRateHz = c.sampleRateHz;
        const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
        std::vector<float> samples;
        for (const float s : signal.samples) {
            for (int ch = 0; ch < c.channels; ++ch) {
                samples.push_back(ch == 0 ? s : 0.0F);  // the left channel carries the signal
            }
        }
        const std::string file = path(c.file).string();
        ASSERT_TRUE(
            pskmodem::writeAudioFile(file, samples, static_cast<int>(c.sampleRateHz), c.channels));
        // 1203 Hz is found from 1190 Hz by the AFC.
        const RunResult r = run({file, "--freq", "1190", "--mode", c.modeArg, "--search", "30"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, r.out), 0.05) << r.out;
    }
}

}  // namespace
