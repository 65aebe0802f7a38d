// Whole-band decoding: the signal detector, the text score that tells the QPSK31 sidebands apart,
// and the band decoder end to end on composed bands of finite transmissions in seeded noise.

#include "pskmodem/band/band_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <new>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "pskmodem/band/signal_detector.h"
#include "pskmodem/band/text_score.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"
#include "pskmodem/signals/testsignal.h"
#include "support/tones.h"

// Counts the allocations made while a test asks for it, to check that process() makes none.
namespace {
std::atomic<bool> gCountAllocations{false};
std::atomic<long> gAllocations{0};
}  // namespace

// malloc and free stand in for the library's allocator, which GCC cannot see through.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (gCountAllocations.load(std::memory_order_relaxed)) {
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t /*size*/) noexcept {
    std::free(p);
}

namespace pskmodem {
namespace {

constexpr double kRate = kSampleRateHz;
constexpr double kNoiseRms = 0.02;

// One transmission of a composed band: silence until startSeconds, 32 idle symbols, the text,
// 32 idle symbols, silence again.
struct Transmission {
    double carrierHz = 1000.0;
    Mode mode = Mode::Bpsk;
    double snrDb = 10.0;  // over the noise in 3000 Hz
    double startSeconds = 0.0;
    std::string text;
    double driftHzPerSecond = 0.0;
    Keying keying = Keying::RaisedCosine;
    // Third harmonic of an overdriven audio stage, below the carrier (HarmonicDistortion); NaN:
    // none.
    double harmonicDb = std::numeric_limits<double>::quiet_NaN();
    Speed speed = Speed::Psk31;
};

constexpr int kIdleSymbols = 32;

std::size_t textSymbols(const std::string& text) {
    std::size_t symbols = 0;
    for (const char c : text) symbols += varicodeBits(static_cast<std::uint8_t>(c)).size() + 2;
    return symbols;
}

// Seconds from the start of a transmission to the end of its carrier.
double durationSeconds(const Transmission& t) {
    return static_cast<double>(textSymbols(t.text) + 2 * kIdleSymbols) / symbolRateBaud(t.speed);
}

std::vector<float> composeBand(const std::vector<Transmission>& transmissions, double seconds,
                               std::uint64_t seed) {
    const auto count = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> band(count, 0.0F);
    std::vector<float> one(count);
    // Noise power in 3000 Hz of the 4000 Hz the samples carry.
    const double noiseIn3000Hz = kNoiseRms * kNoiseRms * 3000.0 / (kRate / 2.0);
    int index = 0;
    for (const Transmission& t : transmissions) {
        ModulatorConfig config;
        config.carrierHz = t.carrierHz;
        config.mode = t.mode;
        config.initialPhaseRad = 1.3 * index++;
        config.keying = t.keying;
        config.speed = t.speed;
        Modulator modulator(config);
        const double rate = symbolRateBaud(t.speed);
        const auto leadSymbols = static_cast<int>(std::lround(t.startSeconds * rate));
        modulator.queueSilence(leadSymbols);
        modulator.queueIdle(kIdleSymbols);
        modulator.queueText(t.text);
        modulator.queueIdle(kIdleSymbols);
        // Without text, the transmission is idle throughout.
        if (!t.text.empty()) modulator.queueSilence(static_cast<int>(seconds * rate) + 2);
        constexpr std::size_t kBlock = 256;
        for (std::size_t at = 0; at < count; at += kBlock) {
            if (t.driftHzPerSecond != 0.0) {
                modulator.setCarrierHz(t.carrierHz +
                                       t.driftHzPerSecond * static_cast<double>(at) / kRate);
            }
            modulator.process(std::span<float>(one).subspan(at, std::min(kBlock, count - at)));
        }
        // Scale the transmission to its SNR by its mean power while on the air.
        const auto first = static_cast<std::size_t>(leadSymbols) *
                           static_cast<std::size_t>(samplesPerSymbol(t.speed));
        const auto length = static_cast<std::size_t>(durationSeconds(t) * kRate);
        const double power =
            meanPower(std::span<const float>(one).subspan(first, std::min(length, count - first)));
        const double gain = std::sqrt(noiseIn3000Hz * std::pow(10.0, t.snrDb / 10.0) / power);
        for (float& x : one) x = static_cast<float>(gain * static_cast<double>(x));
        if (!std::isnan(t.harmonicDb)) HarmonicDistortion(t.harmonicDb, gain).process(one);
        for (std::size_t i = 0; i < count; ++i) band[i] += one[i];
    }
    NoiseSource noise(kNoiseRms, seed);
    noise.add(band);
    return band;
}

// Everything the band decoder reports, with the audio time of each report.
class Recorder final : public BandListener {
  public:
    struct Channel {
        BandChannel started;
        BandChannel ended;
        double startedAt = -1.0;
        double endedAt = -1.0;
        std::string text;
        std::string textAtEnd;  // the channel's own record of its text when it ended
    };

    explicit Recorder(const BandDecoder& decoder) : decoder_(decoder) {}

    void channelStarted(const BandChannel& c) override {
        Channel& channel = channels[c.id];
        EXPECT_LT(channel.startedAt, 0.0) << "channel " << c.id << " started twice";
        channel.started = c;
        channel.started.text = {};
        channel.startedAt = decoder_.seconds();
        order.push_back(c.id);
    }
    void character(const BandChannel& c, std::uint8_t code) override {
        ASSERT_TRUE(channels.count(c.id) == 1) << "character before the channel started";
        Channel& channel = channels[c.id];
        EXPECT_LT(channel.endedAt, 0.0) << "character after the channel ended";
        channel.text.push_back(static_cast<char>(code));
        EXPECT_EQ(c.text.size(), std::min(channel.text.size(), BandDecoder::kTextCapacity));
    }
    void channelEnded(const BandChannel& c) override {
        ASSERT_TRUE(channels.count(c.id) == 1) << "end of a channel that never started";
        Channel& channel = channels[c.id];
        EXPECT_LT(channel.endedAt, 0.0) << "channel " << c.id << " ended twice";
        channel.ended = c;
        channel.textAtEnd = std::string(c.text);
        channel.ended.text = {};
        channel.endedAt = decoder_.seconds();
    }

    // The channels whose final frequency lies within `toleranceHz` of `hz`.
    std::vector<const Channel*> near(double hz, double toleranceHz) const {
        std::vector<const Channel*> found;
        for (const auto& [id, channel] : channels) {
            if (std::abs(channel.ended.frequencyHz - hz) <= toleranceHz) found.push_back(&channel);
        }
        return found;
    }

    std::map<int, Channel> channels;
    std::vector<int> order;

  private:
    const BandDecoder& decoder_;
};

void run(BandDecoder& decoder, std::span<const float> audio, BandListener& listener,
         std::size_t chunk = 4096) {
    for (std::size_t at = 0; at < audio.size(); at += chunk) {
        decoder.process(audio.subspan(at, std::min(chunk, audio.size() - at)), listener);
    }
}

const char* modeName(Mode mode) {
    return mode == Mode::Bpsk ? "BPSK31" : (mode == Mode::QpskUsb ? "QPSK31 USB" : "QPSK31 LSB");
}

// Each transmission must come out as exactly one channel on its carrier, in its mode, with its
// text; and there must be no other channels.
// One line a channel: id, frequency, mode, start and end (s) and its text.
std::string channelSummary(const Recorder& recorder) {
    std::string summary;
    for (const auto& [id, c] : recorder.channels) {
        summary += std::to_string(id) + " " + std::to_string(c.ended.frequencyHz) + " " +
                   modeName(c.ended.mode) + " " + std::to_string(c.startedAt) + " " +
                   std::to_string(c.endedAt) + " [" + c.text + "]\n";
    }
    return summary;
}

void expectDecoded(const Recorder& recorder, const std::vector<Transmission>& band,
                   double maxCer = 0.02) {
    for (const Transmission& t : band) {
        SCOPED_TRACE(std::to_string(t.carrierHz) + " Hz " + modeName(t.mode));
        const auto found = recorder.near(t.carrierHz, 3.0);
        ASSERT_EQ(found.size(), 1U);
        const Recorder::Channel& channel = *found.front();
        EXPECT_EQ(channel.ended.mode, t.mode);
        EXPECT_EQ(channel.ended.speed, t.speed);
        EXPECT_NEAR(channel.ended.frequencyHz, t.carrierHz, 3.0);
        EXPECT_LT(characterErrorRate(t.text, channel.text), maxCer)
            << channel.text << "\nsent: " << t.text;
        EXPECT_EQ(channel.textAtEnd, channel.text);
        EXPECT_GT(channel.ended.meanQuality, 20);
    }
    EXPECT_EQ(recorder.channels.size(), band.size()) << channelSummary(recorder);
}

// ---------------------------------------------------------------------------------------------
// Signal detector

std::vector<DetectedSignal> detectAfter(SignalDetector& detector, std::span<const float> audio) {
    std::vector<DetectedSignal> last;
    while (!audio.empty()) {
        audio = audio.subspan(detector.consume(audio));
        if (detector.frameReady()) {
            last.assign(detector.signals().begin(), detector.signals().end());
        }
    }
    return last;
}

TEST(SignalDetector, FindsSignalsWithTheirFrequencyAndSnrAndNothingElse) {
    // Idle (two lines), data in both modes, strong and weak, at the band's edges.
    std::vector<Transmission> band = {
        {130.0, Mode::Bpsk, 10.0, 0.0, ""},  // idle only
        {700.0, Mode::Bpsk, 0.0, 0.0, randomText(200, 1)},
        {1234.5, Mode::QpskUsb, 10.0, 0.0, randomText(200, 2)},
        {1800.0, Mode::Bpsk, 30.0, 0.0, randomText(200, 3)},
        {2975.0, Mode::QpskLsb, 20.0, 0.0, randomText(200, 4)},
    };
    const std::vector<float> audio = composeBand(band, 8.0, 11);
    SignalDetector detector;
    const std::vector<DetectedSignal> found = detectAfter(detector, audio);
    ASSERT_EQ(found.size(), band.size());
    for (std::size_t i = 0; i < band.size(); ++i) {
        SCOPED_TRACE(band[i].carrierHz);
        EXPECT_NEAR(found[i].frequencyHz, band[i].carrierHz, 1.0);
        EXPECT_NEAR(found[i].snrDb, band[i].snrDb, 1.5);
        EXPECT_GT(found[i].widthHz, 5.0);
        EXPECT_LT(found[i].widthHz, 22.0);
        EXPECT_GT(detector.bandSnrDb(band[i].carrierHz), 10.0);
    }
    EXPECT_NEAR(found[0].widthHz, 15.625, 1.0);  // idle: the two lines at +-15.625 Hz
    EXPECT_LT(detector.bandSnrDb(1000.0), 3.0);
    EXPECT_EQ(detector.frames(), audio.size() / SignalDetector::kHopSamples);
}

TEST(SignalDetector, NoiseCarriersAndSilenceAreNotSignals) {
    struct Case {
        const char* name;
        std::vector<double> carriersHz;  // bare carriers, 30 dB over the noise in 3000 Hz
        double noiseRms;
    };
    const Case cases[] = {
        {"white noise", {}, kNoiseRms},
        {"loud noise", {}, 0.5},
        {"carriers", {400.0, 1500.0, 1560.0, 2600.0}, kNoiseRms},
        {"digital silence", {}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> audio(static_cast<std::size_t>(60.0 * kRate), 0.0F);
        const double amplitude = std::sqrt(2.0 * 1000.0) * kNoiseRms * std::sqrt(3000.0 / 4000.0);
        for (std::size_t i = 0; i < audio.size(); ++i) {
            for (const double hz : c.carriersHz) {
                audio[i] +=
                    static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz *
                                                            static_cast<double>(i) / kRate));
            }
        }
        if (c.noiseRms > 0.0) NoiseSource(c.noiseRms, 5).add(audio);
        SignalDetector detector;
        std::size_t reports = 0;
        for (std::span<const float> in(audio); !in.empty();) {
            in = in.subspan(detector.consume(in));
            if (detector.frameReady()) reports += detector.signals().size();
        }
        EXPECT_EQ(reports, 0U);
    }
}

TEST(SignalDetector, SeparatesSignalsFromSixtyHertzApartButNotASignalsOwnLines) {
    struct Case {
        double spacingHz;
        double secondSnrDb;
    };
    for (const Case c : {Case{60.0, 10.0}, Case{70.0, 0.0}, Case{80.0, -3.0}}) {
        SCOPED_TRACE(c.spacingHz);
        const std::vector<Transmission> band = {
            {1000.0, Mode::Bpsk, 10.0, 0.0, randomText(200, 7)},
            {1000.0 + c.spacingHz, Mode::QpskUsb, c.secondSnrDb, 0.0, randomText(200, 8)},
        };
        SignalDetector detector;
        const auto found = detectAfter(detector, composeBand(band, 8.0, 12));
        ASSERT_EQ(found.size(), 2U);
        EXPECT_NEAR(found[0].frequencyHz, 1000.0, 2.0);
        EXPECT_NEAR(found[1].frequencyHz, 1000.0 + c.spacingHz, 2.0);
    }
    // A very strong signal, idling and sending: one signal, not its lines or keying sidebands.
    for (const std::string& text : {std::string(), randomText(200, 9)}) {
        SignalDetector detector;
        const auto found =
            detectAfter(detector, composeBand({{1500.0, Mode::Bpsk, 45.0, 0.0, text}}, 8.0, 13));
        ASSERT_EQ(found.size(), 1U);
        EXPECT_NEAR(found[0].frequencyHz, 1500.0, 0.5);
    }
}

TEST(SignalDetector, BandLimitsAndBadArguments) {
    const std::vector<float> audio = composeBand(
        {{400.0, Mode::Bpsk, 10.0, 0.0, ""}, {1400.0, Mode::Bpsk, 10.0, 0.0, ""}}, 5.0, 14);
    SignalDetector detector(1000.0, 2000.0);
    const auto found = detectAfter(detector, audio);
    ASSERT_EQ(found.size(), 1U);
    EXPECT_NEAR(found[0].frequencyHz, 1400.0, 1.0);
    detector.reset();
    EXPECT_EQ(detector.frames(), 0U);
    EXPECT_TRUE(detector.signals().empty());
    EXPECT_THROW(SignalDetector(2000.0, 1000.0), std::invalid_argument);
    EXPECT_THROW(SignalDetector(NAN, 1000.0), std::invalid_argument);
    // Garbage samples are silence, not a crash or a poisoned average.
    std::vector<float> garbage(SignalDetector::kFftSize * 2, NAN);
    garbage[5] = INFINITY;
    SignalDetector other;
    detectAfter(other, garbage);
    const auto after = detectAfter(other, audio);
    EXPECT_EQ(after.size(), 2U);
}

// ---------------------------------------------------------------------------------------------
// Text score

double meanScore(const TextScore& score, const std::string& text) {
    double sum = 0.0;
    std::uint8_t previous = ' ';
    for (const char c : text) {
        const auto code = static_cast<std::uint8_t>(c);
        sum += score.score(code, previous);
        previous = code;
    }
    return sum / static_cast<double>(text.size());
}

TEST(TextScore, TextScoresAboveWhatRandomBitsDecodeTo) {
    const TextScore score;
    // What a decoder makes of random bits.
    std::string garbage;
    VaricodeDecoder decoder;
    std::mt19937 rng(21);
    while (garbage.size() < 2000) {
        if (const auto code = decoder.pushBit(static_cast<int>(rng() & 1U)))
            garbage += static_cast<char>(*code);
    }
    EXPECT_LT(meanScore(score, garbage), -0.2);
    for (const std::uint64_t seed : {1U, 2U, 3U}) {
        EXPECT_GT(meanScore(score, randomText(2000, seed)), 0.1) << seed;
    }
    EXPECT_GT(meanScore(score, "CQ CQ DE QX1ABC QX1ABC PSE K\r\n"), 0.3);
    EXPECT_GT(meanScore(score, "the weather here is fine, the rig runs 50 watts into a dipole."),
              0.0);
    // Single characters.
    EXPECT_GT(score.score('Q', ' '), 0.0);
    EXPECT_GT(score.score('7', 'Q'), 0.0);
    EXPECT_LT(score.score(0x01, 'a'), -2.0);
    EXPECT_LT(score.score(0xC4, 'a'), -2.0);
    EXPECT_EQ(score.score(' ', ' '), TextScore::kRepeatedBlankScore);
    for (int c = 0; c < 256; ++c) {
        const double s = score.score(static_cast<std::uint8_t>(c), 'a');
        EXPECT_LE(std::abs(s), TextScore::kMaxScore) << c;
    }
}

// ---------------------------------------------------------------------------------------------
// Band decoder

TEST(BandDecoder, DecodesEverySignalOfAMixedBandWithItsFrequencyAndMode) {
    const std::vector<Transmission> band = {
        {520.0, Mode::Bpsk, 10.0, 1.0, randomText(130, 31)},
        {830.0, Mode::QpskUsb, 10.0, 4.0, randomText(130, 32)},
        {1176.0, Mode::QpskLsb, 10.0, 2.5, randomText(130, 33)},
        {1483.0, Mode::Bpsk, 20.0, 6.0, randomText(130, 34)},
        {1861.0, Mode::QpskUsb, 16.0, 0.0, randomText(130, 35)},
        {2410.0, Mode::Bpsk, 6.0, 8.0, randomText(130, 36)},
        {2687.0, Mode::QpskLsb, 13.0, 3.0, randomText(130, 37)},
    };
    double end = 0.0;
    for (const Transmission& t : band) end = std::max(end, t.startSeconds + durationSeconds(t));
    const std::vector<float> audio = composeBand(band, end + 3.0, 41);

    BandDecoder decoder;
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    // Every signal is seen, and found out, within a few seconds of its start.
    for (const Transmission& t : band) {
        const auto found =
            std::find_if(recorder.channels.begin(), recorder.channels.end(), [&](const auto& c) {
                return std::abs(c.second.started.frequencyHz - t.carrierHz) < 3.0;
            });
        ASSERT_NE(found, recorder.channels.end()) << t.carrierHz;
        EXPECT_NEAR(found->second.started.startSeconds, t.startSeconds, 1.5) << t.carrierHz;
        EXPECT_LT(found->second.startedAt, t.startSeconds + 12.0) << t.carrierHz;
    }
    decoder.finish(recorder);
    expectDecoded(recorder, band);
    EXPECT_EQ(decoder.channelCount(), 0U);
    EXPECT_EQ(decoder.pendingCount(), 0U);
}

// A recording that stops with the signals' carriers: finish() still reports their last
// characters, which were within the receivers' decision delay.
TEST(BandDecoder, FinishReportsTheLastCharactersOfSignalsCutOffByTheEnd) {
    std::vector<Transmission> band = {
        {700.0, Mode::Bpsk, 10.0, 0.0, randomText(100, 51)},
        {1400.0, Mode::QpskUsb, 10.0, 0.0, randomText(100, 52)},
        {2100.0, Mode::QpskLsb, 10.0, 0.0, randomText(100, 53)},
    };
    double end = 0.0;
    for (const Transmission& t : band) end = std::max(end, durationSeconds(t) + 0.5);
    for (Transmission& t : band) t.startSeconds = end - durationSeconds(t);
    const std::vector<float> audio = composeBand(band, end, 53);

    BandDecoder decoder;
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    decoder.finish(recorder);
    expectDecoded(recorder, band);
    for (const Transmission& t : band) {
        const auto found = recorder.near(t.carrierHz, 3.0);
        ASSERT_EQ(found.size(), 1U);
        const std::string& text = found.front()->text;
        ASSERT_GE(text.size(), 8U);
        EXPECT_EQ(text.substr(text.size() - 8), t.text.substr(t.text.size() - 8)) << t.carrierHz;
    }
}

TEST(BandDecoder, NoiseAndCarriersGiveNoChannels) {
    std::vector<float> audio = test_support::sineTone(static_cast<std::size_t>(90.0 * kRate),
                                                      1250.0, kRate, 30.0 * kNoiseRms);
    NoiseSource(kNoiseRms, 51).add(audio);
    BandDecoder decoder;
    Recorder recorder(decoder);
    for (std::size_t at = 0; at < audio.size(); at += 2048) {
        decoder.process(std::span<const float>(audio).subspan(
                            at, std::min<std::size_t>(2048, audio.size() - at)),
                        recorder);
        ASSERT_EQ(decoder.pendingCount(), 0U) << "a receiver was started at " << decoder.seconds();
    }
    decoder.finish(recorder);
    EXPECT_TRUE(recorder.channels.empty());
    EXPECT_EQ(decoder.seconds(), 90.0);
}

TEST(BandDecoder, SignalsEightyHertzApartDecodeSeparately) {
    struct Case {
        Mode lowerMode;
        double lowerSnrDb;
        Mode upperMode;
        double upperSnrDb;
    };
    const Case cases[] = {
        {Mode::Bpsk, 10.0, Mode::Bpsk, 10.0},
        {Mode::QpskUsb, 12.0, Mode::Bpsk, 20.0},
        {Mode::Bpsk, 20.0, Mode::QpskLsb, 12.0},
    };
    std::uint64_t seed = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(modeName(c.lowerMode)) + " + " + modeName(c.upperMode));
        const std::vector<Transmission> band = {
            {1300.0, c.lowerMode, c.lowerSnrDb, 0.5, randomText(90, ++seed)},
            {1380.0, c.upperMode, c.upperSnrDb, 2.0, randomText(90, ++seed)},
        };
        const std::vector<float> audio = composeBand(band, 32.0, ++seed);
        BandDecoder decoder;
        Recorder recorder(decoder);
        run(decoder, audio, recorder);
        decoder.finish(recorder);
        expectDecoded(recorder, band);
    }
}

TEST(BandDecoder, RetiresAChannelWhoseSignalStopsAndStartsAnewWhenItReturns) {
    BandDecoderConfig config;
    config.retireSeconds = 4.0;
    const std::string first = randomText(70, 71);
    const std::string second = randomText(50, 72);
    // One station stops; after a pause another starts on the same frequency. A third keeps going.
    std::vector<Transmission> band = {
        {1000.0, Mode::Bpsk, 10.0, 1.0, first},
        {1002.0, Mode::QpskUsb, 12.0, 0.0, second},
        {2000.0, Mode::Bpsk, 10.0, 0.5, randomText(300, 73)},
    };
    const double stop = band[0].startSeconds + durationSeconds(band[0]);
    band[1].startSeconds = stop + 12.0;
    const double stopSecond = band[1].startSeconds + durationSeconds(band[1]);
    const std::vector<float> audio = composeBand(band, stopSecond + 10.0, 74);

    BandDecoder decoder(config);
    Recorder recorder(decoder);
    run(decoder, audio, recorder, 1000);
    ASSERT_EQ(recorder.order.size(), 3U);
    // Ended without finish(), soon after the carrier went, with nothing made of the noise after.
    for (const auto& [text, stopAt, mode] :
         {std::tuple{first, stop, Mode::Bpsk}, std::tuple{second, stopSecond, Mode::QpskUsb}}) {
        SCOPED_TRACE(text);
        const Recorder::Channel* channel = nullptr;
        for (const auto& [id, c] : recorder.channels) {
            if (c.started.mode == mode && std::abs(c.started.frequencyHz - 1000.0) < 5.0) {
                channel = &c;
            }
        }
        ASSERT_NE(channel, nullptr);
        EXPECT_GT(channel->endedAt, stopAt + config.retireSeconds - 0.5);
        EXPECT_LT(channel->endedAt, stopAt + config.retireSeconds + 3.0);
        EXPECT_LT(characterErrorRate(text, channel->text), 0.02) << channel->text;
        EXPECT_EQ(foldBlanks(channel->text), foldBlanks(text)) << channel->text;
    }
    ASSERT_EQ(decoder.channelCount(), 1U);
    EXPECT_NEAR(decoder.channel(0).frequencyHz, 2000.0, 3.0);
    EXPECT_THROW(static_cast<void>(decoder.channel(1)), std::out_of_range);
}

TEST(BandDecoder, AStationInAnotherModeTakingOverTheFrequencyGetsItsOwnChannel) {
    // A BPSK31 station stops and a second later a QPSK31 one starts on the same frequency, well
    // within the retire time: the BPSK channel must not hold on to the new signal.
    const std::string first = randomText(40, 131);
    const std::string second = randomText(150, 132);
    std::vector<Transmission> band = {
        {1000.0, Mode::Bpsk, 12.0, 0.5, first},
        {1001.0, Mode::QpskUsb, 12.0, 0.0, second},
    };
    band[1].startSeconds = band[0].startSeconds + durationSeconds(band[0]) + 1.0;
    const double end = band[1].startSeconds + durationSeconds(band[1]);
    const std::vector<float> audio = composeBand(band, end + 2.0, 133);
    BandDecoder decoder;
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    decoder.finish(recorder);
    ASSERT_EQ(recorder.order.size(), 2U);
    const Recorder::Channel& bpsk = recorder.channels.at(recorder.order[0]);
    const Recorder::Channel& qpsk = recorder.channels.at(recorder.order[1]);
    EXPECT_EQ(bpsk.ended.mode, Mode::Bpsk);
    // Its text, and a few characters made of the new signal while the receiver's quality falls.
    const std::string bpskText = foldBlanks(bpsk.text);
    EXPECT_EQ(bpskText.rfind(foldBlanks(first), 0), 0U) << bpskText;
    EXPECT_LE(bpskText.size(), foldBlanks(first).size() + 10) << bpskText;
    EXPECT_LT(bpsk.endedAt, band[1].startSeconds + 12.0);
    EXPECT_EQ(qpsk.ended.mode, Mode::QpskUsb);
    EXPECT_NEAR(qpsk.ended.frequencyHz, 1001.0, 3.0);
    // The start of the new text goes by while the old channel finds out; the rest comes through.
    const std::string got = foldBlanks(qpsk.text);
    const std::string sent = foldBlanks(second);
    ASSERT_GT(got.size(), sent.size() * 6 / 10) << got;
    EXPECT_LT(characterErrorRate(sent.substr(sent.size() - got.size()), got), 0.05) << got;
}

TEST(BandDecoder, FollowsADriftingSignalBeyondItsSearchRange) {
    // 0.8 Hz/s for 50 s moves the carrier 40 Hz: the channel must be tuned anew on the way.
    const Transmission t{900.0, Mode::Bpsk, 10.0, 0.5, randomText(180, 81), 0.8};
    const double seconds = t.startSeconds + durationSeconds(t) + 2.0;
    const std::vector<float> audio = composeBand({t}, seconds, 82);
    BandDecoder decoder;
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    ASSERT_EQ(decoder.channelCount(), 1U);
    const double endHz = t.carrierHz + t.driftHzPerSecond * (t.startSeconds + durationSeconds(t));
    EXPECT_NEAR(decoder.channel(0).frequencyHz, endHz, 3.0);
    decoder.finish(recorder);
    ASSERT_EQ(recorder.channels.size(), 1U);
    EXPECT_LT(characterErrorRate(t.text, recorder.channels.begin()->second.text), 0.02);
}

TEST(BandDecoder, AGivenModeReceivesOnlySignalsOfThatMode) {
    const std::vector<Transmission> band = {
        {700.0, Mode::Bpsk, 12.0, 0.0, randomText(80, 91)},
        {1300.0, Mode::QpskUsb, 12.0, 1.0, randomText(80, 92)},
        {1900.0, Mode::QpskLsb, 12.0, 2.0, randomText(80, 93)},
    };
    const std::vector<float> audio = composeBand(band, 30.0, 94);
    for (const Transmission& wanted : band) {
        SCOPED_TRACE(modeName(wanted.mode));
        BandDecoderConfig config;
        config.mode = wanted.mode;
        BandDecoder decoder(config);
        Recorder recorder(decoder);
        run(decoder, audio, recorder);
        decoder.finish(recorder);
        expectDecoded(recorder, {wanted});
    }
}

TEST(BandDecoder, OutputDoesNotDependOnHowTheAudioIsCutAndResetStartsAfresh) {
    const std::vector<Transmission> band = {
        {640.0, Mode::QpskUsb, 10.0, 0.0, randomText(40, 101)},
        {1500.0, Mode::Bpsk, 8.0, 1.0, randomText(40, 102)},
    };
    const std::vector<float> audio = composeBand(band, 20.0, 103);
    const auto decode = [&](BandDecoder& decoder, std::size_t chunk) {
        Recorder recorder(decoder);
        run(decoder, audio, recorder, chunk);
        decoder.finish(recorder);
        return channelSummary(recorder);
    };
    BandDecoder reference;
    const std::string expected = decode(reference, 4096);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 2) << expected;
    for (const std::size_t chunk : {1UL, 333UL, 2048UL, 50000UL}) {
        BandDecoder decoder;
        EXPECT_EQ(decode(decoder, chunk), expected) << chunk;
    }
    // After another band and a reset, the same as a new decoder.
    const std::vector<float> other =
        composeBand({{1520.0, Mode::QpskLsb, 10.0, 0.0, randomText(40, 104)}}, 15.0, 105);
    Recorder ignored(reference);
    reference.reset();
    run(reference, other, ignored);
    reference.reset();
    EXPECT_EQ(reference.seconds(), 0.0);
    EXPECT_EQ(reference.channelCount(), 0U);
    EXPECT_EQ(decode(reference, 4096), expected);
}

// A strong station whose transmitter splatters (hard keying, an overdriven audio stage) gets one
// channel: its keying sidebands and its harmonic are no stations. A real station next to it, far
// weaker but sending text, still gets its own.
TEST(BandDecoder, SplatterAndHarmonicsOfAStrongStationAreNoChannelsButWeakStationsBesideItAre) {
    struct Case {
        const char* name;
        std::vector<Transmission> band;
    };
    const Case cases[] = {
        {"hard keyed", {{1200.0, Mode::Bpsk, 40.0, 0.5, randomText(70, 141), 0.0, Keying::Hard}}},
        {"hard keyed QPSK31",
         {{1500.0, Mode::QpskUsb, 40.0, 0.5, randomText(70, 142), 0.0, Keying::Hard}}},
        {"third harmonic",
         {{700.0, Mode::Bpsk, 40.0, 0.5, randomText(70, 143), 0.0, Keying::RaisedCosine, -30.0}}},
        {"third harmonic of QPSK31, hard keyed",
         {{810.0, Mode::QpskLsb, 40.0, 0.5, randomText(70, 144), 0.0, Keying::Hard, -25.0}}},
        {"weak station 200 Hz away",
         {{1200.0, Mode::Bpsk, 40.0, 0.5, randomText(70, 145)},
          {1400.0, Mode::Bpsk, 10.0, 3.0, randomText(50, 146)}}},
        // Between two of the splatterer's lines; on the air after it.
        {"station in the splatter of a hard keyed one",
         {{1200.0, Mode::Bpsk, 40.0, 0.5, randomText(50, 149), 0.0, Keying::Hard},
          {1450.0, Mode::Bpsk, 20.0, 3.0, randomText(70, 150)}}},
        {"weak QPSK31 station 170 Hz away",
         {{1200.0, Mode::Bpsk, 40.0, 0.5, randomText(70, 147)},
          {1030.0, Mode::QpskUsb, 10.0, 3.0, randomText(50, 148)}}},
    };
    std::uint64_t seed = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double end = 0.0;
        for (const Transmission& t : c.band) {
            end = std::max(end, t.startSeconds + durationSeconds(t));
        }
        const std::vector<float> audio = composeBand(c.band, end + 3.0, ++seed);
        BandDecoder decoder;
        Recorder recorder(decoder);
        run(decoder, audio, recorder);
        decoder.finish(recorder);
        expectDecoded(recorder, c.band);
    }
}

// A weak station that stays on the air keeps its one channel: the spectrum loses it now and then
// at this S/N, and the receiver's quality dips, but neither is the station going away.
TEST(BandDecoder, AWeakStationOnTheAirForMinutesKeepsOneChannel) {
    const Transmission t{1300.0, Mode::QpskUsb, -10.0, 1.0, randomText(800, 161)};
    const double end = t.startSeconds + durationSeconds(t);
    const std::vector<float> audio = composeBand({t}, end + 2.0, 162);
    BandDecoder decoder;
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    decoder.finish(recorder);
    ASSERT_EQ(recorder.channels.size(), 1U);
    const Recorder::Channel& channel = recorder.channels.begin()->second;
    EXPECT_EQ(channel.ended.mode, t.mode);
    EXPECT_NEAR(channel.ended.frequencyHz, t.carrierHz, 3.0);
    // On the air to the end, and its text came through, less what the squelch kept back.
    EXPECT_GT(channel.endedAt, end);
    EXPECT_GT(channel.text.size(), t.text.size() * 4 / 10);
}

// Records into storage reserved beforehand, so that it allocates nothing itself.
class QuietRecorder final : public BandListener {
  public:
    QuietRecorder() { text.reserve(100000); }
    void channelStarted(const BandChannel& /*channel*/) override { ++started; }
    void character(const BandChannel& /*channel*/, std::uint8_t code) override {
        text.push_back(static_cast<char>(code));
    }
    void channelEnded(const BandChannel& /*channel*/) override { ++ended; }
    int started = 0;
    int ended = 0;
    std::string text;
};

TEST(BandDecoder, ProcessNeverAllocates) {
    BandDecoderConfig config;
    config.retireSeconds = 2.0;
    const std::vector<Transmission> band = {
        {800.0, Mode::QpskLsb, 10.0, 0.0, randomText(30, 111)},
        {1600.0, Mode::Bpsk, 10.0, 1.0, randomText(30, 112)},
    };
    const std::vector<float> audio = composeBand(band, 25.0, 113);
    BandDecoder decoder(config);
    QuietRecorder recorder;
    gAllocations.store(0);
    gCountAllocations.store(true);
    for (std::size_t at = 0; at < audio.size(); at += 700) {
        decoder.process(std::span<const float>(audio).subspan(
                            at, std::min<std::size_t>(700, audio.size() - at)),
                        recorder);
    }
    gCountAllocations.store(false);
    EXPECT_EQ(gAllocations.load(), 0);
    // The run did start and end channels, so those paths were taken.
    EXPECT_EQ(recorder.started, 2);
    EXPECT_EQ(recorder.ended, 2);
    EXPECT_GT(recorder.text.size(), 40U);
}

TEST(BandDecoder, RejectsUnusableConfigurations) {
    const auto make = [](auto change) {
        BandDecoderConfig config;
        change(config);
        return [config] { BandDecoder decoder(config); };
    };
    EXPECT_THROW(make([](auto& c) {
                     c.lowHz = 3000.0;
                     c.highHz = 1000.0;
                 })(),
                 std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.lowHz = 99.0; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.highHz = 3501.0; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.mode = static_cast<Mode>(7); })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.searchRangeHz = -1.0; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.searchRangeHz = NAN; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.squelchThreshold = 100; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.squelchSpeed = 2; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.retireSeconds = 0.0; })(), std::invalid_argument);
    EXPECT_THROW(make([](auto& c) { c.maxChannels = 0; })(), std::invalid_argument);
    EXPECT_NO_THROW(make([](auto& c) {
        c.maxChannels = 1;
        c.searchRangeHz = 0.0;
    })());
}

TEST(BandDecoder, MoreSignalsThanChannelsTakesThemAsChannelsFreeUp) {
    BandDecoderConfig config;
    config.maxChannels = 2;
    config.retireSeconds = 2.0;
    const std::vector<Transmission> band = {
        {600.0, Mode::Bpsk, 12.0, 0.0, randomText(25, 121)},
        {1200.0, Mode::Bpsk, 12.0, 0.5, randomText(25, 122)},
        {1800.0, Mode::Bpsk, 12.0, 1.0, randomText(90, 123)},
    };
    const std::vector<float> audio = composeBand(band, 40.0, 124);
    BandDecoder decoder(config);
    Recorder recorder(decoder);
    for (std::size_t at = 0; at < audio.size(); at += 4096) {
        decoder.process(std::span<const float>(audio).subspan(
                            at, std::min<std::size_t>(4096, audio.size() - at)),
                        recorder);
        ASSERT_LE(decoder.channelCount() + decoder.pendingCount(), 2U);
    }
    decoder.finish(recorder);
    // The third signal gets a receiver once one of the first two has ended; its start is late,
    // but the rest of its text comes through.
    ASSERT_EQ(recorder.channels.size(), 3U);
    const auto third = recorder.near(1800.0, 3.0);
    ASSERT_EQ(third.size(), 1U);
    EXPECT_GT(third.front()->text.size(), 40U);
}

}  // namespace
}  // namespace pskmodem

namespace pskmodem {
namespace {

// With every speed looked for, a band of PSK31 beside the faster speeds gets one right channel for
// each signal, its speed named, and nothing for the faster signals' lines and sidebands, which a
// PSK31 decoder would read as garbage.
TEST(BandDecoderSpeeds, EverySignalOfABandOfMixedSpeedsGetsOneChannelWithItsModeAndSpeed) {
    std::vector<Transmission> band = {
        {600.0, Mode::Bpsk, 10.0, 1.0, randomText(100, 51)},
        {1000.0, Mode::Bpsk, 12.0, 2.0, randomText(200, 52)},
        {1500.0, Mode::QpskUsb, 14.0, 0.5, randomText(200, 53)},
        {2300.0, Mode::Bpsk, 15.0, 3.0, randomText(400, 54)},
        {2900.0, Mode::Bpsk, 10.0, 1.5, randomText(150, 55)},
        {3300.0, Mode::QpskLsb, 18.0, 1.0, randomText(800, 56)},
    };
    band[1].speed = Speed::Psk63;
    band[2].speed = Speed::Psk63;
    band[3].speed = Speed::Psk125;
    band[5].speed = Speed::Psk250;
    double end = 0.0;
    for (const Transmission& t : band) end = std::max(end, t.startSeconds + durationSeconds(t));
    const std::vector<float> audio = composeBand(band, end + 3.0, 61);

    BandDecoderConfig config;
    config.speed.reset();
    config.highHz = 3450.0;
    BandDecoder decoder(config);
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    decoder.finish(recorder);
    expectDecoded(recorder, band, 0.05);
}

// PSK31 signals packed 50 to 60 Hz apart look to the faster speeds' detectors, pair by pair, like
// wider signals of their own, and so does a PSK31 signal idling 75 to 85 Hz from its neighbours:
// that must not keep the PSK31 signals from their channels, nor delay them beyond when they start
// with PSK31 alone looked for, nor invent faster ones, while a PSK63 station beside them still
// gets its own.
TEST(BandDecoderSpeeds, ACrowdOfPsk31SignalsBesideAPsk63StationGetsAChannelEach) {
    struct Case {
        double snrDb;
        double firstHz;
        std::vector<double> spacingsHz;  // between the PSK31 carriers
    };
    const Case cases[] = {
        {10.0, 700.0, {53.0, 60.0, 50.0, 57.0}},  {0.0, 900.0, {55.0, 50.0, 60.0, 52.0}},
        {20.0, 1300.0, {60.0, 60.0, 60.0, 60.0}}, {10.0, 950.0, {82.0, 78.0, 75.0, 85.0}},
        {0.0, 600.0, {80.0, 85.0, 78.0, 82.0}},
    };
    const Mode modes[] = {Mode::QpskUsb, Mode::Bpsk, Mode::QpskLsb, Mode::Bpsk, Mode::Bpsk};
    std::uint64_t seed = 90;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.snrDb) + " dB from " + std::to_string(c.firstHz) + " Hz");
        std::vector<Transmission> band;
        double hz = c.firstHz;
        for (std::size_t i = 0; i <= c.spacingsHz.size(); ++i) {
            band.push_back({hz, modes[i], c.snrDb, 0.5, randomText(60, ++seed)});
            if (i < c.spacingsHz.size()) hz += c.spacingsHz[i];
        }
        Transmission psk63{hz + 200.0, Mode::Bpsk, c.snrDb, 1.0, randomText(120, ++seed)};
        psk63.speed = Speed::Psk63;
        band.push_back(psk63);
        double end = 0.0;
        for (const Transmission& t : band) end = std::max(end, t.startSeconds + durationSeconds(t));
        const std::vector<float> audio = composeBand(band, end + 3.0, ++seed);

        BandDecoderConfig config;
        config.speed.reset();
        BandDecoder decoder(config);
        Recorder recorder(decoder);
        run(decoder, audio, recorder);
        decoder.finish(recorder);
        expectDecoded(recorder, band, 0.05);

        config.speed = Speed::Psk31;
        BandDecoder psk31Decoder(config);
        Recorder psk31Alone(psk31Decoder);
        run(psk31Decoder, audio, psk31Alone);
        psk31Decoder.finish(psk31Alone);
        for (const Transmission& t : band) {
            const auto every = recorder.near(t.carrierHz, 3.0);
            const auto alone = psk31Alone.near(t.carrierHz, 3.0);
            if (t.speed != Speed::Psk31 || every.size() != 1 || alone.size() != 1) continue;
            EXPECT_LE(every.front()->startedAt, alone.front()->startedAt + 0.3) << t.carrierHz;
        }
    }
}

// A PSK signal at a speed between PSK31 and PSK63 (46.875 Bd: PSK31 sent 1.5 times too fast)
// fits no speed: every decoder reads garbage of it, and it gets no channel rather than a garbage
// one.
TEST(BandDecoderSpeeds, ASignalOfNoSpeedLookedForGetsNoChannel) {
    constexpr double kFaster = 1.5;
    ModulatorConfig modulatorConfig;
    modulatorConfig.sampleRateHz = kRate / kFaster;
    modulatorConfig.carrierHz = 1000.0 / kFaster;
    Modulator modulator(modulatorConfig);
    modulator.queueIdle(32);
    modulator.queueText(randomText(300, 81));
    std::vector<float> audio(static_cast<std::size_t>(40.0 * kRate));
    modulator.process(audio);
    const double gain = std::sqrt(kNoiseRms * kNoiseRms * 3000.0 / (kRate / 2.0) *
                                  std::pow(10.0, 12.0 / 10.0) / meanPower(audio));
    for (float& x : audio) x = static_cast<float>(gain * static_cast<double>(x));
    NoiseSource(kNoiseRms, 82).add(audio);

    BandDecoderConfig config;
    config.speed.reset();
    BandDecoder decoder(config);
    Recorder recorder(decoder);
    run(decoder, audio, recorder);
    decoder.finish(recorder);
    EXPECT_TRUE(recorder.channels.empty()) << channelSummary(recorder);
}

}  // namespace
}  // namespace pskmodem
