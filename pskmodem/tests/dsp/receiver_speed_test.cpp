// The receiver at the faster speeds: each decodes its own signals as PSK31 does, scaled.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel_test_signal.h"

namespace pskmodem {
namespace {

class TimedSink final : public CharSink {
  public:
    void character(std::uint8_t code) override {
        text.push_back(static_cast<char>(code));
        arrivals.push_back(fed);
    }
    std::string text;
    std::vector<std::size_t> arrivals;  // input samples fed when each character came out
    std::size_t fed = 0;
};

// Feeds `samples` in blocks of 100 and then a second of silence, counting what has been fed.
TimedSink decode(Receiver& receiver, std::span<const float> samples) {
    TimedSink sink;
    const std::vector<float> silence(kSampleRateHz, 0.0F);
    for (std::span<const float> part : {samples, std::span<const float>(silence)}) {
        for (std::size_t at = 0; at < part.size(); at += 100) {
            const std::size_t n = std::min<std::size_t>(100, part.size() - at);
            sink.fed += n;
            receiver.process(part.subspan(at, n), sink);
        }
    }
    return sink;
}

struct SpeedCase {
    Speed speed;
    Mode mode;
    double offsetHz;  // from the 1000 Hz the receiver is tuned to, with an AFC range of 50 Hz
    double clockErrorPpm;
    double driftHzPerSecond;
};

class ReceiverAtSpeed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(ReceiverAtSpeed, DecodesTextAtFiveDecibelsExactly) {
    const SpeedCase& c = GetParam();
    ChannelTestConfig config;
    config.speed = c.speed;
    config.mode = c.mode;
    config.carrierHz = 1000.0 + c.offsetHz;
    config.clockErrorPpm = c.clockErrorPpm;
    config.driftHzPerSecond = c.driftHzPerSecond;
    config.snrDb = 5.0;
    config.textChars = 100 * static_cast<std::size_t>(speedFactor(c.speed));
    config.seed = 7 + static_cast<std::uint64_t>(c.speed) * 3 + static_cast<std::uint64_t>(c.mode);
    config.leadNoiseSeconds = 0.5;
    // Three seconds of PSK31's idle (fewer at the faster speeds) for the AFC to pull in from the
    // edge of its range.
    config.leadIdle = 96;
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    Receiver receiver(c.speed);
    receiver.setMode(c.mode);
    receiver.setFrequency(1000.0, 50.0);
    receiver.setSquelch(10, 0);
    const TimedSink got = decode(receiver, signal.samples);
    EXPECT_EQ(foldBlanks(got.text), foldBlanks(signal.text));
}

INSTANTIATE_TEST_SUITE_P(
    ModesOffsetsAndClocks, ReceiverAtSpeed,
    ::testing::Values(SpeedCase{Speed::Psk31, Mode::QpskLsb, -50.0, 0.0, 0.0},
                      SpeedCase{Speed::Psk63, Mode::Bpsk, 0.0, 0.0, 0.0},
                      SpeedCase{Speed::Psk63, Mode::QpskUsb, -50.0, 1000.0, 0.0},
                      SpeedCase{Speed::Psk63, Mode::QpskLsb, 50.0, -1000.0, 0.0},
                      SpeedCase{Speed::Psk125, Mode::Bpsk, 40.0, 1000.0, -1.0},
                      SpeedCase{Speed::Psk125, Mode::QpskUsb, 0.0, 0.0, -1.0},
                      SpeedCase{Speed::Psk125, Mode::QpskLsb, -50.0, 0.0, 0.0},
                      SpeedCase{Speed::Psk250, Mode::Bpsk, -50.0, -1000.0, 0.0},
                      SpeedCase{Speed::Psk250, Mode::QpskUsb, 30.0, 0.0, -2.0},
                      SpeedCase{Speed::Psk250, Mode::QpskLsb, 0.0, 1000.0, 0.0}));

struct PullInCase {
    Speed speed;
    Mode mode;
    double offsetHz;  // where the carrier starts, from the 1000 Hz the receiver is tuned to
    double driftHzPerSecond;
    std::uint64_t seed;
};

class ReceiverPullsIn : public ::testing::TestWithParam<PullInCase> {};

TEST_P(ReceiverPullsIn, LosesNoCharacterWithTheStandardPreamble) {
    // A transmission that starts at the edge of the AFC's range (or drifts across it from one
    // edge) with the usual 32 idle symbols before its text: the AFC must have found the carrier
    // before the text begins, and what the receiver made of the symbols it heard off tune must
    // not come out as characters.
    const PullInCase& c = GetParam();
    ChannelTestConfig config;
    config.speed = c.speed;
    config.mode = c.mode;
    config.carrierHz = 1000.0 + c.offsetHz;
    config.driftHzPerSecond = c.driftHzPerSecond;
    config.snrDb = 5.0;
    config.textChars = 60 * static_cast<std::size_t>(speedFactor(c.speed));
    config.seed = c.seed;
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    ASSERT_EQ(config.leadIdle, 32);
    Receiver receiver(c.speed);
    receiver.setMode(c.mode);
    receiver.setFrequency(1000.0, 50.0);
    receiver.setSquelch(0, 1);
    TimedSink got;
    receiver.process(signal.samples, got);
    receiver.finish(got);
    EXPECT_EQ(foldBlanks(got.text), foldBlanks(signal.text));
}

INSTANTIATE_TEST_SUITE_P(
    OffsetsAndDrifts, ReceiverPullsIn,
    ::testing::Values(PullInCase{Speed::Psk31, Mode::Bpsk, -50.0, 0.0, 7932},
                      PullInCase{Speed::Psk31, Mode::QpskUsb, 50.0, 0.0, 7932},
                      PullInCase{Speed::Psk31, Mode::QpskLsb, -50.0, 0.0, 15851},
                      PullInCase{Speed::Psk31, Mode::QpskLsb, -40.0, 0.25, 7932},
                      PullInCase{Speed::Psk63, Mode::QpskUsb, -50.0, 0.0, 15851},
                      PullInCase{Speed::Psk63, Mode::QpskLsb, 50.0, 0.0, 7932},
                      PullInCase{Speed::Psk63, Mode::QpskUsb, -40.0, 0.5, 7932},
                      PullInCase{Speed::Psk125, Mode::Bpsk, 50.0, 0.0, 7932},
                      PullInCase{Speed::Psk125, Mode::QpskUsb, -50.0, 0.0, 15851},
                      PullInCase{Speed::Psk125, Mode::QpskLsb, 40.0, -1.0, 15851},
                      PullInCase{Speed::Psk250, Mode::Bpsk, -40.0, 2.0, 7932},
                      PullInCase{Speed::Psk250, Mode::QpskUsb, 50.0, 0.0, 7932},
                      PullInCase{Speed::Psk250, Mode::QpskLsb, -50.0, 0.0, 15851},
                      PullInCase{Speed::Psk250, Mode::QpskUsb, -40.0, 2.0, 7932}));

struct NeighbourCase {
    Speed speed;
    double searchHz;
    double neighbourSymbolRates;  // the neighbour's distance, in symbol rates (sign: side)
    std::uint64_t seed;
};

class ReceiverBesideANeighbour : public ::testing::TestWithParam<NeighbourCase> {};

TEST_P(ReceiverBesideANeighbour, HoldsItsSignalAgainstAStrongerOne) {
    // BPSK at +5 dB with a BPSK neighbour 20 dB stronger two symbol rates away, outside the
    // AFC's range: the keying lines of the neighbour's squared spectrum fall inside the range and
    // stand far above the noise, yet the receiver must stay on the signal it holds.
    const NeighbourCase& c = GetParam();
    ChannelTestConfig config;
    config.speed = c.speed;
    config.mode = Mode::Bpsk;
    config.snrDb = 5.0;
    config.textChars = 700;
    config.seed = c.seed;
    config.interferer =
        ChannelTestConfig::Interferer{.mode = Mode::Bpsk,
                                      .speed = c.speed,
                                      .offsetHz = c.neighbourSymbolRates * symbolRateBaud(c.speed),
                                      .levelDb = 20.0};
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    Receiver receiver(c.speed);
    receiver.setMode(Mode::Bpsk);
    receiver.setFrequency(1000.0, c.searchHz);
    receiver.setSquelch(0, 1);
    TimedSink got;
    receiver.process(signal.samples, got);
    receiver.finish(got);
    EXPECT_EQ(foldBlanks(got.text), foldBlanks(signal.text))
        << "CER " << characterErrorRate(signal.text, got.text);
}

INSTANTIATE_TEST_SUITE_P(SpeedsRangesAndSides, ReceiverBesideANeighbour,
                         ::testing::Values(NeighbourCase{Speed::Psk31, 25.0, 2.0, 7932},
                                           NeighbourCase{Speed::Psk31, 30.0, -2.0, 15851},
                                           NeighbourCase{Speed::Psk31, 40.0, 2.0, 23770},
                                           NeighbourCase{Speed::Psk63, 50.0, 2.0, 7932},
                                           NeighbourCase{Speed::Psk63, 50.0, -2.0, 15851},
                                           NeighbourCase{Speed::Psk63, 50.0, -2.0, 23770}));

TEST(ReceiverSpeed, FirstCharacterComesAsSoonAsAtPsk31Scaled) {
    // PSK31's decision delays (some 16 symbols for BPSK, 33 for QPSK) are counted in symbols, so
    // that the faster speeds print each character sooner by their factor; at PSK31 the first
    // character of a transmission takes well under 1.5 s after its last symbol.
    for (const Speed speed : {Speed::Psk31, Speed::Psk63, Speed::Psk125, Speed::Psk250}) {
        for (const Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
            ChannelTestConfig config;
            config.speed = speed;
            config.mode = mode;
            config.snrDb = 10.0;
            config.text = "test de qx2abc";
            config.seed = 3;
            config.leadNoiseSeconds = 1.0;
            const ChannelTestSignal signal = makeChannelTestSignal(config);
            Receiver receiver(speed);
            receiver.setMode(mode);
            receiver.setFrequency(1000.0, 50.0);
            receiver.setSquelch(10, 0);
            const TimedSink got = decode(receiver, signal.samples);
            ASSERT_EQ(got.text, config.text) << speedNumber(speed);
            const double seconds =
                static_cast<double>(got.arrivals.front() - signal.characterEndSamples.front()) /
                kSampleRateHz;
            EXPECT_LT(seconds * speedFactor(speed), 1.5) << speedNumber(speed);
        }
    }
}

TEST(ReceiverSpeed, ChangingTheSpeedKeepsTuningModeAndSquelch) {
    Receiver receiver;
    receiver.setMode(Mode::QpskLsb);
    receiver.setFrequency(1200.0, 0.0);
    receiver.setSquelch(30, 1);
    receiver.setSpeed(Speed::Psk125);
    EXPECT_EQ(receiver.speed(), Speed::Psk125);
    EXPECT_EQ(receiver.mode(), Mode::QpskLsb);
    EXPECT_DOUBLE_EQ(receiver.frequencyHz(), 1200.0);
    receiver.setSpeed(static_cast<Speed>(9));  // ignored
    EXPECT_EQ(receiver.speed(), Speed::Psk125);

    ChannelTestConfig config;
    config.speed = Speed::Psk125;
    config.mode = Mode::QpskLsb;
    config.carrierHz = 1200.0;
    config.snrDb = 10.0;
    config.textChars = 200;
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    EXPECT_EQ(foldBlanks(decode(receiver, signal.samples).text), foldBlanks(signal.text));
    EXPECT_FALSE(receiver.squelchOpen());  // after the second of silence, slow squelch at 30
}

}  // namespace
}  // namespace pskmodem
