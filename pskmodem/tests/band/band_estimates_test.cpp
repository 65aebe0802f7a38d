// The band decoder's per-channel estimates (S/N in 3000 Hz, IMD while idle) on simulated bands
// with known figures, and a recording without noise showing only the signal in it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/band/signal_detector.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/signals/testsignal.h"

namespace pskmodem {
namespace {

constexpr double kCarrierHz = 1500.0;
constexpr double kSeconds = 20.0;

// Every channel as it ended, with its text.
class Ended final : public BandListener {
  public:
    void channelStarted(const BandChannel& /*channel*/) override {}
    void character(const BandChannel& /*channel*/, std::uint8_t /*code*/) override {}
    void channelEnded(const BandChannel& channel) override {
        channels.push_back(channel);
        texts.emplace_back(channel.text);
        channels.back().text = {};
    }
    // The last channel to end on `hz`.
    std::optional<BandChannel> lastOn(double hz) const {
        std::optional<BandChannel> last;
        for (const BandChannel& c : channels) {
            if (std::abs(c.frequencyHz - hz) <= 10.0) last = c;
        }
        return last;
    }
    std::vector<BandChannel> channels;
    std::vector<std::string> texts;
};

Ended decode(std::span<const float> audio) {
    BandDecoder decoder;
    Ended ended;
    decoder.process(audio, ended);
    decoder.finish(ended);
    return ended;
}

std::vector<float> simulate(const SimulatorConfig& band, double seconds) {
    std::vector<float> audio(static_cast<std::size_t>(seconds * kSampleRateHz));
    BandSimulator(band).generate(audio);
    return audio;
}

SimulatedSignal signalAt(double hz, Mode mode, double snrDb, std::uint64_t seed) {
    SimulatedSignal signal;
    signal.carrierHz = hz;
    signal.mode = mode;
    signal.snrDb = snrDb;
    signal.text = randomText(200, seed) + "\r\n";
    return signal;
}

TEST(BandEstimates, SnrReadsTheSimulatedSnrAloneAndBetweenNeighbours) {
    struct Case {
        Mode mode;
        double snrDb;
        bool neighbours;  // at +-60 Hz, as strong, in another mode
    };
    const Case cases[] = {
        {Mode::Bpsk, -10.0, false},    {Mode::Bpsk, 5.0, true},    {Mode::Bpsk, 20.0, true},
        {Mode::QpskUsb, -10.0, false}, {Mode::QpskUsb, 0.0, true}, {Mode::QpskLsb, 20.0, false},
        {Mode::QpskUsb, -10.0, true},  {Mode::Bpsk, -10.0, true},
    };
    std::uint64_t seed = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.mode)) + " " + std::to_string(c.snrDb) +
                     (c.neighbours ? " dB, neighbours" : " dB"));
        SimulatorConfig band;
        band.seed = ++seed;
        band.signals.push_back(signalAt(kCarrierHz, c.mode, c.snrDb, seed));
        if (c.neighbours) {
            const Mode other = c.mode == Mode::Bpsk ? Mode::QpskUsb : Mode::Bpsk;
            band.signals.push_back(signalAt(kCarrierHz - 60.0, other, c.snrDb, seed + 100));
            band.signals.push_back(signalAt(kCarrierHz + 60.0, other, c.snrDb, seed + 200));
        }
        const std::optional<BandChannel> channel =
            decode(simulate(band, kSeconds)).lastOn(kCarrierHz);
        ASSERT_TRUE(channel.has_value());
        EXPECT_NEAR(channel->snrDb, c.snrDb, 1.0);
        EXPECT_TRUE(std::isnan(channel->imdDb) || channel->imdDb < -40.0);  // a clean transmitter
    }
}

TEST(BandEstimates, SnrReadsTheSimulatedSnrOfEverySignalInACrowdedBand) {
    // Carriers 50 to 100 Hz apart, BPSK31 and QPSK31 mixed: between strong signals their keying
    // sidebands cover every bin, and only the bins beyond the crowd show the noise alone.
    struct Carrier {
        double hz;
        Mode mode;
    };
    const Carrier carriers[] = {
        {700.0, Mode::QpskUsb}, {755.0, Mode::Bpsk},     {840.0, Mode::QpskLsb},
        {893.0, Mode::Bpsk},    {978.0, Mode::QpskUsb},  {1040.0, Mode::Bpsk},
        {1125.0, Mode::Bpsk},   {1177.0, Mode::QpskLsb},
    };
    std::uint64_t seed = 80;
    for (const double snrDb : {0.0, 10.0, 20.0}) {
        SimulatorConfig band;
        band.seed = ++seed;
        for (const Carrier& c : carriers) {
            band.signals.push_back(signalAt(c.hz, c.mode, snrDb, ++seed));
        }
        const Ended ended = decode(simulate(band, 12.0));
        for (const Carrier& c : carriers) {
            SCOPED_TRACE(std::to_string(snrDb) + " dB at " + std::to_string(c.hz) + " Hz");
            const std::optional<BandChannel> channel = ended.lastOn(c.hz);
            ASSERT_TRUE(channel.has_value());
            EXPECT_NEAR(channel->snrDb, snrDb, 1.5);
        }
    }
}

TEST(BandEstimates, ImdReadsTheTransmittersIntermodulationWhileIdle) {
    std::uint64_t seed = 60;
    for (const double imdDb : {-15.0, -25.0, -35.0}) {
        SCOPED_TRACE(imdDb);
        SimulatorConfig band;
        band.seed = ++seed;
        SimulatedSignal signal = signalAt(kCarrierHz, Mode::Bpsk, 25.0, seed);
        signal.text = randomText(24, seed) + "\r\n";  // idle every few seconds
        signal.imdDb = imdDb;
        band.signals.push_back(signal);
        const std::optional<BandChannel> channel =
            decode(simulate(band, kSeconds)).lastOn(kCarrierHz);
        ASSERT_TRUE(channel.has_value());
        EXPECT_NEAR(channel->imdDb, imdDb, 2.0);
    }
    // Text from the start without a pause: no reading.
    ModulatorConfig config;
    config.carrierHz = kCarrierHz;
    config.amplitude = 0.3;
    std::vector<float> audio = modulateText(config, randomText(60, 71), 0, 0);
    TransmitterDistortion(-20.0, config.amplitude).process(audio);
    const auto channel = decode(audio).lastOn(kCarrierHz);
    ASSERT_TRUE(channel.has_value());
    EXPECT_TRUE(std::isnan(channel->imdDb));
}

TEST(BandEstimates, ARecordingWithoutNoiseShowsOnlyItsSignal) {
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    config.amplitude = 0.5;
    const std::string text = "CQ CQ CQ DE QX1ABC QX1ABC PSE K the quick brown fox 0123456789";
    const std::vector<float> clean = modulateText(config, text, 64, 64);
    // As a 16-bit file holds it: the quantisation's products of the signal stand 60..80 dB below
    // it, above the quantisation noise.
    std::vector<float> quantised(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        quantised[i] = std::round(clean[i] * 32767.0F) / 32767.0F;
    }
    for (const std::vector<float>* audio :
         std::vector<const std::vector<float>*>{&clean, &quantised}) {
        SignalDetector detector;
        std::size_t reports = 0;
        for (std::span<const float> in(*audio); !in.empty();) {
            in = in.subspan(detector.consume(in));
            if (detector.frameReady()) {
                for (const DetectedSignal& s : detector.signals()) {
                    EXPECT_NEAR(s.frequencyHz, 1000.0, 2.0);
                    ++reports;
                }
            }
        }
        EXPECT_GT(reports, 20U);
        const Ended ended = decode(*audio);
        ASSERT_EQ(ended.channels.size(), 1U);
        EXPECT_NEAR(ended.channels[0].frequencyHz, 1000.0, 1.0);
        EXPECT_EQ(ended.texts[0], text);
        EXPECT_GT(ended.channels[0].snrDb, 30.0);
    }
}

}  // namespace
}  // namespace pskmodem
