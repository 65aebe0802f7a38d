// From band snapshots to what is reported, without widgets: the text new since the snapshot
// before, cut into lines; spots for the calls a line confirms, on the air through the dial on
// either sideband; nothing twice from text seen before; a signal that goes quiet or goes ends its
// line; a decoding started anew is read anew.

#include "report/band_listener.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using pskmodem::ActiveSignal;
using pskmodem::BandActivitySnapshot;
using pskmodem::Mode;
using pskmodem::Speed;
using report::BandListener;

const station::DialReading kUsb{
    .dialHz = 14'070'000, .mode = "USB", .sideband = station::Sideband::Upper};
const station::DialReading kLsb{
    .dialHz = 7'040'000, .mode = "LSB", .sideband = station::Sideband::Lower};

// A signal that has received `text` in all (all of it still in its recent text).
ActiveSignal Signal(int id, double hz, const std::string& text, Mode mode = Mode::Bpsk) {
    ActiveSignal signal;
    signal.id = id;
    signal.frequencyHz = hz;
    signal.mode = mode;
    signal.snrDb = 12.4;
    signal.imdDb = -27.6;
    signal.recentText = text;
    signal.characters = text.size();
    signal.live = true;
    return signal;
}

BandActivitySnapshot Snapshot(std::vector<ActiveSignal> signals) {
    static std::uint64_t serial = 0;
    return BandActivitySnapshot{.seconds = 1.0, .serial = ++serial, .signals = std::move(signals)};
}

std::vector<std::string> Texts(const report::Heard& heard) {
    std::vector<std::string> texts;
    for (const auto& line : heard.lines) {
        texts.push_back(line.text);
    }
    return texts;
}

TEST(BandListener, LinesAcrossSnapshotsAndSpotsForTheCallsTheyConfirm) {
    BandListener listener;
    const std::string first = "CQ CQ de QR9ZZ QR";
    const std::string second = first + "9ZZ pse k\r\nQX2ABC de QR9ZZ k\r\n";
    report::Heard heard = listener.take(Snapshot({Signal(1, 1520.0, first)}), kUsb, 1000);
    EXPECT_TRUE(heard.lines.empty());
    EXPECT_TRUE(heard.spots.empty());
    ASSERT_EQ(heard.band.size(), 1U);
    EXPECT_EQ(heard.band[0].text, first);

    heard = listener.take(Snapshot({Signal(1, 1520.0, second)}), kUsb, 1001);
    EXPECT_EQ(Texts(heard),
              (std::vector<std::string>{"CQ CQ de QR9ZZ QR9ZZ pse k", "QX2ABC de QR9ZZ k"}));
    ASSERT_EQ(heard.spots.size(), 1U);
    const station::Spot& spot = heard.spots[0];
    EXPECT_EQ(spot.call, "QR9ZZ");
    EXPECT_EQ(spot.rfHz, 14'071'520);
    EXPECT_EQ(spot.mode, "PSK31");
    EXPECT_EQ(spot.snrDb, 12);
    EXPECT_EQ(spot.imdDb, -28);
    EXPECT_EQ(spot.timeUnix, 1001);
    EXPECT_EQ(heard.lines[0].calls, std::vector<std::string>{"QR9ZZ"});
    EXPECT_TRUE(heard.lines[1].calls.empty());
    EXPECT_EQ(heard.lines[0].rfHz, 14'071'520);
    // The band's text is one line.
    EXPECT_EQ(heard.band[0].text.find_first_of("\r\n"), std::string::npos);

    // The same snapshot again brings nothing new.
    heard = listener.take(Snapshot({Signal(1, 1520.0, second)}), kUsb, 1002);
    EXPECT_TRUE(heard.lines.empty());
    EXPECT_TRUE(heard.spots.empty());
}

TEST(BandListener, FrequencyAndModeOnTheAirByTheDial) {
    const struct {
        const char* what;
        std::optional<station::DialReading> dial;
        Mode heardMode;
        Speed speed;
        std::optional<std::int64_t> rfHz;
        Mode onAir;
        const char* reportMode;
    } cases[] = {
        {"USB", kUsb, Mode::QpskUsb, Speed::Psk63, 14'071'000, Mode::QpskUsb, "QPSK63"},
        {"LSB", kLsb, Mode::QpskLsb, Speed::Psk31, 7'039'000, Mode::QpskUsb, "QPSK31"},
        {"LSB BPSK", kLsb, Mode::Bpsk, Speed::Psk125, 7'039'000, Mode::Bpsk, "PSK125"},
        {"no dial", std::nullopt, Mode::QpskLsb, Speed::Psk31, std::nullopt, Mode::QpskLsb, ""},
    };
    for (const auto& c : cases) {
        BandListener listener;
        ActiveSignal signal = Signal(3, 1000.0, "cq de QT5MK QT5MK k\n", c.heardMode);
        signal.speed = c.speed;
        signal.imdDb = std::nan("");
        const report::Heard heard = listener.take(Snapshot({signal}), c.dial, 5);
        ASSERT_EQ(heard.lines.size(), 1U) << c.what;
        EXPECT_EQ(heard.lines[0].rfHz, c.rfHz) << c.what;
        EXPECT_EQ(heard.lines[0].mode, c.onAir) << c.what;
        EXPECT_EQ(heard.band[0].mode, c.onAir) << c.what;
        if (c.dial) {
            ASSERT_EQ(heard.spots.size(), 1U) << c.what;
            EXPECT_EQ(heard.spots[0].rfHz, *c.rfHz) << c.what;
            EXPECT_EQ(heard.spots[0].mode, c.reportMode) << c.what;
            EXPECT_FALSE(heard.spots[0].imdDb) << c.what;
        } else {
            // Without a dial there is no frequency on the air to report.
            EXPECT_TRUE(heard.spots.empty()) << c.what;
        }
    }
}

TEST(BandListener, QuietOrGoneSignalsEndTheirLinesAndANewDecodingIsReadAnew) {
    BandListener listener;
    report::Heard heard = listener.take(
        Snapshot({Signal(1, 500.0, "de QA7XYZ QA7XYZ"), Signal(2, 900.0, "cq QB4NN QB4NN")}), kUsb,
        10);
    EXPECT_TRUE(heard.lines.empty());

    ActiveSignal quiet = Signal(1, 500.0, "de QA7XYZ QA7XYZ");
    quiet.live = false;
    heard = listener.take(Snapshot({quiet}), kUsb, 11);
    // Signal 1 went quiet, signal 2 is gone from the snapshot: both lines end.
    EXPECT_EQ(Texts(heard), (std::vector<std::string>{"de QA7XYZ QA7XYZ", "cq QB4NN QB4NN"}));
    ASSERT_EQ(heard.spots.size(), 2U);
    EXPECT_EQ(heard.spots[1].rfHz, 14'070'900);

    // The decoding starts anew and id 1 is another signal with less text: all of it is new.
    heard = listener.take(Snapshot({Signal(1, 700.0, "qrz\r\n")}), kUsb, 12);
    EXPECT_EQ(Texts(heard), std::vector<std::string>{"qrz"});
}

TEST(BandListener, OnlyTheNewTextTheSnapshotStillHoldsAndOverlongLinesEnd) {
    BandListener listener;
    // 40 characters arrived, of which the snapshot keeps the last 10.
    ActiveSignal signal = Signal(4, 1500.0, "\nfox jumps");
    signal.characters = 40;
    report::Heard heard = listener.take(Snapshot({signal}), std::nullopt, 1);
    EXPECT_TRUE(heard.lines.empty());  // the line before the break was blank
    ActiveSignal longer = signal;
    longer.recentText = std::string(BandListener::kMaxLineCharacters, 'x');
    longer.characters = 40 + longer.recentText.size();
    heard = listener.take(Snapshot({longer}), std::nullopt, 2);
    ASSERT_EQ(heard.lines.size(), 1U);
    EXPECT_EQ(heard.lines[0].text.size(), BandListener::kMaxLineCharacters);
    EXPECT_EQ(heard.lines[0].text.substr(0, 9), "fox jumps");
}

}  // namespace
