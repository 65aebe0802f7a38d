// The faster speeds against PSK31: character error rate against SNR for each speed and mode, the
// SNR of the 1 % point and its distance from PSK31's shifted by 10 log10(rate / 31.25), and the
// robustness cases at +5 dB (offsets at the edge of the search range, drift, clock error, a
// stronger neighbour two bandwidths away), and the false characters the squelch (threshold 5,
// slow) lets through on ten minutes of noise alone, and the time from the end of a transmission's
// first character on the air to its copy (PSK31 at 0 dB, the others as much stronger as they are
// faster, after 30 s of noise, squelch 5 slow).
//
//   bench_speeds [--quick] [--only table|robust|squelch|latency] [--speeds 31,63,125,250]
//
// The wanted signal sits at 1000 Hz (or off it by the case's offset); the receiver is tuned to
// 1000 Hz with an AFC search range of 50 Hz and the squelch open, and the audio reaches it in
// blocks of varying length. SNR is the mean power of the transmission over the noise power in
// 3000 Hz. CER is the Levenshtein distance over the reference length, with line breaks and runs
// of blanks folded, summed over all seeds of a point. The program reports and does not judge.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel_test_signal.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;

constexpr double kCarrierHz = 1000.0;
constexpr double kSearchHz = 50.0;

struct Options {
    bool quick = false;
    std::string only;
    std::vector<Speed> speeds{Speed::Psk31, Speed::Psk63, Speed::Psk125, Speed::Psk250};
};

std::string modeName(Mode mode, Speed speed) {
    const std::string number = std::to_string(speedNumber(speed));
    switch (mode) {
        case Mode::Bpsk:
            return "bpsk" + number;
        case Mode::QpskUsb:
            return "qpsk" + number + "_usb";
        case Mode::QpskLsb:
            return "qpsk" + number + "_lsb";
    }
    return "?";
}

struct Reception {
    std::string text;
    std::vector<std::size_t> arrivals;  // input samples handed over when each character came
};

Reception receiveTimed(const ChannelTestSignal& signal, Mode mode, Speed speed, int squelch = 0) {
    class Sink final : public CharSink {
      public:
        void character(std::uint8_t code) override {
            got.text.push_back(static_cast<char>(code));
            got.arrivals.push_back(fed);
        }
        Reception got;
        std::size_t fed = 0;
    } sink;
    Receiver receiver(speed);
    receiver.setMode(mode);
    receiver.setFrequency(kCarrierHz, kSearchHz);
    receiver.setSquelch(squelch, 1);
    std::span<const float> audio(signal.samples);
    std::size_t chunk = 17;
    while (!audio.empty()) {
        const std::size_t n = std::min(chunk, audio.size());
        sink.fed += n;
        receiver.process(audio.first(n), sink);
        audio = audio.subspan(n);
        chunk = chunk * 7 % 2039 + 1;
    }
    receiver.finish(sink);
    return sink.got;
}

std::string receive(const ChannelTestSignal& signal, Mode mode, Speed speed, int squelch = 0) {
    return receiveTimed(signal, mode, speed, squelch).text;
}

struct Tally {
    std::size_t errors = 0;
    std::size_t chars = 0;
    double percent() const {
        return chars == 0 ? 100.0
                          : 100.0 * static_cast<double>(errors) / static_cast<double>(chars);
    }
};

Tally cerOver(int seeds, const std::function<ChannelTestConfig(int)>& make, Mode mode,
              Speed speed) {
    Tally tally;
    for (int i = 0; i < seeds; ++i) {
        const ChannelTestSignal signal = makeChannelTestSignal(make(i));
        const std::size_t length = foldBlanks(signal.text).size();
        const double cer = characterErrorRate(signal.text, receive(signal, mode, speed));
        tally.errors += static_cast<std::size_t>(std::llround(cer * static_cast<double>(length)));
        tally.chars += length;
    }
    return tally;
}

ChannelTestConfig psk(Mode mode, Speed speed, double snrDb, std::uint64_t seed, std::size_t chars) {
    ChannelTestConfig config;
    config.mode = mode;
    config.speed = speed;
    config.carrierHz = kCarrierHz;
    config.snrDb = snrDb;
    config.seed = seed;
    config.textChars = chars;
    return config;
}

double shiftDb(Speed speed) {
    return 10.0 * std::log10(symbolRateBaud(speed) / kSymbolRateBaud);
}

// The SNR at which the CER falls through 1 %, interpolated in log CER between the two points
// around it (the highest crossing, so that a stray error above it does not count); NaN when the
// sweep does not cross.
double onePercentPoint(const std::vector<std::pair<double, double>>& curve) {
    for (std::size_t i = curve.size(); i-- > 1;) {
        const auto [snrLow, cerLow] = curve[i - 1];
        const auto [snrHigh, cerHigh] = curve[i];
        if (cerLow >= 1.0 && cerHigh < 1.0) {
            const double a = std::log10(cerLow);
            const double b = std::log10(std::max(cerHigh, 0.01));
            return snrLow + (snrHigh - snrLow) * (a - 0.0) / (a - b);
        }
    }
    return std::nan("");
}

void tables(const Options& options) {
    const int seeds = 3;
    const std::size_t chars = options.quick ? 300 : 700;
    for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        std::optional<double> reference;
        std::printf(
            "\nCER against SNR, %s and the faster speeds: %d seeds x %zu chars a point; "
            "SNR of each speed shifted back by 10 log10(rate / 31.25)\n",
            modeName(mode, Speed::Psk31).c_str(), seeds, chars);
        for (Speed speed : options.speeds) {
            std::vector<std::pair<double, double>> curve;
            std::printf("  %s (shift %+.2f dB)\n   SNR dB  shifted   chars  errors    CER %%\n",
                        modeName(mode, speed).c_str(), shiftDb(speed));
            for (double relative = -17.0; relative <= -9.0; relative += 1.0) {
                const double snr = relative + shiftDb(speed);
                const Tally t = cerOver(
                    seeds,
                    [&](int i) {
                        return psk(mode, speed, snr,
                                   1000003u * static_cast<std::uint64_t>(i + 1) +
                                       static_cast<std::uint64_t>(relative * 10.0 + 500.0),
                                   chars);
                    },
                    mode, speed);
                curve.emplace_back(relative, t.percent());
                std::printf("   %6.2f   %6.1f  %6zu  %6zu  %7.3f\n", snr, relative, t.chars,
                            t.errors, t.percent());
                std::fflush(stdout);
            }
            const double point = onePercentPoint(curve);
            if (!reference) reference = point;
            std::printf(
                "  %s: 1 %% point at %.2f dB (%.2f dB shifted), %+.2f dB from %s "
                "shifted (within 0.5 dB)\n",
                modeName(mode, speed).c_str(), point + shiftDb(speed), point, point - *reference,
                modeName(mode, Speed::Psk31).c_str());
        }
    }
}

void robust(const Options& options) {
    const int seeds = options.quick ? 2 : 3;
    std::printf(
        "\nAt +5 dB (%d seeds each): offsets at the search range, drift (0.25 Hz/s at "
        "PSK31, times the speed), clock error, a neighbour 20 dB stronger at 2 x the "
        "bandwidth (2 x the symbol rate: 62.5 Hz for PSK31)\n",
        seeds);
    for (Speed speed : options.speeds) {
        const int factor = speedFactor(speed);
        for (Mode mode : {Mode::Bpsk, Mode::QpskUsb, Mode::QpskLsb}) {
            struct Case {
                std::string name;
                std::function<void(ChannelTestConfig&, int)> apply;
            };
            const double driftRate = 0.25 * factor;
            const std::vector<Case> cases{
                {"offset_+50Hz", [](ChannelTestConfig& c, int) { c.carrierHz += 50.0; }},
                {"offset_-50Hz", [](ChannelTestConfig& c, int) { c.carrierHz -= 50.0; }},
                {"drift",
                 [&](ChannelTestConfig& c, int i) {
                     // From one edge of the search range to the other, at most.
                     const double rate = (i % 2 == 0 ? 1.0 : -1.0) * driftRate;
                     c.textChars = std::min<std::size_t>(
                         c.textChars, static_cast<std::size_t>(80.0 / driftRate * 3.0 * factor));
                     c.carrierHz = kCarrierHz - rate * 40.0 / driftRate;
                     c.driftHzPerSecond = rate;
                 }},
                {"clock_+1000ppm", [](ChannelTestConfig& c, int) { c.clockErrorPpm = 1000.0; }},
                {"clock_-1000ppm", [](ChannelTestConfig& c, int) { c.clockErrorPpm = -1000.0; }},
                {"neighbour_above",
                 [&](ChannelTestConfig& c, int) {
                     c.interferer =
                         ChannelTestConfig::Interferer{.mode = mode,
                                                       .speed = speed,
                                                       .offsetHz = 2.0 * symbolRateBaud(speed),
                                                       .levelDb = 20.0};
                 }},
                {"neighbour_below",
                 [&](ChannelTestConfig& c, int) {
                     c.interferer =
                         ChannelTestConfig::Interferer{.mode = mode,
                                                       .speed = speed,
                                                       .offsetHz = -2.0 * symbolRateBaud(speed),
                                                       .levelDb = 20.0};
                 }},
            };
            for (const Case& c : cases) {
                const Tally t = cerOver(
                    seeds,
                    [&](int i) {
                        ChannelTestConfig config =
                            psk(mode, speed, 5.0, 7919u * static_cast<std::uint64_t>(i + 1) + 13u,
                                options.quick ? 300 : 700);
                        c.apply(config, i);
                        return config;
                    },
                    mode, speed);
                std::printf("%-14s %-28s %6.2f %% (%zu errors in %zu chars)\n",
                            modeName(mode, speed).c_str(), c.name.c_str(), t.percent(), t.errors,
                            t.chars);
                std::fflush(stdout);
            }
        }
    }
}

void squelch(const Options& options) {
    const double minutes = options.quick ? 2.0 : 10.0;
    std::printf("\nSquelch 5, slow, on %.0f minutes of noise alone (PSK31: at most 1 a minute)\n",
                minutes);
    for (Speed speed : options.speeds) {
        for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
            ChannelTestConfig config = psk(mode, speed, 0.0, 4242, 0);
            config.content = ChannelTestConfig::Content::Nothing;
            config.durationSeconds = minutes * 60.0;
            const std::string text = receive(makeChannelTestSignal(config), mode, speed, 5);
            std::printf("%-14s %6.2f false chars/min (%zu in %.0f min)\n",
                        modeName(mode, speed).c_str(), static_cast<double>(text.size()) / minutes,
                        text.size(), minutes);
            std::fflush(stdout);
        }
    }
}

void latency(const Options& options) {
    const int seeds = options.quick ? 3 : 10;
    std::printf(
        "\nFirst character's delay after its end on the air, 0 dB shifted by 10 log10(rate / "
        "31.25), after 30 s of noise, squelch 5 slow (%d runs; PSK31's target 1.5 s)\n",
        seeds);
    for (Speed speed : options.speeds) {
        for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
            double worst = 0.0;
            double sum = 0.0;
            int found = 0;
            for (int i = 0; i < seeds; ++i) {
                ChannelTestConfig config =
                    psk(mode, speed, shiftDb(speed), 555u + static_cast<std::uint64_t>(i), 20);
                config.leadNoiseSeconds = 30.0;
                const ChannelTestSignal signal = makeChannelTestSignal(config);
                const Reception r = receiveTimed(signal, mode, speed, 5);
                // The first character's copy, followed by the next three characters sent.
                const std::string start = signal.text.substr(0, 4);
                for (std::size_t c = 0; c < r.text.size(); ++c) {
                    if (r.arrivals[c] >= signal.characterEndSamples[0] &&
                        r.text.compare(c, start.size(), start) == 0) {
                        const double seconds =
                            static_cast<double>(r.arrivals[c] - signal.characterEndSamples[0]) /
                            kSampleRateHz;
                        worst = std::max(worst, seconds);
                        sum += seconds;
                        ++found;
                        break;
                    }
                }
            }
            std::printf("%-14s worst %.2f s, mean %.2f s (%d of %d runs decoded it)\n",
                        modeName(mode, speed).c_str(), worst, found > 0 ? sum / found : 0.0, found,
                        seeds);
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--only" && i + 1 < argc) {
            options.only = argv[++i];
        } else if (arg == "--speeds" && i + 1 < argc) {
            options.speeds.clear();
            std::string_view list = argv[++i];
            while (!list.empty()) {
                const std::size_t comma = std::min(list.find(','), list.size());
                const std::string_view item = list.substr(0, comma);
                for (Speed s : {Speed::Psk31, Speed::Psk63, Speed::Psk125, Speed::Psk250}) {
                    if (item == std::to_string(speedNumber(s))) options.speeds.push_back(s);
                }
                list.remove_prefix(std::min(comma + 1, list.size()));
            }
        } else {
            std::fprintf(stderr,
                         "usage: bench_speeds [--quick] [--only table|robust|squelch|latency] "
                         "[--speeds "
                         "31,63,...]\n");
            return 2;
        }
    }
    if (options.only.empty() || options.only == "table") tables(options);
    if (options.only.empty() || options.only == "robust") robust(options);
    if (options.only.empty() || options.only == "squelch") squelch(options);
    if (options.only.empty() || options.only == "latency") latency(options);
    return 0;
}
