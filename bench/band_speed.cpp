// Speed and accuracy of whole-band decoding: a simulated band of 30 PSK31 signals (carriers
// spread over 150..2950 Hz about 97 Hz apart, BPSK31 and QPSK31 on both sidebands in turn, SNR
// from +5 to +20 dB) goes through one BandDecoder on one thread. It prints how much faster than
// real time the decoder ran, and per signal the channel found (frequency, mode) and the
// character error rate of its text.
//
// With --mixed the 30 signals run at mixed speeds (23 PSK31, 5 PSK63, 2 PSK125; each in a slot
// of 70 Hz times its speed factor from 115 Hz up, the modes in turn) and the decoder looks for
// every speed; a signal found at the wrong speed counts as a wrong mode.
//
//     bench_band_speed [--mixed] [SECONDS]      (default 120 s of audio)

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;

constexpr int kSignals = 30;
constexpr double kLowestHz = 150.0;
constexpr double kHighestHz = 2950.0;
// Samples handed over per call, as a sound card or file reader would.
constexpr std::size_t kBlock = 512;
// The speed figure is the best of this many runs, which filters out interference from other work.
constexpr int kRepeats = 2;
// Channels found within this distance of a carrier belong to it.
constexpr double kMatchHz = 10.0;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string modeName(Mode mode, Speed speed) {
    const std::string number = std::to_string(speedNumber(speed));
    switch (mode) {
        case Mode::Bpsk:
            return "BPSK" + number;
        case Mode::QpskUsb:
            return "QPSK" + number + " USB";
        case Mode::QpskLsb:
            return "QPSK" + number + " LSB";
    }
    return "?";
}

struct Channel {
    double frequencyHz = 0.0;
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    int meanQuality = 0;
    std::string text;
};

class Collector final : public BandListener {
  public:
    void channelStarted(const BandChannel& c) override {
        channels[c.id].frequencyHz = c.frequencyHz;
    }
    void character(const BandChannel& c, std::uint8_t code) override {
        channels[c.id].text.push_back(static_cast<char>(code));
    }
    void channelEnded(const BandChannel& c) override {
        Channel& channel = channels[c.id];
        channel.frequencyHz = c.frequencyHz;
        channel.mode = c.mode;
        channel.speed = c.speed;
        channel.meanQuality = c.meanQuality;
    }
    std::map<int, Channel> channels;  // by id, in the order they started
};

// Character error rate of `received` against the start of `reference`: the edit distance to the
// best-matching prefix of the reference over that prefix's length, blanks folded. The band's
// signals repeat their text and the run stops in the middle of a repeat, so the end of the
// reference is free.
double prefixErrorRate(std::string_view reference, std::string_view received) {
    const std::string ref = foldBlanks(reference);
    const std::string got = foldBlanks(received);
    if (got.empty()) return 1.0;
    std::vector<std::size_t> row(ref.size() + 1);
    std::vector<std::size_t> next(ref.size() + 1);
    for (std::size_t j = 0; j <= ref.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= got.size(); ++i) {
        next[0] = i;
        for (std::size_t j = 1; j <= ref.size(); ++j) {
            const std::size_t substitute = row[j - 1] + (got[i - 1] == ref[j - 1] ? 0 : 1);
            next[j] = std::min({substitute, row[j] + 1, next[j - 1] + 1});
        }
        std::swap(row, next);
    }
    double best = 1e300;
    for (std::size_t j = 1; j <= ref.size(); ++j) {
        // Prefixes much shorter than what was received are not candidates.
        if (j + 8 < got.size() / 2) continue;
        best = std::min(best, static_cast<double>(row[j]) / static_cast<double>(j));
    }
    return std::min(best, 1.0);
}

SimulatorConfig thirtySignals(double seconds) {
    SimulatorConfig band;
    band.noiseRms = 0.02;
    band.seed = 3030;
    const Mode modes[] = {Mode::Bpsk, Mode::QpskUsb, Mode::Bpsk, Mode::QpskLsb};
    for (int i = 0; i < kSignals; ++i) {
        SimulatedSignal signal;
        signal.carrierHz = kLowestHz + (kHighestHz - kLowestHz) * i / (kSignals - 1);
        signal.mode = modes[i % 4];
        signal.snrDb = 5.0 + 15.0 * ((i * 7) % kSignals) / (kSignals - 1);
        // Long enough that no signal repeats its text within the run (PSK31 sends fewer than
        // five characters a second of such text).
        signal.text = randomText(static_cast<std::size_t>(seconds * 5.0) + 32,
                                 static_cast<std::uint64_t>(100 + i)) +
                      "\r\n";
        band.signals.push_back(signal);
    }
    return band;
}

SimulatorConfig thirtyMixedSignals(double seconds) {
    SimulatorConfig band = thirtySignals(seconds);
    const Speed speeds[] = {Speed::Psk31,  Speed::Psk31, Speed::Psk63, Speed::Psk31, Speed::Psk31,
                            Speed::Psk125, Speed::Psk31, Speed::Psk31, Speed::Psk63, Speed::Psk31,
                            Speed::Psk31,  Speed::Psk31, Speed::Psk63, Speed::Psk31, Speed::Psk31,
                            Speed::Psk31,  Speed::Psk63, Speed::Psk31, Speed::Psk31, Speed::Psk125,
                            Speed::Psk31,  Speed::Psk31, Speed::Psk63, Speed::Psk31, Speed::Psk31,
                            Speed::Psk31,  Speed::Psk31, Speed::Psk31, Speed::Psk31, Speed::Psk31};
    double slotStartHz = 115.0;
    for (int i = 0; i < kSignals; ++i) {
        SimulatedSignal& signal = band.signals[static_cast<std::size_t>(i)];
        signal.speed = speeds[i];
        const double slotHz = 70.0 * speedFactor(signal.speed);
        signal.carrierHz = slotStartHz + slotHz / 2.0;
        slotStartHz += slotHz;
        // As much text for as long a run at its speed.
        signal.text =
            randomText(static_cast<std::size_t>(seconds * 5.0 * speedFactor(signal.speed)) + 32,
                       static_cast<std::uint64_t>(100 + i)) +
            "\r\n";
    }
    return band;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 120.0;
    bool mixed = false;
    if (argc > 1 && std::string_view(argv[1]) == "--mixed") {
        mixed = true;
        --argc;
        ++argv;
    }
    if (argc > 1) {
        const std::string_view arg = argv[1];
        const auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), seconds);
        if (ec != std::errc() || ptr != arg.data() + arg.size() || !(seconds >= 10.0) ||
            seconds > 3600.0) {
            std::fprintf(stderr, "bench_band_speed: SECONDS must be a number from 10 to 3600\n");
            return 2;
        }
    }

    const SimulatorConfig band = mixed ? thirtyMixedSignals(seconds) : thirtySignals(seconds);
    const auto count = static_cast<std::size_t>(seconds * kSampleRateHz);
    std::vector<float> audio(count);
    {
        BandSimulator simulator(band);
        simulator.generate(audio);
    }
    std::printf(
        "%.0f s of a band of %d signals%s (%.0f..%.0f Hz, +5..+20 dB), %zu-sample blocks, "
        "one thread, best of %d\n",
        seconds, kSignals, mixed ? " of mixed speeds, every speed looked for" : "",
        band.signals.front().carrierHz, band.signals.back().carrierHz, kBlock, kRepeats);

    BandDecoderConfig config;
    if (mixed) config.speed.reset();
    BandDecoder decoder(config);
    Collector result;
    double best = 1e300;
    for (int run = 0; run < kRepeats; ++run) {
        Collector collector;
        decoder.reset();
        const double start = cpuSeconds();
        for (std::size_t at = 0; at < count; at += kBlock) {
            decoder.process(std::span<const float>(audio).subspan(at, std::min(kBlock, count - at)),
                            collector);
        }
        decoder.finish(collector);
        best = std::min(best, cpuSeconds() - start);
        result = std::move(collector);
    }
    std::printf("band decoder: %.1f x real time  (%.3f s CPU for %.0f s of audio)\n\n",
                seconds / best, best, seconds);

    std::printf("  carrier  mode         SNR   found Hz  mode         q   chars   CER %%\n");
    int found = 0;
    int modeErrors = 0;
    double cerSum = 0.0;
    double cerWorst = 0.0;
    std::vector<bool> matched(result.channels.size(), false);
    for (const SimulatedSignal& signal : band.signals) {
        std::string text;
        const Channel* first = nullptr;
        std::size_t index = 0;
        for (const auto& [id, channel] : result.channels) {
            if (std::abs(channel.frequencyHz - signal.carrierHz) <= kMatchHz) {
                if (first == nullptr) first = &channel;
                text += channel.text;
                matched[index] = true;
            }
            ++index;
        }
        if (first == nullptr) {
            std::printf("  %7.1f  %-11s %+5.1f   (not found)\n", signal.carrierHz,
                        modeName(signal.mode, signal.speed).c_str(), signal.snrDb);
            cerSum += 1.0;
            cerWorst = 1.0;
            continue;
        }
        ++found;
        const bool wrong = first->mode != signal.mode || first->speed != signal.speed;
        if (wrong) ++modeErrors;
        const double cer = prefixErrorRate(signal.text, text);
        cerSum += cer;
        cerWorst = std::max(cerWorst, cer);
        std::printf("  %7.1f  %-11s %+5.1f   %7.1f  %-11s %3d  %6zu  %6.2f%s\n", signal.carrierHz,
                    modeName(signal.mode, signal.speed).c_str(), signal.snrDb, first->frequencyHz,
                    modeName(first->mode, first->speed).c_str(), first->meanQuality, text.size(),
                    100.0 * cer, wrong ? "  wrong mode" : "");
    }
    const auto extra = static_cast<int>(std::count(matched.begin(), matched.end(), false));
    std::printf("\nsignals found: %d of %d, wrong modes: %d, channels on no signal: %d\n", found,
                kSignals, modeErrors, extra);
    std::printf("CER: mean %.2f %%, worst %.2f %%\n", 100.0 * cerSum / kSignals, 100.0 * cerWorst);
    return 0;
}
