// Every receive figure on the receiver's target list, measured on seeded signals.
//
//   bench_figures [--quick] [--only NAME[,NAME...]] [--threads N] [--list]
//
// Each figure is printed as "name: measured (target)"; a figure that misses its target is
// marked MISS. The program reports and does not judge: it always exits 0 (2 for bad options).
//
// Unless a case says otherwise the wanted signal is PSK31 at 1000 Hz, the receiver is tuned to
// 1000 Hz with an AFC search range of 50 Hz and the squelch open, and the audio reaches it in
// blocks of varying length. SNR is the mean power of the unfaded transmission over the noise
// power in 3000 Hz. CER is the Levenshtein distance over the reference length, with line
// breaks and runs of blanks folded, summed over all seeds of a case.
//
//   --quick      fewer SNR points and fewer characters where the full run has more than enough
//   --only NAME  runs only the cases whose name starts with NAME (a comma-separated list)
//   --threads N  runs N cases at a time (default 1); the speed case always runs alone
//   --list       prints the case names

#include <time.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "pskmodem/codec/coherent_viterbi.h"
#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/dsp/receiver.h"
#include "pskmodem/dsp/resampler.h"
#include "pskmodem/dsp/waterfall_fft.h"
#include "pskmodem/engine/pipeline.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel_test_signal.h"
#include "pskmodem/signals/hf_channel.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;
using Content = ChannelTestConfig::Content;

constexpr double kCarrierHz = 1000.0;
constexpr double kSearchHz = 50.0;
constexpr std::size_t kCharsPerSeed = 1000;

struct Options {
    bool quick = false;
    int threads = 1;
    std::vector<std::string> only;
    bool list = false;
};

// --- text output ----------------------------------------------------------------------------

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

// One case's printed output.
class Report {
  public:
    void text(const std::string& line) { out_ += line + "\n"; }
    // "name: measured (target)", with MISS when the target is missed.
    void figure(const std::string& name, const std::string& measured, const std::string& target,
                bool met) {
        std::string line = name + ":";
        line.resize(std::max<std::size_t>(line.size() + 1, 44), ' ');
        line += measured + " (" + target + ")";
        if (!met) line += "  MISS";
        text(line);
    }
    void info(const std::string& name, const std::string& measured) {
        figure(name, measured, "no target", true);
    }
    const std::string& str() const { return out_; }

  private:
    std::string out_;
};

// --- seeds ----------------------------------------------------------------------------------

// Seed for seed number `index` of the case `name`: FNV-1a of the name, mixed with the index.
std::uint64_t seedFor(std::string_view name, int index) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (char c : name) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 0x100000001b3ULL;
    }
    constexpr std::uint64_t kIndexMix = 0x9e3779b97f4a7c15;
    h ^= static_cast<std::uint64_t>(index) * kIndexMix;
    return h ^ (h >> 29);
}

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::Bpsk:
            return "bpsk31";
        case Mode::QpskUsb:
            return "qpsk31_usb";
        case Mode::QpskLsb:
            return "qpsk31_lsb";
    }
    return "?";
}

// --- reception ------------------------------------------------------------------------------

struct RxSetup {
    Mode mode = Mode::Bpsk;
    double tuneHz = kCarrierHz;
    double searchHz = kSearchHz;
    int squelch = 0;
    int squelchSpeed = 0;
    std::size_t block = 0;  // samples per call at 8000/s; 0 = varying lengths
};

struct Reception {
    std::string text;
    // For each character, the number of 8 kHz samples handed to the receiver when it came out.
    std::vector<std::size_t> arrivals;
    double finalHz = 0.0;
};

class RecordingSink final : public CharSink {
  public:
    explicit RecordingSink(Reception& out) : out_(out) {}
    void character(std::uint8_t code) override {
        out_.text.push_back(static_cast<char>(code));
        out_.arrivals.push_back(fed);
    }
    std::size_t fed = 0;  // samples handed over, including the block being processed

  private:
    Reception& out_;
};

// Runs the signal through a Receiver as the engine would: a sound-card rate is converted to
// 8000 samples/s with the library's Resampler first.
Reception receive(const ChannelTestSignal& signal, const RxSetup& setup) {
    Receiver receiver;
    receiver.setMode(setup.mode);
    receiver.setFrequency(setup.tuneHz, setup.searchHz);
    receiver.setSquelch(setup.squelch, setup.squelchSpeed);
    Reception result;
    RecordingSink sink(result);

    std::size_t chunk = 17;
    const auto feed = [&](std::span<const float> audio) {
        while (!audio.empty()) {
            std::size_t n = setup.block;
            if (n == 0) {
                n = chunk;
                chunk = chunk * 7 % 2039 + 1;
            }
            n = std::min(n, audio.size());
            sink.fed += n;
            receiver.process(audio.first(n), sink);
            audio = audio.subspan(n);
        }
    };
    const std::span<const float> samples(signal.samples);
    if (signal.sampleRateHz == kSampleRateHz) {
        feed(samples);
    } else {
        constexpr std::size_t kCardBlock = 1024;  // a typical capture buffer
        Resampler resampler(signal.sampleRateHz, kSampleRateHz, 0.0, kCardBlock);
        for (std::size_t at = 0; at < samples.size(); at += kCardBlock) {
            feed(resampler.process(samples.subspan(at, std::min(kCardBlock, samples.size() - at))));
        }
        for (auto rest = resampler.flush(); !rest.empty(); rest = resampler.flush()) feed(rest);
    }
    result.finalHz = receiver.frequencyHz();
    receiver.finish(sink);
    return result;
}

// Character errors summed over several runs, and the worst run's CER (one run that loses lock
// looks different from errors spread evenly over all of them).
struct Tally {
    std::size_t errors = 0;
    std::size_t chars = 0;
    double worstRunPercent = 0.0;
    void add(const std::string& sent, const std::string& received) {
        const std::size_t length = foldBlanks(sent).size();
        const double cer = characterErrorRate(sent, received);
        errors += static_cast<std::size_t>(std::llround(cer * static_cast<double>(length)));
        chars += length;
        worstRunPercent = std::max(worstRunPercent, 100.0 * cer);
    }
    double percent() const {
        return chars == 0 ? 100.0
                          : 100.0 * static_cast<double>(errors) / static_cast<double>(chars);
    }
    std::string describe() const {
        return format("%.2f %% (%zu errors in %zu chars; worst run %.2f %%)", percent(), errors,
                      chars, worstRunPercent);
    }
};

ChannelTestConfig psk(Mode mode, double snrDb, std::uint64_t seed,
                      std::size_t chars = kCharsPerSeed) {
    ChannelTestConfig config;
    config.mode = mode;
    config.carrierHz = kCarrierHz;
    config.snrDb = snrDb;
    config.seed = seed;
    config.textChars = chars;
    return config;
}

// CER of `seeds` runs of `make(seed index)`, received with `setup`.
Tally cerOver(int seeds, const std::function<ChannelTestConfig(int)>& make, const RxSetup& setup) {
    Tally tally;
    for (int i = 0; i < seeds; ++i) {
        const ChannelTestSignal signal = makeChannelTestSignal(make(i));
        tally.add(signal.text, receive(signal, setup).text);
    }
    return tally;
}

// CER of `seeds` runs of the case `name`: PSK31 in `mode` at `snrDb`, through the fading of
// `channel` when one is given.
Tally pskCer(const std::string& name, int seeds, Mode mode, double snrDb,
             std::optional<CcirChannel> channel = std::nullopt) {
    return cerOver(
        seeds,
        [&](int i) {
            ChannelTestConfig config = psk(mode, snrDb, seedFor(name, i));
            if (channel) config.fading = ccirChannel(*channel);
            return config;
        },
        RxSetup{.mode = mode});
}

void cerFigure(Report& report, const std::string& name, const Tally& tally, double limitPercent,
               bool strict) {
    const bool met = strict ? tally.percent() < limitPercent : tally.percent() <= limitPercent;
    report.figure(name, tally.describe(), format("%s %g %%", strict ? "<" : "<=", limitPercent),
                  met);
}

// --- cases ----------------------------------------------------------------------------------

// Character error rate of ideal reception at `snrDb`, by simulation: the text's symbols with
// the carrier, timing and amplitude known exactly, in white noise, decided by coherent detection
// from exact log-likelihoods (BPSK31: each symbol, then the phase changes; QPSK31: the coherent
// Viterbi decoder) and then by Varicode. With `fading` the symbols pass the two Rayleigh paths
// of that Watterson channel as one flat gain (their differential delay, a small fraction of a
// symbol, left out), known to the receiver too: the limit of a receiver that could estimate the
// fading channel perfectly. Where the receiver stands against it is what its synchronisation,
// equalisation and channel estimation cost.
double idealCerPercent(Mode mode, double snrDb, std::uint64_t seed,
                       const std::optional<WattersonConfig>& fading = std::nullopt) {
    const std::string text = randomText(3000, seed);
    std::vector<int> bits(40, 0);
    for (const char c : text) {
        for (const char bit : varicodeBits(static_cast<std::uint8_t>(c))) bits.push_back(bit - '0');
        bits.push_back(0);
        bits.push_back(0);
    }
    bits.insert(bits.end(), 80, 0);
    const double esN0 = std::pow(10.0, snrDb / 10.0) * 3000.0 / kSymbolRateBaud;
    const double sigma = std::sqrt(0.5 / esN0);  // per dimension, for unit symbols
    const auto llrScale = static_cast<float>(2.0 / (2.0 * sigma * sigma));
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    const double spreadHz = fading ? fading->dopplerSpreadHz : 0.0;
    FadingTap path0(spreadHz, kSymbolRateBaud, seed ^ 0x51);
    FadingTap path1(spreadHz, kSymbolRateBaud, seed ^ 0xa3);
    ConvolutionalEncoder encoder;
    CoherentViterbiDecoder decoder;
    VaricodeDecoder varicode;
    std::string received;
    double phase = 0.0;
    int previousSymbol = 1;
    bool synced = false;
    int previous = 1;
    const bool bpsk = mode == Mode::Bpsk;
    for (const int bit : bits) {
        phase += bpsk ? (bit == 0 ? std::numbers::pi : 0.0)
                      : qpskPhaseShiftRad(encoder.encode(bit), mode);
        const std::complex<double> gain =
            fading ? (path0.next() + path1.next()) / std::numbers::sqrt2 : 1.0;
        const std::complex<double> r =
            gain * std::polar(1.0, phase) + std::complex<double>(noise(rng), noise(rng));
        const std::complex<double> u = std::conj(gain) * r;
        int decided = -1;
        if (bpsk) {
            const int symbol = u.real() >= 0.0 ? 1 : -1;
            decided = symbol == previousSymbol ? 1 : 0;
            previousSymbol = symbol;
        } else {
            decided = decoder.push(std::complex<float>(u) * llrScale, mode);
        }
        if (decided < 0) continue;
        if (!synced) {
            synced = decided == 0 && previous == 0;
            previous = decided;
            continue;
        }
        if (const auto c = varicode.pushBit(decided)) received.push_back(static_cast<char>(*c));
    }
    return 100.0 * characterErrorRate(text, received);
}

// The ideal CER averaged over the seeds of the case `name`.
double idealOver(const std::string& name, int seeds, Mode mode, double snrDb,
                 std::optional<CcirChannel> channel = std::nullopt) {
    std::optional<WattersonConfig> fading;
    if (channel) fading = ccirChannel(*channel);
    double sum = 0.0;
    for (int i = 0; i < seeds; ++i) sum += idealCerPercent(mode, snrDb, seedFor(name, i), fading);
    return sum / seeds;
}

void cerTable(Report& report, const Options& options, Mode mode) {
    const double step = options.quick ? 1.0 : 0.5;
    constexpr int kSeeds = 3;
    report.text(
        format("CER against SNR, %s: %d seeds x %zu chars per point; ideal: known carrier "
               "and timing, coherent detection (simulated, %d x 3000 chars)",
               modeName(mode), kSeeds, kCharsPerSeed, kSeeds));
    report.text(format("  %7s %7s %7s %8s %12s %12s", "SNR dB", "chars", "errors", "CER %",
                       "worst run %", "ideal CER %"));
    for (double snr = -16.0; snr <= -8.0 + 1e-9; snr += step) {
        const std::string name = format("table_%s_%.1f", modeName(mode), snr);
        const Tally tally = pskCer(name, kSeeds, mode, snr);
        const double ideal = idealOver(name, kSeeds, mode, snr);
        report.text(format("  %7.1f %7zu %7zu %8.3f %12.3f %12.3f", snr, tally.chars, tally.errors,
                           tally.percent(), tally.worstRunPercent, ideal));
    }
}

void cerTargets(Report& report, const Options& options) {
    const int seeds = options.quick ? 3 : 6;
    struct Point {
        Mode mode;
        double snrDb;
        double limitPercent;
    };
    const Point points[] = {
        {Mode::Bpsk, -12.0, 1.0},    {Mode::Bpsk, -13.0, 5.0},    {Mode::QpskUsb, -11.5, 1.0},
        {Mode::QpskUsb, -12.5, 3.0}, {Mode::QpskLsb, -11.5, 1.0}, {Mode::QpskLsb, -12.5, 3.0},
    };
    for (const Point& p : points) {
        const std::string name = format("%s_cer_%gdB", modeName(p.mode), p.snrDb);
        cerFigure(report, name, pskCer(name, seeds, p.mode, p.snrDb), p.limitPercent, false);
    }
}

// The hardest points of both modes, in white noise and in CCIR moderate fading: 8 seeds of
// 1000 characters each.
void sensitivityCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 3 : 8;
    struct Point {
        Mode mode;
        double snrDb;
        bool fading;
        double limitPercent;
    };
    const Point points[] = {
        {Mode::Bpsk, -13.0, false, 1.0},    {Mode::QpskUsb, -14.0, false, 1.5},
        {Mode::QpskLsb, -14.0, false, 1.5}, {Mode::Bpsk, 0.0, true, 2.0},
        {Mode::QpskUsb, 0.0, true, 1.0},
    };
    for (const Point& p : points) {
        const std::string name = format("sensitivity_%s_%s%+gdB", modeName(p.mode),
                                        p.fading ? "ccir_moderate_" : "", p.snrDb);
        std::optional<CcirChannel> channel;
        if (p.fading) channel = CcirChannel::Moderate;
        cerFigure(report, name, pskCer(name, seeds, p.mode, p.snrDb, channel), p.limitPercent,
                  false);
        report.info(name + "_ideal", format("%.2f %% (known carrier%s; %d x 3000 chars)",
                                            idealOver(name, seeds, p.mode, p.snrDb, channel),
                                            p.fading ? " and channel" : "", seeds));
    }
}

void offsetCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 2 : 4;
    struct Offset {
        Mode mode;
        double offsetHz;
    };
    for (const Offset o : {Offset{Mode::Bpsk, 40.0}, Offset{Mode::Bpsk, -40.0},
                           Offset{Mode::QpskUsb, 40.0}, Offset{Mode::QpskLsb, -40.0}}) {
        const std::string name = format("offset_%+.0fHz_%s_5dB", o.offsetHz, modeName(o.mode));
        const Tally tally = cerOver(
            seeds,
            [&](int i) {
                ChannelTestConfig config = psk(o.mode, 5.0, seedFor(name, i));
                config.carrierHz = kCarrierHz + o.offsetHz;
                return config;
            },
            RxSetup{.mode = o.mode});
        cerFigure(report, name, tally, 0.5, true);
    }
}

void driftCase(Report& report, const Options& options) {
    // The carrier sweeps through the tuned frequency, from one side of the search range to the
    // other (alternate seeds drift down), staying inside it: about +-37 Hz.
    struct Drift {
        Mode mode;
        double hzPerSecond;
        std::size_t chars;
        int seeds;
    };
    const int scale = options.quick ? 1 : 2;
    for (const Drift d :
         {Drift{Mode::Bpsk, 1.0, 250, 6 * scale}, Drift{Mode::QpskUsb, 0.3, 800, 2 * scale},
          Drift{Mode::QpskLsb, 0.3, 800, 2 * scale}}) {
        const std::string name = format("drift_%gHz/s_%s_5dB", d.hzPerSecond, modeName(d.mode));
        const Tally tally = cerOver(
            d.seeds,
            [&](int i) {
                ChannelTestConfig config = psk(d.mode, 5.0, seedFor(name, i), d.chars);
                const ChannelTestSignal still = makeChannelTestSignal(config);
                const double seconds = static_cast<double>(still.transmissionEndSample -
                                                           still.transmissionStartSample) /
                                       kSampleRateHz;
                const double rate = (i % 2 == 0 ? 1.0 : -1.0) * d.hzPerSecond;
                config.carrierHz = kCarrierHz - rate * seconds / 2.0;
                config.driftHzPerSecond = rate;
                return config;
            },
            RxSetup{.mode = d.mode});
        cerFigure(report, name, tally, 0.5, true);
    }
}

void clockCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 1 : 2;
    for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        for (double ppm : {1000.0, -1000.0}) {
            const std::string name = format("clock_%+.0fppm_%s_5dB", ppm, modeName(mode));
            const Tally tally = cerOver(
                seeds,
                [&](int i) {
                    ChannelTestConfig config = psk(mode, 5.0, seedFor(name, i));
                    config.clockErrorPpm = ppm;
                    return config;
                },
                RxSetup{.mode = mode});
            cerFigure(report, name, tally, 0.5, true);
        }
    }
}

void soundCardCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 1 : 2;
    for (double rate : {11025.0, 44100.0, 48000.0}) {
        for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
            const std::string name = format("soundcard_%.0fHz_%s_5dB", rate, modeName(mode));
            const Tally tally = cerOver(
                seeds,
                [&](int i) {
                    ChannelTestConfig config = psk(mode, 5.0, seedFor(name, i));
                    config.outputRateHz = rate;
                    return config;
                },
                RxSetup{.mode = mode});
            cerFigure(report, name, tally, 0.5, true);
        }
    }
}

void wattersonCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 3 : 6;
    struct Point {
        CcirChannel channel;
        double snrDb;
        Mode mode;
        double limitPercent;
    };
    const Point points[] = {
        {CcirChannel::Moderate, 10.0, Mode::QpskUsb, 0.5},
        {CcirChannel::Moderate, 10.0, Mode::Bpsk, 1.0},
        {CcirChannel::Moderate, 0.0, Mode::QpskUsb, 4.0},
        {CcirChannel::Moderate, 0.0, Mode::Bpsk, 5.0},
        {CcirChannel::Poor, 10.0, Mode::QpskUsb, 0.5},
        {CcirChannel::Poor, 10.0, Mode::Bpsk, 3.0},
    };
    for (const Point& p : points) {
        const std::string name =
            format("ccir_%s_%+gdB_%s", ccirChannelName(p.channel), p.snrDb, modeName(p.mode));
        cerFigure(report, name, pskCer(name, seeds, p.mode, p.snrDb, p.channel), p.limitPercent,
                  false);
    }
}

void qsbCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 3 : 6;
    // The level swings +-10 dB about the nominal one, so at +5 dB the SNR runs from -5 to
    // +15 dB; each seed starts at another point of the cycle. For comparison, the same fading
    // with the nominal level at its peak (-15 to +5 dB) is measured too, as the -5 dB run.
    for (double snrDb : {5.0, -5.0}) {
        const std::string name =
            snrDb > 0.0 ? "qsb_20dB_15s_bpsk31_5dB" : "qsb_20dB_15s_bpsk31_5dB_at_peak";
        const Tally tally = cerOver(
            seeds,
            [&](int i) {
                ChannelTestConfig config = psk(Mode::Bpsk, snrDb, seedFor(name, i));
                config.qsb = QsbConfig{.depthDb = 20.0,
                                       .periodSeconds = 15.0,
                                       .phaseRad = 2.0 * std::numbers::pi * i / seeds};
                return config;
            },
            RxSetup{});
        if (snrDb > 0.0) {
            cerFigure(report, name, tally, 5.0, false);
        } else {
            report.info(name, tally.describe());
        }
    }
}

void interfererCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 2 : 4;
    for (double offset : {60.0, -60.0}) {
        const std::string name =
            format("neighbour_20dB_%s_60Hz_bpsk31_5dB", offset > 0.0 ? "above" : "below");
        Tally tally;
        double worstHz = 0.0;
        for (int i = 0; i < seeds; ++i) {
            ChannelTestConfig config = psk(Mode::Bpsk, 5.0, seedFor(name, i));
            config.interferer = ChannelTestConfig::Interferer{
                .mode = Mode::Bpsk, .offsetHz = offset, .levelDb = 20.0};
            const ChannelTestSignal signal = makeChannelTestSignal(config);
            const Reception r = receive(signal, RxSetup{});
            tally.add(signal.text, r.text);
            if (std::abs(r.finalHz - kCarrierHz) >= std::abs(worstHz))
                worstHz = r.finalHz - kCarrierHz;
        }
        report.figure(name + "_afc", format("final frequency %+.2f Hz off at worst", worstHz),
                      "within 5 Hz of the wanted signal", std::abs(worstHz) <= 5.0);
        cerFigure(report, name + "_cer", tally, 1.0, true);
    }
}

void squelchCase(Report& report, const Options& options) {
    const RxSetup squelched{.squelch = 5, .squelchSpeed = 1};
    constexpr double kMinutes = 10.0;
    struct Background {
        const char* name;
        Content content;
        double snrDb;
    };
    for (const Background b :
         {Background{"squelch5_slow_noise", Content::Nothing, 0.0},
          Background{"squelch5_slow_carrier_0dB", Content::Carrier, 0.0},
          Background{"squelch5_slow_carrier_-10dB", Content::Carrier, -10.0}}) {
        ChannelTestConfig config = psk(Mode::Bpsk, b.snrDb, seedFor(b.name, 0));
        config.content = b.content;
        config.durationSeconds = kMinutes * 60.0;
        const Reception r = receive(makeChannelTestSignal(config), squelched);
        const double perMinute = static_cast<double>(r.text.size()) / kMinutes;
        report.figure(
            b.name,
            format("%.2f false chars/min (%zu in %.0f min)", perMinute, r.text.size(), kMinutes),
            "<= 1/min", perMinute <= 1.0);
    }
    const std::string name = "squelch5_slow_bpsk31_-8dB";
    const Tally tally = cerOver(
        options.quick ? 2 : 3, [&](int i) { return psk(Mode::Bpsk, -8.0, seedFor(name, i)); },
        squelched);
    cerFigure(report, name, tally, 2.0, true);
}

void latencyCase(Report& report, const Options& options) {
    const int seeds = options.quick ? 5 : 10;
    for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        for (int squelch : {0, 5}) {
            const std::string name =
                format("latency_%s_0dB%s", modeName(mode), squelch > 0 ? "_squelch5_slow" : "");
            double worst = 0.0;
            double sum = 0.0;
            int missing = 0;
            for (int i = 0; i < seeds; ++i) {
                ChannelTestConfig config = psk(mode, 0.0, seedFor(name, i), 20);
                config.leadNoiseSeconds = 30.0;
                const ChannelTestSignal signal = makeChannelTestSignal(config);
                const Reception r = receive(signal, RxSetup{.mode = mode,
                                                            .squelch = squelch,
                                                            .squelchSpeed = squelch > 0 ? 1 : 0,
                                                            .block = 64});
                // The first character's correct copy: no earlier than the character's end on
                // air, and followed by the next three characters sent (so that a character made
                // of noise cannot pass for it).
                const std::string start = signal.text.substr(0, 4);
                std::optional<double> seconds;
                for (std::size_t c = 0; c < r.text.size(); ++c) {
                    if (r.arrivals[c] >= signal.characterEndSamples[0] &&
                        r.text.compare(c, start.size(), start) == 0) {
                        seconds = (static_cast<double>(r.arrivals[c]) -
                                   static_cast<double>(signal.characterEndSamples[0])) /
                                  kSampleRateHz;
                        break;
                    }
                }
                if (!seconds) {
                    ++missing;
                    continue;
                }
                worst = std::max(worst, *seconds);
                sum += *seconds;
            }
            const int found = seeds - missing;
            std::string measured = found > 0 ? format("worst %.2f s, mean %.2f s over %d runs",
                                                      worst, sum / found, found)
                                             : format("not decoded in any of %d runs", seeds);
            if (found > 0 && missing > 0) {
                measured += format("; not decoded in %d of %d runs", missing, seeds);
            }
            if (squelch == 0) {
                report.figure(name, measured, "<= 1.5 s", missing == 0 && worst <= 1.5);
            } else {
                report.info(name, measured);
            }
        }
    }
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class CountingListener final : public PipelineListener {
  public:
    void spectrumReady(const WaterfallFft& spectrum, const Receiver& receiver) override {
        checksum += static_cast<std::uint64_t>(spectrum.levels()[256]) +
                    static_cast<std::uint64_t>(receiver.quality());
    }
    void character(std::uint8_t code) override { checksum += code; }
    std::uint64_t checksum = 0;
};

void speedCase(Report& report, const Options& options) {
    const double seconds = options.quick ? 60.0 : 180.0;
    for (const Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        ChannelTestConfig config = psk(mode, 10.0, seedFor("speed", 0), 400);
        const ChannelTestSignal signal = makeChannelTestSignal(config);
        const auto count = static_cast<std::size_t>(seconds * kSampleRateHz);
        std::vector<float> audio(count);
        for (std::size_t i = 0; i < count; ++i) {
            audio[i] = signal.samples[i % signal.samples.size()];
        }

        constexpr std::size_t kBlock = 512;  // as the engine's DSP thread takes audio
        CountingListener listener;
        Pipeline pipeline;
        double best = 1e300;
        for (int repeat = 0; repeat < 3; ++repeat) {
            pipeline.reset();
            pipeline.receiver().setMode(mode);
            pipeline.receiver().setFrequency(kCarrierHz, kSearchHz);
            const double start = threadCpuSeconds();
            for (std::size_t at = 0; at < count; at += kBlock) {
                pipeline.process(
                    std::span<const float>(audio).subspan(at, std::min(kBlock, count - at)),
                    listener);
            }
            best = std::min(best, threadCpuSeconds() - start);
        }
        const double times = seconds / best;
        report.figure(mode == Mode::Bpsk ? "speed_pipeline" : "speed_pipeline_qpsk31",
                      format("%.0f x real time (receiver and spectrum, one thread, best of 3 "
                             "over %.0f s)",
                             times, seconds),
                      ">= 1000 x", times >= 1000.0);
    }
}

struct Case {
    const char* name;
    std::function<void(Report&, const Options&)> run;
    bool alone = false;  // timed: runs after the others, on its own
};

std::vector<Case> allCases() {
    return {
        {"table_bpsk31", [](Report& r, const Options& o) { cerTable(r, o, Mode::Bpsk); }},
        {"table_qpsk31_usb", [](Report& r, const Options& o) { cerTable(r, o, Mode::QpskUsb); }},
        {"table_qpsk31_lsb", [](Report& r, const Options& o) { cerTable(r, o, Mode::QpskLsb); }},
        {"cer", cerTargets},
        {"sensitivity", sensitivityCase},
        {"offset", offsetCase},
        {"drift", driftCase},
        {"clock", clockCase},
        {"soundcard", soundCardCase},
        {"ccir", wattersonCase},
        {"qsb", qsbCase},
        {"neighbour", interfererCase},
        {"squelch", squelchCase},
        {"latency", latencyCase},
        {"speed", speedCase, true},
    };
}

// --- options --------------------------------------------------------------------------------

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if ((arg == "--only" || arg == "--threads") && i + 1 < argc) {
            const std::string_view value = argv[++i];
            if (arg == "--threads") {
                const auto [ptr, ec] =
                    std::from_chars(value.data(), value.data() + value.size(), options.threads);
                if (ec != std::errc() || ptr != value.data() + value.size() ||
                    options.threads < 1 || options.threads > 64) {
                    return false;
                }
            } else {
                std::size_t start = 0;
                while (start <= value.size()) {
                    const std::size_t comma = std::min(value.find(',', start), value.size());
                    if (comma > start)
                        options.only.emplace_back(value.substr(start, comma - start));
                    start = comma + 1;
                }
            }
        } else {
            return false;
        }
    }
    return true;
}

bool selected(const Options& options, std::string_view name) {
    if (options.only.empty()) return true;
    return std::any_of(options.only.begin(), options.only.end(),
                       [&](const std::string& prefix) { return name.starts_with(prefix); });
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_figures [--quick] [--only NAME[,NAME...]] [--threads N] "
                     "[--list]\n");
        return 2;
    }
    std::vector<Case> cases;
    for (Case& c : allCases()) {
        if (options.list) std::printf("%s\n", c.name);
        if (selected(options, c.name)) cases.push_back(std::move(c));
    }
    if (options.list) return 0;

    std::string command = argv[0];
    command = command.substr(command.find_last_of('/') + 1);
    for (int i = 1; i < argc; ++i) command += std::string(" ") + argv[i];
    std::printf("command: %s\n", command.c_str());
    std::printf(
        "PSK31 at %.0f Hz, tuned %.0f Hz, AFC search %.0f Hz, squelch open unless named; SNR on "
        "the unfaded transmission in 3000 Hz; seeded\n",
        kCarrierHz, kCarrierHz, kSearchHz);
    std::printf("each figure: name: measured (target); MISS marks a missed target\n\n");
    std::fflush(stdout);

    // Cases run on a small pool and print in their listed order as soon as they are done.
    std::vector<std::optional<std::string>> results(cases.size());
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<std::size_t> nextCase{0};
    const auto worker = [&] {
        for (std::size_t i = nextCase++; i < cases.size(); i = nextCase++) {
            Report report;
            if (!cases[i].alone) cases[i].run(report, options);
            const std::lock_guard lock(mutex);
            results[i] = report.str();
            done.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < options.threads; ++t) pool.emplace_back(worker);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return results[i].has_value(); });
        if (cases[i].alone) continue;
        std::printf("%s\n", results[i]->c_str());
        std::fflush(stdout);
    }
    for (std::thread& t : pool) t.join();
    for (const Case& c : cases) {
        if (!c.alone) continue;
        Report report;
        c.run(report, options);
        std::printf("%s\n", report.str().c_str());
    }
    return 0;
}
