// The program's command line, run as a user runs it: a recording that is no audio is refused
// before any window opens, with one line on stderr and exit status 2; --version.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "pskmodem/sources/audio_file.h"

namespace {

class QuorvinProgram : public quorvin::testing::ProgramFixture {
  protected:
    QuorvinProgram() : ProgramFixture(QUORVIN_PROGRAM) {}

    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string file = path(name).string();
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
};

TEST_F(QuorvinProgram, AnInputThatIsNoAudioIsRefusedBeforeTheWindowOpens) {
    struct Case {
        std::string name;
        std::string bytes;
    };
    static constexpr char kJpegStart[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00";
    const std::vector<Case> cases = {
        {"picture.jpg", std::string(kJpegStart, sizeof kJpegStart - 1).append(200, '\x7F')},
        {"notes.txt", "CQ CQ de QX1ABC\r\n"},
        {"empty.wav", ""},
    };
    for (const Case& c : cases) {
        const std::string file = write(c.name, c.bytes);
        const quorvin::testing::RunResult r = run({"--input", file});
        EXPECT_EQ(r.exitStatus, 2) << c.name;
        const std::string start = "quorvin: cannot decode " + file + ": ";
        EXPECT_EQ(r.err.rfind(start, 0), 0U) << r.err;
        // libsndfile's reason follows, on the one line.
        EXPECT_GT(r.err.size(), start.size() + 1) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    const quorvin::testing::RunResult missing = run({"--input", path("none.wav").string()});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.err, "quorvin: cannot read " + path("none.wav").string() + "\n");
}

// Only regular files at a sample rate that holds the band are decoded, refused at once in the
// words quorvin-decode uses: a pipe would block, a header saying 1 Hz would make each sample
// 8000 samples of work.
TEST_F(QuorvinProgram, AnInputThatIsNoRegularFileOrAtAnUnusableRateIsRefused) {
    for (const quorvin::testing::RefusedInput& c : quorvin::testing::makeRefusedInputs(folder())) {
        SCOPED_TRACE(c.file);
        const auto started = std::chrono::steady_clock::now();
        const quorvin::testing::RunResult r = run({"--input", c.file});
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.err, "quorvin: cannot decode " + c.file + ": " + c.reason + "\n");
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// --version prints the project's version; the manual gives it and the sample rates --input
// really takes.
TEST_F(QuorvinProgram, VersionAndTheManualsRates) {
    const quorvin::testing::RunResult r = run({"--version"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, "quorvin " QUORVIN_VERSION "\n");
    EXPECT_TRUE(r.err.empty()) << r.err;

    const std::string manual = quorvin::testing::readFile(
        (std::filesystem::path(QUORVIN_TEST_DATA_DIR) / "../../docs/man/quorvin.1")
            .lexically_normal());
    for (const std::string& part :
         {std::string("\\-\\-version"), std::to_string(pskmodem::kMinAudioFileRateHz) + " to " +
                                            std::to_string(pskmodem::kMaxAudioFileRateHz) +
                                            " samples per second"}) {
        EXPECT_NE(manual.find(part), std::string::npos) << part;
    }
}

}  // namespace
