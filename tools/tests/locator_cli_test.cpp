// Runs the quorvin-locator program itself: its one output line for good locators, and the
// window's messages with exit status 2 for the locators the window refuses.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_fixture.h"

namespace {

using quorvin::testing::RunResult;

class LocatorProgram : public quorvin::testing::ProgramFixture {
  protected:
    LocatorProgram() : ProgramFixture(QUORVIN_LOCATOR_PROGRAM) {}
};

const std::string kLengthMessage =
    "Invallid locator! A locator must exist out of at least 4 characters and no more then 6 in "
    "total. Examples: JO20, JO20AW";

TEST_F(LocatorProgram, PrintsTheFourTextsTabSeparatedOnOneLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"JO20AW", "JN11"}, " 1054\t 184\t-2.958333\t 41.47917\n"},
        {{"JN11", "JO20AW"}, " 1054\t 4\t-4.041667\t 50.9375\n"},
        {{"JO20AW", "JO20"}, " 82\t 127\t-4.958333\t 50.47917\n"},
        {{"jo20aw", "jn11"}, " 1054\t 184\t-2.958333\t 41.47917\n"},
        // The calculation's own azimuth: the window's " none" for identical texts is its own.
        {{"JO20AW", "JO20AW"}, " 0\t 0\t-4.041667\t 50.9375\n"},
        {{"AJ00aa", "JI09ax"}, " 20000\t 0\t-0.04166667\t-0.02083333\n"},
    };
    for (const auto& [args, expected] : cases) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitStatus, 0) << args[0] << " " << args[1];
        EXPECT_EQ(r.out, expected) << args[0] << " " << args[1];
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
}

TEST_F(LocatorProgram, RefusesWhatTheWindowRefusesWithItsMessageAndStatus2) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"JO2", "JN11"}, "Invalid Home Locator: " + kLengthMessage},
        {{"JO20AWX", "JN11"}, "Invalid Home Locator: " + kLengthMessage},
        {{"", ""}, "Invalid Home Locator: " + kLengthMessage},
        {{"JO20AW", "JN1"}, "Invalid Target Locator: " + kLengthMessage},
        {{"JO20AW", "JN11AAA"}, "Invalid Target Locator: " + kLengthMessage},
        {{"  JO", "JN11"}, "No locator: Please enter a home locator!"},
        {{"JO20", "    "}, "No locator: Please enter a target locator!"},
        {{"JS00", "JN11"}, "Invalid locator!"},
        {{"JO20AW", "JO2OAW"}, "Invalid locator!"},
        {{"JO20AW", "JO20A1"}, "Invalid locator!"},
        {{"JO20AW", "JO20 A"}, "Invalid locator!"},
        {{"SA00", "JN11"}, "Invalid locator!"},
        // Characters, not bytes, are counted: six accented letters are six characters...
        {{"\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89", "JN11"}, "Invalid locator!"},
        // ... and an overlong form of "A" is no "A".
        {{"\xE0\x81\x81O20", "JN11"}, "Invalid locator!"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitStatus, 2) << args[0] << " " << args[1];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err, "quorvin-locator: " + message + "\n") << args[0] << " " << args[1];
    }
}

TEST_F(LocatorProgram, MissingOrExtraArgumentsGiveTheUsageAndStatus2) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"JO20AW"}, {"JO20AW", "JN11", "IO91"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err.rfind("usage: quorvin-locator HOME TARGET", 0), 0U) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    }
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvin-locator HOME TARGET", 0), 0U) << help.out;
    EXPECT_TRUE(help.err.empty());
    const RunResult version = run({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "quorvin-locator " QUORVIN_VERSION "\n");
    EXPECT_TRUE(version.err.empty());
}

}  // namespace
