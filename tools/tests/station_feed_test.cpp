#include "station_feed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::decode {
namespace {

using pskmodem::BandChannel;
using pskmodem::Mode;
using pskmodem::Speed;

constexpr std::int64_t kNow = 1'796'739'787;  // 2026-12-08T14:23:07Z

BandChannel Channel(int id, double hz, Mode mode = Mode::Bpsk, Speed speed = Speed::Psk31) {
    BandChannel channel;
    channel.id = id;
    channel.frequencyHz = hz;
    channel.mode = mode;
    channel.speed = speed;
    channel.snrDb = 12.6;
    return channel;
}

// A feed whose spots and stream messages are collected, at a dial the test sets.
class Feed {
  public:
    explicit Feed(bool withSpots = true, bool withStream = true) {
        StationFeed::Sinks sinks;
        if (withSpots) {
            sinks.spot = [this](const station::Spot& spot) { this->spots.push_back(spot); };
        }
        if (withStream) {
            sinks.stream = [this](std::string message) { messages.push_back(std::move(message)); };
        }
        feed = std::make_unique<StationFeed>(
            sinks, [this] { return dial; }, [] { return kNow; }, 5.0);
    }
    void send(const BandChannel& channel, std::string_view text) {
        for (const char c : text) {
            feed->character(channel, static_cast<std::uint8_t>(c));
        }
    }

    std::optional<station::DialReading> dial =
        station::DialReading{14'070'000, "USB", station::Sideband::Upper};
    std::vector<station::Spot> spots;
    std::vector<std::string> messages;
    std::unique_ptr<StationFeed> feed;
};

bool Has(const std::string& message, std::string_view part) {
    return message.find(part) != std::string::npos;
}

TEST(StationFeed, ASpotForEachCallASignalConfirms) {
    Feed f;
    const BandChannel a = Channel(1, 1520.4);
    const BandChannel b = Channel(2, 905.0, Mode::QpskUsb);
    f.send(a, "CQ CQ de QX1ABC ");
    f.send(b, "QX1ABC de QY2XYZ k\r\n");  // confirms nothing
    f.send(a, "QX1ABC pse k\r\n");
    ASSERT_EQ(f.spots.size(), 1U);
    const station::Spot& spot = f.spots[0];
    EXPECT_EQ(spot.call, "QX1ABC");
    EXPECT_EQ(spot.rfHz, 14'071'520);
    EXPECT_EQ(spot.mode, "PSK31");
    EXPECT_EQ(spot.snrDb, 13);
    EXPECT_FALSE(spot.imdDb);
    EXPECT_EQ(spot.timeUnix, kNow);

    // A QPSK63 signal whose line ends with the signal, IMD known, on the lower sideband.
    f.dial = station::DialReading{7'040'000, "LSB", station::Sideband::Lower};
    BandChannel c = Channel(3, 1000.0, Mode::QpskLsb, Speed::Psk63);
    c.imdDb = -27.6;
    c.snrDb = -3.4;
    f.send(c, "cq cq de qz3def qz3def");
    EXPECT_EQ(f.spots.size(), 1U) << "the line is not over yet";
    f.feed->channelEnded(c);
    ASSERT_EQ(f.spots.size(), 2U);
    EXPECT_EQ(f.spots[1].call, "QZ3DEF");
    EXPECT_EQ(f.spots[1].rfHz, 7'039'000);
    EXPECT_EQ(f.spots[1].mode, "QPSK63");
    EXPECT_EQ(f.spots[1].snrDb, -3);
    EXPECT_EQ(f.spots[1].imdDb, -28);
}

TEST(StationFeed, NoSpotWithoutADialOrWithoutTheSink) {
    Feed f;
    f.dial.reset();
    f.send(Channel(1, 1500.0), "CQ de QX1ABC QX1ABC k\n");
    EXPECT_TRUE(f.spots.empty());
    ASSERT_EQ(f.messages.size(), 1U) << "the stream goes on without a dial";
    EXPECT_TRUE(Has(f.messages[0], "\"rf_hz\":null")) << f.messages[0];

    Feed streamOnly(false, true);
    streamOnly.send(Channel(1, 1500.0), "CQ de QX1ABC QX1ABC k\n");
    EXPECT_EQ(streamOnly.messages.size(), 1U);
}

TEST(StationFeed, EachCompletedLineOfEachSignalGoesToTheStream) {
    Feed f(false, true);
    const BandChannel a = Channel(1, 1520.0);
    const BandChannel b = Channel(2, 700.0, Mode::QpskUsb);
    f.send(a, "first line\r\n\r\nsecond");
    f.send(b, "other signal\n");
    ASSERT_EQ(f.messages.size(), 2U) << "empty lines are left out";
    EXPECT_TRUE(Has(f.messages[0], "\"type\":\"line\"")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[0], "\"frequency_hz\":1520")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[0], "\"rf_hz\":14071520")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[0], "\"mode\":\"bpsk31\"")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[0], "\"text\":\"first line\"")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[0], "2026-12-08T14:23:07Z")) << f.messages[0];
    EXPECT_TRUE(Has(f.messages[1], "\"mode\":\"qpsk31-usb\"")) << f.messages[1];
    EXPECT_TRUE(Has(f.messages[1], "\"text\":\"other signal\"")) << f.messages[1];

    // The unfinished line goes out when its signal ends.
    f.feed->channelEnded(a);
    ASSERT_EQ(f.messages.size(), 3U);
    EXPECT_TRUE(Has(f.messages[2], "\"text\":\"second\"")) << f.messages[2];
    f.feed->channelEnded(b);
    EXPECT_EQ(f.messages.size(), 3U) << "nothing was left of the other";

    // A line without end goes out in parts.
    f.send(Channel(3, 2000.0), std::string(kMaxStreamLine + 10, 'x'));
    EXPECT_EQ(f.messages.size(), 4U);
}

TEST(StationFeed, TheBandEveryFewSecondsOfAudio) {
    Feed f(false, true);
    BandChannel a = Channel(1, 1520.0);
    const std::string text = std::string(100, 'a') + " CQ de QX1ABC k";
    a.text = text;
    const std::vector<BandChannel> channels{a, Channel(2, 800.0)};
    for (const double seconds : {0.5, 4.9, 5.0, 7.0, 9.99, 10.2, 31.0, 33.0}) {
        f.feed->audio(seconds, channels);
    }
    // At 5, 10 and 31 s: a snapshot each time 5 s of audio have passed, never two at once.
    ASSERT_EQ(f.messages.size(), 3U);
    const std::string& band = f.messages[0];
    EXPECT_TRUE(Has(band, "\"type\":\"band\"")) << band;
    EXPECT_TRUE(Has(band, "\"dial_hz\":14070000")) << band;
    EXPECT_TRUE(Has(band, "\"frequency_hz\":1520")) << band;
    EXPECT_TRUE(Has(band, "\"frequency_hz\":800")) << band;
    EXPECT_TRUE(Has(band, "\"calls\":[\"QX1ABC\"]")) << band;
    EXPECT_TRUE(Has(band, "\"" + text.substr(text.size() - kSnapshotTextChars) + "\"")) << band;
    EXPECT_FALSE(Has(band, std::string(kSnapshotTextChars, 'a'))) << "only the newest text";
}

TEST(StationFeed, NothingIsMadeWithoutSinks) {
    Feed f(false, false);
    f.send(Channel(1, 1500.0), "CQ de QX1ABC QX1ABC k\n");
    f.feed->audio(60.0, {Channel(1, 1500.0)});
    f.feed->channelEnded(Channel(1, 1500.0));
    EXPECT_TRUE(f.spots.empty());
    EXPECT_TRUE(f.messages.empty());
}

TEST(ErrorWatch, AnErrorIsToldOnceUntilItChanges) {
    ErrorWatch watch("reception reports");
    const struct {
        const char* error;
        std::optional<std::string> told;
    } steps[] = {
        {"", std::nullopt},
        {"Connection refused", "reception reports: Connection refused"},
        {"Connection refused", std::nullopt},  // every datagram fails alike: once
        {"Connection refused", std::nullopt},
        {"Network is unreachable", "reception reports: Network is unreachable"},
        {"", std::nullopt},  // it works again
        {"Connection refused", "reception reports: Connection refused"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(watch.update(step.error), step.told) << step.error;
    }
}

}  // namespace
}  // namespace quorvin::decode
