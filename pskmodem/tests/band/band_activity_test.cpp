// The band's signals as the operator follows them: one per station, continued when the
// station comes back on its frequency, kept while quiet and dropped when quiet too long.

#include "pskmodem/band/band_activity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "pskmodem/signals/simulator.h"

namespace pskmodem {
namespace {

void Feed(BandActivity& activity, BandSimulator& band, double seconds) {
    std::vector<float> block(4000);
    for (double done = 0; done < seconds; done += 0.5) {
        band.generate(block);
        activity.process(block);
    }
}

TEST(BandActivity, OneSignalPerStationContinuedOnItsFrequencyAndForgottenWhenQuietTooLong) {
    SimulatorConfig on;
    on.seed = 3;
    on.signals = {{700.0, Mode::Bpsk, 12.0, 0.0, "CQ CQ DE QX2ABC QX2ABC QX2ABC K\r\n"},
                  {1400.0, Mode::QpskUsb, 12.0, 0.0, "QR9ZZ DE QT5MK QT5MK TNX KN\r\n"}};
    SimulatorConfig quiet;
    quiet.seed = 4;
    BandSimulator stations(on);
    BandSimulator noise(quiet);
    constexpr double kForgetSeconds = 20.0;
    BandActivity activity({}, kForgetSeconds);
    BandActivitySnapshot snapshot;

    Feed(activity, stations, 20.0);
    activity.snapshot(snapshot);
    ASSERT_EQ(snapshot.signals.size(), 2U);
    EXPECT_EQ(snapshot.serial, 1U);
    const std::vector<int> ids{snapshot.signals[0].id, snapshot.signals[1].id};
    for (std::size_t i = 0; i < 2; ++i) {
        const ActiveSignal& s = snapshot.signals[i];
        EXPECT_NEAR(s.frequencyHz, on.signals[i].carrierHz, 3.0);
        EXPECT_EQ(s.mode, on.signals[i].mode);
        EXPECT_TRUE(s.live);
        EXPECT_GT(s.characters, 30U);
        EXPECT_LE(s.recentText.size(), BandActivity::kRecentCharacters);
        // Line breaks stay, so that readers can tell where lines end; no other control codes.
        EXPECT_NE(s.recentText.find('\n'), std::string::npos);
        EXPECT_TRUE(std::ranges::none_of(s.recentText, [](char c) {
            return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n';
        }));
    }
    EXPECT_EQ(snapshot.signals[0].calls, "QX2ABC");
    EXPECT_EQ(snapshot.signals[1].calls, "QR9ZZ QT5MK");

    // Quiet: the receivers let go, the signals stay.
    Feed(activity, noise, 8.0);
    activity.snapshot(snapshot);
    ASSERT_EQ(snapshot.signals.size(), 2U);
    EXPECT_FALSE(snapshot.signals[0].live);
    EXPECT_LT(snapshot.signals[0].lastHeardSeconds, snapshot.seconds - 2.0);

    // Back on the same frequency: the same signal goes on.
    Feed(activity, stations, 8.0);
    activity.snapshot(snapshot);
    ASSERT_EQ(snapshot.signals.size(), 2U);
    EXPECT_EQ((std::vector<int>{snapshot.signals[0].id, snapshot.signals[1].id}), ids);
    EXPECT_TRUE(snapshot.signals[0].live);

    Feed(activity, noise, kForgetSeconds + 8.0);
    activity.snapshot(snapshot);
    EXPECT_TRUE(snapshot.signals.empty());
}

TEST(BandActivity, AWeakStationStaysOneLiveSignalWhileOnTheAir) {
    // QPSK31 at -10 dB: the receiver's quality is low most of the time and the spectrum loses
    // the signal in a frame now and then; the station is still there all along.
    SimulatorConfig weak;
    weak.seed = 5;
    weak.signals = {
        {1300.0, Mode::QpskUsb, -10.0, 0.0,
         "QR9ZZ DE QT5MK QT5MK\r\nGood morning, RST 339 here, name Robin. How copy?\r\n"}};
    BandSimulator station(weak);
    BandActivity activity;
    BandActivitySnapshot snapshot;
    int id = 0;
    for (int step = 0; step < 30; ++step) {
        Feed(activity, station, 5.0);
        activity.snapshot(snapshot);
        if (id == 0 && snapshot.signals.empty()) continue;  // not found yet
        SCOPED_TRACE(snapshot.seconds);
        ASSERT_EQ(snapshot.signals.size(), 1U);
        if (id == 0) id = snapshot.signals[0].id;
        EXPECT_EQ(snapshot.signals[0].id, id);
        EXPECT_TRUE(snapshot.signals[0].live);
    }
    EXPECT_NE(id, 0);
    EXPECT_NE(snapshot.signals[0].calls.find("QT5MK"), std::string::npos);
}

TEST(BandActivity, EachSignalKeepsTheSpeedItWasFoundAt) {
    SimulatorConfig band;
    band.seed = 6;
    band.signals = {
        {800.0, Mode::Bpsk, 12.0, 0.0, "CQ CQ DE QX2ABC QX2ABC QX2ABC K\r\n"},
        {1600.0, Mode::QpskUsb, 12.0, 0.0,
         "QS6PQ DE QF2LM 599 014 TU, name Pat, QTH Lake Ardmoor. QS6PQ DE QF2LM K\r\n"}};
    band.signals[1].speed = Speed::Psk63;
    BandSimulator stations(band);
    BandDecoderConfig config;
    config.speed.reset();
    BandActivity activity(config);
    BandActivitySnapshot snapshot;
    Feed(activity, stations, 30.0);
    activity.snapshot(snapshot);
    ASSERT_EQ(snapshot.signals.size(), 2U);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(snapshot.signals[i].mode, band.signals[i].mode);
        EXPECT_EQ(snapshot.signals[i].speed, band.signals[i].speed);
    }
}

// The demo band with every speed looked for: each station one signal, in its mode and at its
// speed, and nothing else, also when the activity
// starts while the stations send text; and each PSK31 station shows as soon as when PSK31 alone is
// looked for.
TEST(BandActivity, EveryStationOfTheDemoBandAtItsSpeedAndThePsk31OnesAsEarlyAsWithPsk31Alone) {
    struct Seen {
        double atSeconds = 0.0;
        ActiveSignal signal;
    };
    const SimulatorConfig demo = demoBand();
    // The first snapshot showing each signal, by its station's carrier in the demo band.
    const auto watch = [&](const BandDecoderConfig& config, double joinSeconds) {
        BandSimulator stations(demo);
        std::vector<float> before(static_cast<std::size_t>(joinSeconds * kSampleRateHz));
        stations.generate(before);
        BandActivity activity(config);
        BandActivitySnapshot snapshot;
        std::map<int, Seen> seen;
        std::vector<int> strays;
        for (double at = 0.5; at <= 45.0; at += 0.5) {
            Feed(activity, stations, 0.5);
            activity.snapshot(snapshot);
            for (const ActiveSignal& signal : snapshot.signals) {
                const auto station = std::find_if(
                    demo.signals.begin(), demo.signals.end(), [&](const SimulatedSignal& s) {
                        return std::abs(s.carrierHz - signal.frequencyHz) < 5.0;
                    });
                if (station == demo.signals.end()) {
                    strays.push_back(static_cast<int>(std::lround(signal.frequencyHz)));
                    continue;
                }
                seen.try_emplace(static_cast<int>(station->carrierHz), Seen{at, signal});
            }
        }
        EXPECT_TRUE(strays.empty()) << strays.size() << " stray signals, first at "
                                    << (strays.empty() ? 0 : strays.front()) << " Hz";
        return seen;
    };
    BandDecoderConfig everySpeed;
    everySpeed.speed.reset();
    const std::map<int, Seen> every = watch(everySpeed, 0.0);
    const std::map<int, Seen> joined = watch(everySpeed, 20.0);
    BandDecoderConfig psk31Only;
    psk31Only.speed = Speed::Psk31;
    const std::map<int, Seen> psk31 = watch(psk31Only, 0.0);
    for (const SimulatedSignal& station : demo.signals) {
        SCOPED_TRACE(station.carrierHz);
        const auto found = every.find(static_cast<int>(station.carrierHz));
        ASSERT_NE(found, every.end());
        EXPECT_EQ(found->second.signal.mode, station.mode);
        EXPECT_EQ(found->second.signal.speed, station.speed);
        const auto late = joined.find(static_cast<int>(station.carrierHz));
        ASSERT_NE(late, joined.end());
        EXPECT_EQ(late->second.signal.mode, station.mode);
        EXPECT_EQ(late->second.signal.speed, station.speed);
        if (station.speed == Speed::Psk31) {
            ASSERT_EQ(psk31.count(static_cast<int>(station.carrierHz)), 1U);
            EXPECT_LE(found->second.atSeconds,
                      psk31.at(static_cast<int>(station.carrierHz)).atSeconds);
        }
    }
}

}  // namespace
}  // namespace pskmodem
