#include "pskmodem/dsp/receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/channel_test_signal.h"
#include "pskmodem/signals/hf_channel.h"
#include "pskmodem/signals/testsignal.h"

namespace pskmodem {
namespace {

constexpr std::int32_t kIndicatorCentre = 22 * 52;

class TextSink final : public CharSink {
  public:
    void character(std::uint8_t code) override { text.push_back(static_cast<char>(code)); }
    std::string text;
};

struct Tuning {
    double centreHz = 1000.0;
    double searchHz = 0.0;
    Mode mode = Mode::Bpsk;
    int squelch = 0;
    int squelchSpeed = 0;
};

Receiver& tune(Receiver& receiver, const Tuning& tuning) {
    receiver.setMode(tuning.mode);
    receiver.setFrequency(tuning.centreHz, tuning.searchHz);
    receiver.setSquelch(tuning.squelch, tuning.squelchSpeed);
    return receiver;
}

// Feeds `samples` in chunks whose lengths run through 1 .. 2039 samples, as audio arrives.
void feed(Receiver& receiver, std::span<const float> samples, CharSink& sink) {
    std::size_t at = 0;
    std::size_t chunk = 1;
    while (at < samples.size()) {
        const std::size_t n = std::min(chunk, samples.size() - at);
        receiver.process(samples.subspan(at, n), sink);
        at += n;
        chunk = chunk * 7 % 2039 + 1;
    }
}

// Decodes `samples` followed by two seconds of silence, which lets the last decisions out of
// the decoders' delay lines.
std::string decode(std::span<const float> samples, const Tuning& tuning) {
    Receiver receiver;
    tune(receiver, tuning);
    TextSink sink;
    feed(receiver, samples, sink);
    const std::vector<float> silence(2 * kSampleRateHz, 0.0F);
    feed(receiver, silence, sink);
    return sink.text;
}

std::vector<float> gaussianNoise(std::size_t n, double rms, std::uint64_t seed) {
    std::vector<float> samples(n, 0.0F);
    NoiseSource(rms, seed).add(samples);
    return samples;
}

// ---------------------------------------------------------------------------------------------
// Round trips at high SNR.

struct RoundTripCase {
    Mode mode;
    double carrierHz;
    double snrDb;
    double clockErrorPpm;
};

class ReceiverRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ReceiverRoundTrip, DecodesLongRandomTextExactly) {
    const RoundTripCase& c = GetParam();
    TestSignalConfig config;
    config.mode = c.mode;
    config.carrierHz = c.carrierHz;
    config.snrDb = c.snrDb;
    config.clockErrorPpm = c.clockErrorPpm;
    config.textChars = 160;
    config.seed = static_cast<std::uint64_t>(c.carrierHz) + 17U;
    const TestSignal signal = makeTestSignal(config);
    const std::string received = decode(signal.samples, {c.carrierHz, 0.0, c.mode, 0, 0});
    EXPECT_EQ(foldBlanks(received), foldBlanks(signal.text));
}

INSTANTIATE_TEST_SUITE_P(AcrossTheBand, ReceiverRoundTrip,
                         ::testing::Values(RoundTripCase{Mode::Bpsk, 200.0, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 650.0, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 1000.0, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 1525.5, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 2200.0, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 2800.0, 10.0, 0.0},
                                           RoundTripCase{Mode::Bpsk, 1200.0, 0.0, 1000.0},
                                           RoundTripCase{Mode::Bpsk, 1300.0, 0.0, -1000.0},
                                           RoundTripCase{Mode::QpskUsb, 900.0, 10.0, 0.0},
                                           RoundTripCase{Mode::QpskLsb, 1700.0, 10.0, 0.0}));

TEST(Receiver, ChunkSizeDoesNotChangeTheResult) {
    TestSignalConfig config;
    config.snrDb = -6.0;
    config.textChars = 60;
    config.seed = 99;
    const TestSignal signal = makeTestSignal(config);

    Receiver whole;
    TextSink wholeSink;
    tune(whole, {1000.0, 50.0}).process(signal.samples, wholeSink);

    Receiver single;
    TextSink singleSink;
    tune(single, {1000.0, 50.0});
    for (std::size_t i = 0; i < signal.samples.size(); ++i) {
        single.process(std::span<const float>(signal.samples).subspan(i, 1), singleSink);
    }
    EXPECT_EQ(singleSink.text, wholeSink.text);
    EXPECT_EQ(single.frequencyHz(), whole.frequencyHz());
    EXPECT_EQ(single.quality(), whole.quality());
    EXPECT_EQ(single.vectors(), whole.vectors());
}

TEST(Receiver, ResetForgetsTheSignalButKeepsTheSettings) {
    TestSignalConfig config;
    config.snrDb = 10.0;
    config.textChars = 40;
    config.carrierHz = 1530.0;
    const TestSignal signal = makeTestSignal(config);

    Receiver receiver;
    tune(receiver, {1500.0, 50.0});
    TextSink first;
    receiver.process(signal.samples, first);
    EXPECT_NEAR(receiver.frequencyHz(), 1530.0, 0.5);
    receiver.reset();
    EXPECT_EQ(receiver.frequencyHz(), 1500.0);
    EXPECT_EQ(receiver.quality(), 0);
    TextSink second;
    receiver.process(signal.samples, second);
    EXPECT_EQ(second.text, first.text);
}

// A recording may end right after its last character, within the decoders' decision delay:
// finish() still delivers that character, squelched or not, and the receiver then decodes the
// same recording again from the start as it did the first time.
TEST(Receiver, FinishDeliversTheCharactersStillInTheDecoders) {
    for (const Tuning& tuning : {Tuning{.mode = Mode::Bpsk}, Tuning{.mode = Mode::QpskUsb},
                                 Tuning{.mode = Mode::QpskLsb, .squelch = 30, .squelchSpeed = 1}}) {
        SCOPED_TRACE(static_cast<int>(tuning.mode));
        TestSignalConfig config;
        config.mode = tuning.mode;
        config.snrDb = 10.0;
        config.textChars = 40;
        config.tailIdle = 2;
        const TestSignal signal = makeTestSignal(config);

        Receiver receiver;
        tune(receiver, tuning);
        TextSink first;
        feed(receiver, signal.samples, first);
        EXPECT_NE(first.text, signal.text);  // the end is still in the delay lines
        receiver.finish(first);
        EXPECT_EQ(first.text, signal.text);
        TextSink second;
        feed(receiver, signal.samples, second);
        receiver.finish(second);
        EXPECT_EQ(second.text, first.text);
    }
}

// A recording stopped by hand while the station idles ends at any point of a symbol, perhaps with a
// moment of silence the sound card still delivered: it gives its text and nothing after it, though
// the decoders still decide the bits in their delay there, from nothing.
TEST(Receiver, FinishInventsNoCharacterWhenTheRecordingStopsWhileIdling) {
    constexpr int kIdleSymbols = 80;
    for (const Tuning& tuning : {Tuning{.mode = Mode::Bpsk}, Tuning{.mode = Mode::QpskUsb},
                                 Tuning{.mode = Mode::QpskLsb, .squelch = 30, .squelchSpeed = 1}}) {
        TestSignalConfig config;
        config.mode = tuning.mode;
        config.snrDb = 10.0;
        config.textChars = 12;
        config.tailIdle = kIdleSymbols;
        const TestSignal signal = makeTestSignal(config);
        const std::size_t idleStart =
            signal.samples.size() - static_cast<std::size_t>(kIdleSymbols * kSamplesPerSymbol);
        for (const double cutSymbols : {20.0, 41.25, 62.5, 77.75}) {
            for (const double silenceSeconds : {0.0, 0.3, 1.0}) {
                SCOPED_TRACE(std::to_string(static_cast<int>(tuning.mode)) + ", cut " +
                             std::to_string(cutSymbols) + " symbols into the idle, silence " +
                             std::to_string(silenceSeconds) + " s");
                std::vector<float> audio(
                    signal.samples.begin(),
                    signal.samples.begin() +
                        static_cast<std::ptrdiff_t>(
                            idleStart + static_cast<std::size_t>(cutSymbols * kSamplesPerSymbol)));
                audio.resize(audio.size() +
                             static_cast<std::size_t>(silenceSeconds * kSampleRateHz));
                Receiver receiver;
                tune(receiver, tuning);
                TextSink sink;
                feed(receiver, audio, sink);
                receiver.finish(sink);
                EXPECT_EQ(sink.text, signal.text);
            }
        }
    }
}

// A recording stopped by hand while the station idles ends wherever the hand came, often where the
// decoders cannot yet tell the last bits: weak, fading, or with the AFC still following the
// signal. At its end the receiver hands on only characters the received symbols decide, so what
// it gives for the cut recording is what it gives for the longer one up to that point, never a
// character more; on a clean signal that is the whole text.
struct IdleCutCase {
    Mode mode;
    double snrDb;
    bool fading;
    bool wholeText;  // the whole text comes through at every cut
};

class ReceiverCutWhileIdling : public ::testing::TestWithParam<IdleCutCase> {};

TEST_P(ReceiverCutWhileIdling, GivesNoCharacterTheLongerRecordingDoesNot) {
    const IdleCutCase& c = GetParam();
    constexpr int kIdleSymbols = 140;
    ChannelTestConfig config;
    config.mode = c.mode;
    config.snrDb = c.snrDb;
    config.carrierHz = 1013.0;
    config.textChars = 30;
    config.seed = 7 + static_cast<std::uint64_t>(c.snrDb + 20.0);
    config.tailIdle = kIdleSymbols;
    if (c.fading) config.fading = ccirChannel(CcirChannel::Moderate);
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    const std::size_t idleStart =
        signal.transmissionEndSample - static_cast<std::size_t>(kIdleSymbols * kSamplesPerSymbol);
    const Tuning tuning{.searchHz = 50.0, .mode = c.mode};

    Receiver longer;
    tune(longer, tuning);
    TextSink reference;
    longer.process(signal.samples, reference);
    for (int k = 0; k < 12; ++k) {
        // Anywhere in a symbol, from just after the text to some three seconds into the idle.
        const double cutSymbols = 3.3 + 7.61 * k;
        SCOPED_TRACE("cut " + std::to_string(cutSymbols) + " symbols into the idle");
        const std::span<const float> recording =
            std::span<const float>(signal.samples)
                .first(idleStart + static_cast<std::size_t>(cutSymbols * kSamplesPerSymbol));
        Receiver receiver;
        tune(receiver, tuning);
        TextSink sink;
        receiver.process(recording, sink);
        receiver.finish(sink);
        EXPECT_TRUE(reference.text.starts_with(sink.text))
            << "cut: " << sink.text << "\nlonger: " << reference.text;
        if (c.wholeText) {
            EXPECT_NE(sink.text.find(signal.text), std::string::npos) << sink.text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ModesAndConditions, ReceiverCutWhileIdling,
                         ::testing::Values(IdleCutCase{Mode::Bpsk, 10.0, false, true},
                                           IdleCutCase{Mode::QpskUsb, 10.0, false, true},
                                           IdleCutCase{Mode::QpskLsb, 10.0, false, true},
                                           IdleCutCase{Mode::QpskUsb, 6.0, true, true},
                                           IdleCutCase{Mode::Bpsk, -3.0, true, false},
                                           IdleCutCase{Mode::QpskUsb, -9.0, false, false},
                                           IdleCutCase{Mode::QpskLsb, -12.0, false, false},
                                           IdleCutCase{Mode::QpskUsb, -12.0, true, false},
                                           IdleCutCase{Mode::QpskLsb, -12.0, true, false}));

// ---------------------------------------------------------------------------------------------
// Character error rate ceilings near the sensitivity limit (small samples: the benchmark
// measures the curve properly).

struct CerCase {
    double snrDb;
    double maxCer;
};

class ReceiverSensitivity : public ::testing::TestWithParam<CerCase> {};

TEST_P(ReceiverSensitivity, StaysUnderTheCerCeiling) {
    const CerCase& c = GetParam();
    std::size_t errors = 0;
    std::size_t chars = 0;
    for (std::uint64_t seed = 1; seed <= 2; ++seed) {
        TestSignalConfig config;
        config.snrDb = c.snrDb;
        config.textChars = 350;
        config.seed = seed * 7717U;
        const TestSignal signal = makeTestSignal(config);
        const std::string received = decode(signal.samples, {});
        const std::size_t length = foldBlanks(signal.text).size();
        errors += static_cast<std::size_t>(
            std::lround(characterErrorRate(signal.text, received) * static_cast<double>(length)));
        chars += length;
    }
    EXPECT_LE(static_cast<double>(errors) / static_cast<double>(chars), c.maxCer)
        << errors << " errors in " << chars << " characters at " << c.snrDb << " dB";
}

INSTANTIATE_TEST_SUITE_P(WhiteNoise, ReceiverSensitivity,
                         ::testing::Values(CerCase{-11.0, 0.01}, CerCase{-12.5, 0.05}));

// Over fading HF paths: the receiver falls back from coherent to differential decisions.
struct FadingCase {
    Mode mode;
    CcirChannel channel;
    double snrDb;
    double maxCer;
};

class ReceiverFading : public ::testing::TestWithParam<FadingCase> {};

TEST_P(ReceiverFading, CopiesThroughWattersonFading) {
    const FadingCase& c = GetParam();
    ChannelTestConfig config;
    config.mode = c.mode;
    config.snrDb = c.snrDb;
    config.textChars = 300;
    config.seed = 404;
    config.fading = ccirChannel(c.channel);
    const ChannelTestSignal signal = makeChannelTestSignal(config);
    const std::string received = decode(signal.samples, {1000.0, 50.0, c.mode});
    EXPECT_LE(characterErrorRate(signal.text, received), c.maxCer) << received;
}

INSTANTIATE_TEST_SUITE_P(
    Ccir, ReceiverFading,
    ::testing::Values(FadingCase{Mode::Bpsk, CcirChannel::Moderate, 10.0, 0.02},
                      FadingCase{Mode::Bpsk, CcirChannel::Poor, 10.0, 0.05},
                      FadingCase{Mode::QpskUsb, CcirChannel::Moderate, 10.0, 0.01}));

// ---------------------------------------------------------------------------------------------
// AFC.

struct AfcCase {
    double carrierHz;
    double searchHz;
    double snrDb;
    double expectedHz;  // where the receiver should end up
    bool decodes;       // whether the text should come through
};

class ReceiverAfc : public ::testing::TestWithParam<AfcCase> {};

TEST_P(ReceiverAfc, SettlesOnTheSignalWithinTheSearchRangeOnly) {
    const AfcCase& c = GetParam();
    TestSignalConfig config;
    config.carrierHz = c.carrierHz;
    config.snrDb = c.snrDb;
    config.textChars = 120;
    config.seed = 4242;
    const TestSignal signal = makeTestSignal(config);
    Receiver receiver;
    tune(receiver, {1000.0, c.searchHz});
    TextSink sink;
    feed(receiver, signal.samples, sink);
    EXPECT_NEAR(receiver.frequencyHz(), c.expectedHz, 0.3);
    EXPECT_LE(std::abs(receiver.frequencyHz() - 1000.0), c.searchHz + 1e-9);
    const double cer = characterErrorRate(signal.text, sink.text);
    if (c.decodes) {
        EXPECT_LE(cer, 0.02) << sink.text;
    } else {
        EXPECT_GT(cer, 0.5);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PullIn, ReceiverAfc,
    ::testing::Values(AfcCase{1030.0, 50.0, 0.0, 1030.0, true},  // 30 Hz off, well inside the range
                      AfcCase{962.0, 50.0, 0.0, 962.0, true},
                      AfcCase{1038.5, 50.0, -6.0, 1038.5, true},
                      AfcCase{1004.0, 20.0, -10.0, 1004.0, true},
                      AfcCase{1004.0, 0.0, 0.0, 1000.0, true},      // AFC off: stays put
                      AfcCase{1030.0, 0.0, 0.0, 1000.0, false},     // ... and cannot decode
                      AfcCase{1080.0, 50.0, 0.0, 1000.0, false}));  // beyond the range

TEST(ReceiverAfc, DoesNotWanderOnNoise) {
    const std::vector<float> noise = gaussianNoise(60 * kSampleRateHz, 0.1, 77);
    for (double search : {10.0, 50.0, 100.0}) {
        Receiver receiver;
        tune(receiver, {1200.0, search});
        TextSink sink;
        feed(receiver, noise, sink);
        EXPECT_NEAR(receiver.frequencyHz(), 1200.0, 0.5) << "search " << search;
    }
}

TEST(ReceiverAfc, IsNotPulledByAStrongerNeighbour) {
    // A weak signal where the receiver is tuned and one 10 dB stronger 60 Hz above it.
    TestSignalConfig weak;
    weak.carrierHz = 1000.0;
    weak.textChars = 150;
    weak.seed = 5;
    weak.noise = false;
    TestSignalConfig strong = weak;
    strong.carrierHz = 1060.0;
    strong.seed = 6;
    strong.textChars = 200;
    const TestSignal a = makeTestSignal(weak);
    const TestSignal b = makeTestSignal(strong);
    std::vector<float> mix(std::min(a.samples.size(), b.samples.size()));
    for (std::size_t i = 0; i < mix.size(); ++i) {
        mix[i] = 0.1F * a.samples[i] + 0.316F * b.samples[i];
    }
    const double noiseRms = noiseRmsForSnr(0.01 * a.signalPower, -3.0);
    NoiseSource(noiseRms, 8).add(mix);

    for (double startHz : {1000.0, 1004.0}) {  // the neighbour lies outside the search range
        Receiver receiver;
        tune(receiver, {startHz, 50.0});
        TextSink sink;
        feed(receiver, mix, sink);
        EXPECT_NEAR(receiver.frequencyHz(), 1000.0, 0.5) << "tuned to " << startHz;
        EXPECT_LE(characterErrorRate(a.text, sink.text), 0.03) << sink.text;
    }
}

TEST(ReceiverAfc, FollowsADriftingCarrier) {
    TestSignalConfig config;
    config.carrierHz = 1010.0;
    config.snrDb = -3.0;
    config.driftHzPerSecond = 1.0;
    config.textChars = 100;  // about 35 s: the carrier ends some 35 Hz higher
    config.seed = 31;
    const TestSignal signal = makeTestSignal(config);
    Receiver receiver;
    tune(receiver, {1000.0, 50.0});
    TextSink sink;
    feed(receiver, signal.samples, sink);
    const double endHz = config.carrierHz + config.driftHzPerSecond *
                                                static_cast<double>(signal.samples.size()) /
                                                kSampleRateHz;
    EXPECT_NEAR(receiver.frequencyHz(), endHz, 0.5);
    EXPECT_LE(characterErrorRate(signal.text, sink.text), 0.03) << sink.text;
}

// ---------------------------------------------------------------------------------------------
// Quality, squelch and the tuning indicator.

int qualityAt(double snrDb, int speed) {
    TestSignalConfig config;
    config.snrDb = snrDb;
    config.textChars = 40;
    config.seed = 12;
    const TestSignal signal = makeTestSignal(config);
    Receiver receiver;
    tune(receiver, {1000.0, 0.0, Mode::Bpsk, 0, speed});
    // Average the figure over the second half of the transmission.
    TextSink sink;
    const std::span<const float> samples(signal.samples);
    const std::size_t half = samples.size() / 2;
    receiver.process(samples.first(half), sink);
    double sum = 0.0;
    int count = 0;
    for (std::size_t at = half; at + 256 <= samples.size(); at += 256) {
        receiver.process(samples.subspan(at, 256), sink);
        sum += receiver.quality();
        ++count;
    }
    return static_cast<int>(std::lround(sum / count));
}

TEST(ReceiverQuality, RisesWithSnrFromNearZeroToNearHundred) {
    for (int speed : {0, 1}) {
        int last = -1;
        for (double snr : {-16.0, -12.0, -8.0, -4.0, 0.0, 10.0}) {
            const int q = qualityAt(snr, speed);
            EXPECT_GE(q, last) << snr << " dB, speed " << speed;
            last = q;
        }
        EXPECT_GE(qualityAt(20.0, speed), 95) << "speed " << speed;
    }
}

TEST(ReceiverQuality, StaysLowOnNoiseAndTheSquelchPrintsNothing) {
    const std::vector<float> noise = gaussianNoise(30 * kSampleRateHz, 0.05, 3);
    for (int speed : {0, 1}) {
        Receiver receiver;
        tune(receiver, {1000.0, 50.0, Mode::Bpsk, 40, speed});
        TextSink sink;
        double sum = 0.0;
        int count = 0;
        int highest = 0;
        for (std::size_t at = 0; at + 512 <= noise.size(); at += 512) {
            receiver.process(std::span<const float>(noise).subspan(at, 512), sink);
            sum += receiver.quality();
            highest = std::max(highest, receiver.quality());
            ++count;
        }
        EXPECT_LE(sum / count, 8.0) << "speed " << speed;
        EXPECT_LT(highest, 40) << "speed " << speed;
        EXPECT_EQ(sink.text, "") << "speed " << speed;
        EXPECT_FALSE(receiver.squelchOpen());
    }
}

TEST(ReceiverQuality, SquelchOpensOnASignalAndZeroThresholdIsAlwaysOpen) {
    TestSignalConfig config;
    config.snrDb = 0.0;
    config.textChars = 60;
    config.seed = 2;
    config.leadNoiseSeconds = 3.0;
    const TestSignal signal = makeTestSignal(config);

    Receiver gated;
    tune(gated, {1000.0, 0.0, Mode::Bpsk, 50, 0});
    TextSink gatedSink;
    gated.process(std::span<const float>(signal.samples).first(signal.transmissionStartSample),
                  gatedSink);
    EXPECT_FALSE(gated.squelchOpen());
    gated.process(std::span<const float>(signal.samples).subspan(signal.transmissionStartSample),
                  gatedSink);
    EXPECT_TRUE(gated.squelchOpen());
    EXPECT_LE(characterErrorRate(signal.text, gatedSink.text), 0.02) << gatedSink.text;

    Receiver open;
    tune(open, {1000.0, 0.0, Mode::Bpsk, 0, 0});
    EXPECT_TRUE(open.squelchOpen());
}

TEST(ReceiverIndicator, CleanBpskDrawsSpokesOnOneVerticalLine) {
    TestSignalConfig config;
    config.snrDb = 25.0;
    config.textChars = 30;
    config.carrierHz = 1000.7;  // a little off: the indicator must still stand upright
    const TestSignal signal = makeTestSignal(config);
    Receiver receiver;
    tune(receiver, {1000.0, 0.0});
    TextSink sink;
    int up = 0;
    int down = 0;
    const std::span<const float> samples(signal.samples);
    receiver.process(samples.first(16000), sink);  // two seconds to settle
    for (std::size_t at = 16000; at + 1024 <= samples.size(); at += 1024) {
        receiver.process(samples.subspan(at, 1024), sink);
        const std::array<std::int32_t, kVectorValues> v = receiver.vectors();
        for (std::size_t i = 0; i < 8; ++i) {
            const std::int32_t x = v[2 * i];
            const std::int32_t y = v[2 * i + 1];
            EXPECT_NEAR(x, kIndicatorCentre, 120) << "point " << i;  // within 7 degrees
            EXPECT_GE(y, 0);
            EXPECT_LE(y, 44 * 52);
            EXPECT_GE(std::abs(y - kIndicatorCentre), 400) << "point " << i;
            (y < kIndicatorCentre ? up : down) += 1;
        }
    }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
}

TEST(ReceiverIndicator, QpskDrawsACross) {
    TestSignalConfig config;
    config.mode = Mode::QpskUsb;
    config.snrDb = 25.0;
    config.textChars = 60;
    const TestSignal signal = makeTestSignal(config);
    Receiver receiver;
    tune(receiver, {1000.0, 0.0, Mode::QpskUsb});
    TextSink sink;
    int horizontal = 0;
    const std::span<const float> samples(signal.samples);
    receiver.process(samples.first(16000), sink);
    for (std::size_t at = 16000; at + 1024 <= samples.size(); at += 1024) {
        receiver.process(samples.subspan(at, 1024), sink);
        const std::array<std::int32_t, kVectorValues> v = receiver.vectors();
        for (std::size_t i = 0; i < 8; ++i) {
            const double dx = v[2 * i] - kIndicatorCentre;
            const double dy = v[2 * i + 1] - kIndicatorCentre;
            EXPECT_GE(std::hypot(dx, dy), 400.0) << "point " << i;
            // The matched filter lets each neighbouring symbol a quarter turn away tilt a point
            // (together by up to about 37 degrees); once that is equalised the spokes stand on
            // the axes within a few degrees.
            const double degrees = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
            const double offAxis = std::abs(std::remainder(degrees, 90.0));
            EXPECT_LT(offAxis, 6.0) << "point " << i << " at " << degrees << " degrees";
            if (std::abs(dx) > std::abs(dy)) ++horizontal;
        }
    }
    EXPECT_GT(horizontal, 0);
}

// ---------------------------------------------------------------------------------------------
// Robustness: nothing crashes, nothing prints while the squelch is closed, and the receiver
// recovers.

std::vector<float> hostileInput(int kind, std::size_t n) {
    std::vector<float> x(n, 0.0F);
    std::mt19937_64 rng(static_cast<std::uint64_t>(kind) + 1000U);
    std::uniform_real_distribution<float> uniform(-1.0F, 1.0F);
    for (std::size_t i = 0; i < n; ++i) {
        switch (kind) {
            case 0:  // silence
                break;
            case 1:  // full-scale DC
                x[i] = 1.0F;
                break;
            case 2:  // clipped noise, railing most of the time
                x[i] = std::clamp(20.0F * uniform(rng), -1.0F, 1.0F);
                break;
            case 3:  // NaN and infinities among noise
                x[i] = (i % 7 == 0)    ? std::numeric_limits<float>::quiet_NaN()
                       : (i % 11 == 0) ? std::numeric_limits<float>::infinity()
                       : (i % 13 == 0) ? -std::numeric_limits<float>::infinity()
                                       : uniform(rng);
                break;
            case 4:  // garbage: huge values, subnormals and NaN payloads from random bits
            {
                const auto bits = static_cast<std::uint32_t>(rng());
                x[i] = std::bit_cast<float>(bits);
                break;
            }
            default:  // tiny values near the bottom of the float range
                x[i] = 1e-38F * uniform(rng);
                break;
        }
    }
    return x;
}

TEST(ReceiverRobustness, HostileInputPrintsNothingAndTheReceiverRecovers) {
    TestSignalConfig config;
    config.snrDb = 5.0;
    config.textChars = 50;
    config.seed = 21;
    const TestSignal signal = makeTestSignal(config);
    for (int kind = 0; kind <= 5; ++kind) {
        Receiver receiver;
        tune(receiver, {1000.0, 50.0, Mode::Bpsk, 50, 0});
        TextSink sink;
        feed(receiver, hostileInput(kind, 12 * kSampleRateHz), sink);
        EXPECT_EQ(sink.text, "") << "input kind " << kind;
        EXPECT_GE(receiver.quality(), 0);
        EXPECT_LE(receiver.quality(), 100);
        EXPECT_TRUE(std::isfinite(receiver.frequencyHz()));
        EXPECT_LE(std::abs(receiver.frequencyHz() - 1000.0), 50.0);
        for (std::int32_t v : receiver.vectors()) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 44 * 52);
        }
        // A clean signal afterwards comes through.
        TextSink after;
        feed(receiver, signal.samples, after);
        EXPECT_LE(characterErrorRate(signal.text, after.text), 0.05)
            << "input kind " << kind << ": " << after.text;
    }
}

TEST(ReceiverRobustness, ClippedSignalStillDecodes) {
    TestSignalConfig config;
    config.snrDb = 15.0;
    config.textChars = 60;
    config.seed = 8;
    TestSignal signal = makeTestSignal(config);
    for (float& v : signal.samples) v = std::clamp(30.0F * v, -1.0F, 1.0F);
    EXPECT_LE(characterErrorRate(signal.text, decode(signal.samples, {})), 0.02);
}

TEST(ReceiverRobustness, InputLevelDoesNotMatter) {
    TestSignalConfig config;
    config.snrDb = -5.0;
    config.textChars = 60;
    config.seed = 9;
    const TestSignal signal = makeTestSignal(config);
    std::string reference;
    for (float gain : {1.0F, 0.1F, 0.01F, 9.0F}) {  // -20 dB .. -60 dB and near full scale
        std::vector<float> scaled(signal.samples);
        for (float& v : scaled) v *= gain;
        const std::string text = decode(scaled, {1000.0, 50.0});
        EXPECT_LE(characterErrorRate(signal.text, text), 0.02) << "gain " << gain;
        if (gain == 1.0F) reference = text;
    }
}

TEST(ReceiverSettings, OutOfRangeValuesAreClamped) {
    Receiver receiver;
    receiver.setFrequency(20.0, 50.0);
    EXPECT_EQ(receiver.frequencyHz(), kMinFrequencyHz);
    receiver.setFrequency(9000.0, 0.0);
    EXPECT_EQ(receiver.frequencyHz(), kMaxFrequencyHz);
    receiver.setFrequency(std::numeric_limits<double>::quiet_NaN(), 10.0);
    EXPECT_EQ(receiver.frequencyHz(), kMaxFrequencyHz);
    receiver.setFrequency(1000.0, -5.0);
    EXPECT_EQ(receiver.frequencyHz(), 1000.0);
    receiver.setSquelch(500, 7);
    receiver.setSquelch(-3, -1);
    EXPECT_TRUE(receiver.squelchOpen());
    for (Mode mode : {Mode::QpskUsb, Mode::QpskLsb, Mode::Bpsk, static_cast<Mode>(7)}) {
        receiver.setMode(mode);
        TextSink sink;
        const std::vector<float> noise = gaussianNoise(4000, 0.1, 1);
        receiver.process(noise, sink);
    }
}

}  // namespace
}  // namespace pskmodem
