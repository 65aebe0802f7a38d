#include "station/dial.h"

#include <gtest/gtest.h>

namespace {

using station::Sideband;

TEST(DialTest, SidebandFollowsTheModeName) {
    const struct {
        const char* mode;
        Sideband sideband;
    } cases[] = {
        {"LSB", Sideband::Lower}, {"PKTLSB", Sideband::Lower}, {"ECSSLSB", Sideband::Lower},
        {"lsb", Sideband::Lower}, {"USB", Sideband::Upper},    {"PKTUSB", Sideband::Upper},
        {"CW", Sideband::Upper},  {"FM", Sideband::Upper},     {"", Sideband::Upper}};
    for (const auto& c : cases) {
        EXPECT_EQ(station::sidebandOfMode(c.mode), c.sideband) << c.mode;
    }
}

TEST(DialTest, RfFrequencyIsDialPlusAudioOnUsbAndMinusOnLsb) {
    EXPECT_DOUBLE_EQ(station::rfFrequencyHz(14'070'000, 1520.0, Sideband::Upper), 14'071'520.0);
    EXPECT_DOUBLE_EQ(station::rfFrequencyHz(7'040'000, 1000.5, Sideband::Lower), 7'038'999.5);
}

TEST(DialTest, FrequenciesAreWrittenInGroupsOfThreeDigits) {
    const struct {
        double hz;
        const char* text;
    } cases[] = {{14'070'000.0, "14.070.000"},
                 {7'040'500.0, "7.040.500"},
                 {146'520'000.0, "146.520.000"},
                 {14'071'519.6, "14.071.520"},
                 {475.0, "475"},
                 {137'500.0, "137.500"},
                 {-1500.0, "-1.500"}};
    for (const auto& c : cases) {
        EXPECT_EQ(station::formatDialHz(c.hz), c.text) << c.hz;
    }
    EXPECT_EQ(station::formatDial({.dialHz = 14'070'000, .mode = "USB"}), "14.070.000 USB");
}

TEST(DialTest, DialOptionTakesHertzAndAnOptionalSideband) {
    const struct {
        const char* text;
        bool valid;
        std::int64_t hz;
        Sideband sideband;
    } cases[] = {
        {"14070000", true, 14'070'000, Sideband::Upper},
        {"14070000,usb", true, 14'070'000, Sideband::Upper},
        {"7040000,lsb", true, 7'040'000, Sideband::Lower},
        {"7040000,LSB", true, 7'040'000, Sideband::Lower},
        {"14.070.000", true, 14'070'000, Sideband::Upper},
        {"14.07", false, 0, Sideband::Upper},
        {"14070000,cw", false, 0, Sideband::Upper},
        {"", false, 0, Sideband::Upper},
        {"0", false, 0, Sideband::Upper},
        {"-14070000", false, 0, Sideband::Upper},
        {"14e6", false, 0, Sideband::Upper},
        {"99999999999", false, 0, Sideband::Upper},
    };
    for (const auto& c : cases) {
        const auto dial = station::parseDial(c.text);
        ASSERT_EQ(dial.has_value(), c.valid) << c.text;
        if (dial) {
            EXPECT_EQ(dial->dialHz, c.hz) << c.text;
            EXPECT_EQ(dial->sideband, c.sideband) << c.text;
        }
    }
}

TEST(DialTest, HostAndPort) {
    const auto good = station::parseHostPort("127.0.0.1:4532");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->host, "127.0.0.1");
    EXPECT_EQ(good->port, 4532);
    EXPECT_TRUE(station::parseHostPort("rig.local:1"));
    for (const char* bad :
         {"127.0.0.1", ":4532", "host:", "host:0", "host:65536", "host:45x", "ho st:4532"}) {
        EXPECT_FALSE(station::parseHostPort(bad)) << bad;
    }
}

}  // namespace
