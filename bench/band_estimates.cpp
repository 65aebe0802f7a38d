// Accuracy of the band decoder's per-channel estimates on simulated bands:
//   - S/N (BandChannel::snrDb) against the simulator's SimulatedSignal::snrDb, from -10 to +20 dB,
//     BPSK31 and QPSK31, the signal alone and with neighbours 60 Hz away on either side (as
//     strong as the signal, and at +10 dB);
//   - IMD (BandChannel::imdDb) against SimulatedSignal::imdDb, from -15 to -35 dB, at +30 and
//     +20 dB S/N;
//   - S/N in a crowded band: a dozen signals 50 to 100 Hz apart, BPSK31 and QPSK31 mixed, all at
//     0, +10 or +20 dB, over several seeds; the worst and mean error of every signal at each level.
// Each case is SECONDS of audio (default 40) through one BandDecoder; the figures are the
// channel's at the end. It prints the tables and the worst error of each; with `crowded` only the
// crowded band's.
//
//     bench_band_estimates [SECONDS] [crowded]

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;

constexpr double kCarrierHz = 1500.0;
constexpr double kNeighbourHz = 60.0;
constexpr double kMatchHz = 10.0;

// The last channel on kCarrierHz to end.
class LastChannel final : public BandListener {
  public:
    void channelStarted(const BandChannel& /*channel*/) override {}
    void character(const BandChannel& /*channel*/, std::uint8_t /*code*/) override {}
    void channelEnded(const BandChannel& channel) override {
        if (std::abs(channel.frequencyHz - kCarrierHz) <= kMatchHz) {
            last = channel;
            last->text = {};
        }
    }
    std::optional<BandChannel> last;
};

// `seconds` of the simulated band through a whole-band decoder that tells `listener`.
void decodeBand(const SimulatorConfig& band, double seconds, BandListener& listener) {
    BandSimulator simulator(band);
    BandDecoder decoder;
    std::vector<float> block(4096);
    for (double done = 0.0; done < seconds; done += 4096.0 / kSampleRateHz) {
        simulator.generate(block);
        decoder.process(block, listener);
    }
    decoder.finish(listener);
}

// The channel on kCarrierHz at the end of `seconds` of the band (a weak QPSK31 signal's channel
// may end and start anew on the way: the last one), or nothing when there was none.
std::optional<BandChannel> channelAfter(const SimulatorConfig& band, double seconds) {
    LastChannel listener;
    decodeBand(band, seconds, listener);
    return listener.last;
}

// Every channel as it ended.
class AllChannels final : public BandListener {
  public:
    void channelStarted(const BandChannel& /*channel*/) override {}
    void character(const BandChannel& /*channel*/, std::uint8_t /*code*/) override {}
    void channelEnded(const BandChannel& channel) override {
        channels.push_back(channel);
        channels.back().text = {};
    }
    // The last channel to end within kMatchHz of `hz`, or nothing.
    std::optional<BandChannel> lastOn(double hz) const {
        std::optional<BandChannel> last;
        for (const BandChannel& c : channels) {
            if (std::abs(c.frequencyHz - hz) <= kMatchHz) last = c;
        }
        return last;
    }
    std::vector<BandChannel> channels;
};

SimulatedSignal signalAt(double hz, Mode mode, double snrDb, std::uint64_t seed) {
    SimulatedSignal signal;
    signal.carrierHz = hz;
    signal.mode = mode;
    signal.snrDb = snrDb;
    signal.text = randomText(400, seed) + "\r\n";
    return signal;
}

const char* modeName(Mode mode) {
    return mode == Mode::Bpsk ? "BPSK31" : "QPSK31";
}

// Error of a reading, or the worst case when there is none.
double errorOf(const std::optional<BandChannel>& channel, double truth, bool imd) {
    if (!channel) return 99.0;
    const double read = imd ? channel->imdDb : channel->snrDb;
    return std::isfinite(read) ? read - truth : 99.0;
}

void printReading(const std::optional<BandChannel>& channel, double truth, bool imd) {
    if (!channel) {
        std::printf("   (no channel)  ");
        return;
    }
    const double read = imd ? channel->imdDb : channel->snrDb;
    std::printf("  %+6.1f  %+5.2f  ", read, read - truth);
}

// The crowded band's layout: kCrowdedSignals carriers from kCrowdedLowHz, each 50 to 100 Hz
// above the one before, each BPSK31 or QPSK31 (either sideband) at random, all at `snrDb`.
constexpr int kCrowdedSignals = 12;
constexpr double kCrowdedLowHz = 700.0;
constexpr int kCrowdedSeeds = 4;

SimulatorConfig crowdedBand(double snrDb, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> spacing(50.0, 100.0);
    std::uniform_int_distribution<int> mode(0, 2);
    SimulatorConfig band;
    band.noiseRms = 0.02;
    band.seed = seed;
    double hz = kCrowdedLowHz;
    for (int i = 0; i < kCrowdedSignals; ++i) {
        const Mode m = std::array{Mode::Bpsk, Mode::QpskUsb,
                                  Mode::QpskLsb}[static_cast<std::size_t>(mode(random))];
        band.signals.push_back(signalAt(hz, m, snrDb, seed * 100 + static_cast<std::uint64_t>(i)));
        hz += spacing(random);
    }
    return band;
}

// The crowded band at 0, +10 and +20 dB: per level the worst and mean error over every signal of
// every seed, and which signals were not found. Returns the worst error.
double crowdedTable(double seconds) {
    std::printf(
        "S/N in a crowded band: %d signals 50..100 Hz apart from %.0f Hz, BPSK31 and QPSK31 "
        "mixed, %d seeds, after %.0f s; error read - true (dB)\n\n",
        kCrowdedSignals, kCrowdedLowHz, kCrowdedSeeds, seconds);
    std::printf(
        "  true    worst   mean    mean|e|  missing   errors of the signals by frequency\n");
    double worstAll = 0.0;
    for (const double snrDb : {0.0, 10.0, 20.0}) {
        double worst = 0.0;
        double sum = 0.0;
        double sumAbs = 0.0;
        int count = 0;
        int missing = 0;
        std::string errors;
        for (std::uint64_t seed = 1; seed <= kCrowdedSeeds; ++seed) {
            const SimulatorConfig band = crowdedBand(snrDb, seed);
            AllChannels listener;
            decodeBand(band, seconds, listener);
            if (seed > 1) errors += " |";
            for (const SimulatedSignal& signal : band.signals) {
                const std::optional<BandChannel> channel = listener.lastOn(signal.carrierHz);
                if (!channel) {
                    ++missing;
                    errors += "   -- ";
                    continue;
                }
                const double error = channel->snrDb - snrDb;
                char text[16];
                std::snprintf(text, sizeof text, " %+4.1f", error);
                errors += text;
                worst = std::abs(error) > std::abs(worst) ? error : worst;
                sum += error;
                sumAbs += std::abs(error);
                ++count;
            }
        }
        const double n = std::max(1, count);
        std::printf("  %+5.1f  %+5.2f  %+5.2f   %5.2f   %3d      %s\n", snrDb, worst, sum / n,
                    sumAbs / n, missing, errors.c_str());
        worstAll = std::max(worstAll, std::abs(worst));
    }
    std::printf("\nworst crowded-band S/N error: %.2f dB\n", worstAll);
    return worstAll;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 40.0;
    if (argc > 1) {
        const std::string_view arg = argv[1];
        const auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), seconds);
        if (ec != std::errc() || ptr != arg.data() + arg.size() || !(seconds >= 20.0) ||
            seconds > 600.0) {
            std::fprintf(stderr, "bench_band_estimates: SECONDS must be a number from 20 to 600\n");
            return 2;
        }
    }
    if (argc > 2) {
        if (std::string_view(argv[2]) != "crowded") {
            std::fprintf(stderr, "bench_band_estimates: the second argument can only be crowded\n");
            return 2;
        }
        crowdedTable(seconds);
        return 0;
    }

    std::printf(
        "S/N in 3000 Hz: true, then read and error (dB), after %.0f s; carrier %.0f Hz, "
        "neighbours at +-%.0f Hz\n\n",
        seconds, kCarrierHz, kNeighbourHz);
    std::printf("  mode    true      alone           nb same S/N      nb at +10 dB\n");
    double worstSnr = 0.0;
    std::uint64_t seed = 1;
    for (const Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        for (double snrDb = -10.0; snrDb <= 20.0; snrDb += 2.0) {
            std::printf("  %s  %+5.1f", modeName(mode), snrDb);
            for (const std::optional<double> neighbourDb :
                 {std::optional<double>(), std::optional<double>(snrDb),
                  std::optional<double>(10.0)}) {
                SimulatorConfig band;
                band.noiseRms = 0.02;
                band.seed = ++seed;
                band.signals.push_back(signalAt(kCarrierHz, mode, snrDb, seed));
                if (neighbourDb) {
                    // The neighbours in the other mode, so that every pair of modes is seen.
                    const Mode other = mode == Mode::Bpsk ? Mode::QpskLsb : Mode::Bpsk;
                    band.signals.push_back(
                        signalAt(kCarrierHz - kNeighbourHz, other, *neighbourDb, seed + 100));
                    band.signals.push_back(
                        signalAt(kCarrierHz + kNeighbourHz, other, *neighbourDb, seed + 200));
                }
                const std::optional<BandChannel> channel = channelAfter(band, seconds);
                printReading(channel, snrDb, false);
                worstSnr = std::max(worstSnr, std::abs(errorOf(channel, snrDb, false)));
            }
            std::printf("\n");
        }
    }
    std::printf("\nworst S/N error: %.2f dB\n\n", worstSnr);

    std::printf(
        "IMD of a BPSK31 signal alone (idle between repeats of its text): true, then read "
        "and error (dB)\n\n");
    std::printf("  true      S/N +30 dB       S/N +20 dB\n");
    double worstImd = 0.0;
    for (double imdDb = -15.0; imdDb >= -35.0; imdDb -= 2.5) {
        std::printf("  %+5.1f", imdDb);
        for (const double snrDb : {30.0, 20.0}) {
            SimulatorConfig band;
            band.noiseRms = 0.02;
            band.seed = ++seed;
            SimulatedSignal signal = signalAt(kCarrierHz, Mode::Bpsk, snrDb, seed);
            // Short text, so that idle comes every few seconds.
            signal.text = randomText(24, seed) + "\r\n";
            signal.imdDb = imdDb;
            band.signals.push_back(signal);
            const std::optional<BandChannel> channel = channelAfter(band, seconds);
            printReading(channel, imdDb, true);
            worstImd = std::max(worstImd, std::abs(errorOf(channel, imdDb, true)));
        }
        std::printf("\n");
    }
    std::printf("\nworst IMD error: %.2f dB\n\n", worstImd);
    crowdedTable(seconds);
    return 0;
}
