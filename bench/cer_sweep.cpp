// Character error rate of the receiver against SNR, straight from the library's test signals.
//
//   bench_cer_sweep [--from DB] [--to DB] [--step DB] [--chars N] [--seeds N] [--mode bpsk|usb|lsb]
//                   [--carrier HZ] [--search HZ] [--drift HZ_PER_S] [--clock PPM] [--no-offset]
//
// For every SNR step (white noise, SNR = mean signal power over noise power in 3000 Hz) it
// sends `seeds` random texts of `chars` characters each, feeds them to a Receiver tuned to
// 1000 Hz (squelch open, AFC search range --search, 0 by default) in chunks of varying length,
// and prints the CER (Levenshtein distance over reference length, blanks folded) of all seeds
// together. The carrier sits at --carrier (1000 Hz), drifting by --drift Hz/s, and the sender's
// symbol clock is off by --clock ppm. Then it runs the offset
// case: the carrier 30 Hz above the tuned frequency at 0 dB with an AFC search range of 50 Hz.
// Last it prints how much faster than real time the receiver ran.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/testsignal.h"

namespace {

using pskmodem::Mode;

struct Options {
    double fromDb = -20.0;
    double toDb = 10.0;
    double stepDb = 1.0;
    std::size_t chars = 2000;
    int seeds = 3;
    Mode mode = Mode::Bpsk;
    double carrierHz = 1000.0;
    double searchHz = 0.0;
    double driftHzPerSecond = 0.0;
    double clockErrorPpm = 0.0;
    bool offsetCase = true;
};

class TextSink final : public pskmodem::CharSink {
  public:
    void character(std::uint8_t code) override { text.push_back(static_cast<char>(code)); }
    std::string text;
};

struct RunResult {
    std::size_t errors = 0;  // edit distance (from the CER and the reference length)
    std::size_t referenceChars = 0;
    double seconds = 0.0;       // processing time
    double audioSeconds = 0.0;  // length of the signal
    double finalFrequencyHz = 0.0;
};

RunResult run(const pskmodem::TestSignalConfig& config, double tuneHz, double searchHz) {
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    pskmodem::Receiver receiver;
    receiver.setMode(config.mode);
    receiver.setFrequency(tuneHz, searchHz);
    receiver.setSquelch(0, 0);
    TextSink sink;
    // Chunks of varying length, as audio arrives in practice.
    const std::span<const float> samples(signal.samples);
    std::size_t at = 0;
    std::size_t chunk = 17;
    const auto start = std::chrono::steady_clock::now();
    while (at < samples.size()) {
        const std::size_t n = std::min(chunk, samples.size() - at);
        receiver.process(samples.subspan(at, n), sink);
        at += n;
        chunk = chunk * 7 % 2039 + 1;
    }
    // Two seconds of silence let the last decisions out of the decoders' delay lines.
    const std::vector<float> silence(2 * pskmodem::kSampleRateHz, 0.0F);
    receiver.process(silence, sink);
    const auto stop = std::chrono::steady_clock::now();
    RunResult result;
    const double cer = pskmodem::characterErrorRate(signal.text, sink.text);
    result.referenceChars = pskmodem::foldBlanks(signal.text).size();
    result.errors =
        static_cast<std::size_t>(std::llround(cer * static_cast<double>(result.referenceChars)));
    result.seconds = std::chrono::duration<double>(stop - start).count();
    result.audioSeconds = static_cast<double>(signal.samples.size() + silence.size()) /
                          static_cast<double>(pskmodem::kSampleRateHz);
    result.finalFrequencyHz = receiver.frequencyHz();
    return result;
}

template <typename T>
bool parse(std::string_view text, T& value) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string_view value = hasValue ? std::string_view(argv[i + 1]) : "";
        bool ok = hasValue;
        if (arg == "--from") {
            ok = ok && parse(value, options.fromDb);
        } else if (arg == "--to") {
            ok = ok && parse(value, options.toDb);
        } else if (arg == "--step") {
            ok = ok && parse(value, options.stepDb) && options.stepDb > 0.0;
        } else if (arg == "--chars") {
            ok = ok && parse(value, options.chars) && options.chars > 0;
        } else if (arg == "--seeds") {
            ok = ok && parse(value, options.seeds) && options.seeds > 0;
        } else if (arg == "--carrier") {
            ok = ok && parse(value, options.carrierHz);
        } else if (arg == "--search") {
            ok = ok && parse(value, options.searchHz);
        } else if (arg == "--drift") {
            ok = ok && parse(value, options.driftHzPerSecond);
        } else if (arg == "--clock") {
            ok = ok && parse(value, options.clockErrorPpm);
        } else if (arg == "--mode") {
            if (value == "bpsk") {
                options.mode = Mode::Bpsk;
            } else if (value == "usb") {
                options.mode = Mode::QpskUsb;
            } else if (value == "lsb") {
                options.mode = Mode::QpskLsb;
            } else {
                ok = false;
            }
        } else if (arg == "--no-offset") {
            options.offsetCase = false;
            continue;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "bench_cer_sweep: bad option %s\n", argv[i]);
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_cer_sweep [--from DB] [--to DB] [--step DB] [--chars N] "
                     "[--seeds N] [--mode bpsk|usb|lsb] [--carrier HZ] [--search HZ] "
                     "[--drift HZ_PER_S] [--clock PPM] [--no-offset]\n");
        return 2;
    }
    double processed = 0.0;
    double audio = 0.0;

    std::printf("%8s %8s %10s %9s\n", "SNR dB", "chars", "errors", "CER %");
    for (double snr = options.fromDb; snr <= options.toDb + 1e-9; snr += options.stepDb) {
        std::size_t errors = 0;
        std::size_t chars = 0;
        for (int seed = 1; seed <= options.seeds; ++seed) {
            pskmodem::TestSignalConfig config;
            config.mode = options.mode;
            config.snrDb = snr;
            config.textChars = options.chars;
            config.carrierHz = options.carrierHz;
            config.driftHzPerSecond = options.driftHzPerSecond;
            config.clockErrorPpm = options.clockErrorPpm;
            config.seed = static_cast<std::uint64_t>(seed) * 1000003U +
                          static_cast<std::uint64_t>(std::llround((snr + 100.0) * 10.0));
            const RunResult r = run(config, 1000.0, options.searchHz);
            errors += r.errors;
            chars += r.referenceChars;
            processed += r.seconds;
            audio += r.audioSeconds;
        }
        std::printf("%8.1f %8zu %10zu %9.3f\n", snr, chars, errors,
                    100.0 * static_cast<double>(errors) / static_cast<double>(chars));
        std::fflush(stdout);
    }

    if (options.offsetCase) {
        std::printf("\noffset case: carrier 1030 Hz, tuned 1000 Hz, search 50 Hz, 0 dB\n");
        std::printf("%6s %8s %10s %9s %12s\n", "seed", "chars", "errors", "CER %", "final Hz");
        for (int seed = 1; seed <= options.seeds; ++seed) {
            pskmodem::TestSignalConfig config;
            config.mode = options.mode;
            config.snrDb = 0.0;
            config.carrierHz = 1030.0;
            config.textChars = options.chars;
            config.seed = static_cast<std::uint64_t>(seed) * 7919U;
            const RunResult r = run(config, 1000.0, 50.0);
            processed += r.seconds;
            audio += r.audioSeconds;
            std::printf(
                "%6d %8zu %10zu %9.3f %12.2f\n", seed, r.referenceChars, r.errors,
                100.0 * static_cast<double>(r.errors) / static_cast<double>(r.referenceChars),
                r.finalFrequencyHz);
        }
    }
    std::printf("\nreceiver speed: %.0f x real time (%.1f s of audio in %.2f s)\n",
                processed > 0.0 ? audio / processed : 0.0, audio, processed);
    return 0;
}
