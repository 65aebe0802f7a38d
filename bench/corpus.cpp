// Writes a seeded corpus of PSK31 recordings for the benchmarks: for every case a WAV file at
// 8000 samples/s and the text sent in it, plus cases.tsv describing all cases.
//
//   bench_corpus OUTDIR [--seed N] [--chars N]
//
// The SNR sweep is BPSK31 at 1000 Hz from -20 to +10 dB in 1 dB steps; the offset cases move the
// carrier off the nominal 1000 Hz, let it drift, skew the sender's clock, start late, or use
// QPSK31. The same seed always gives the same files.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"

namespace {

struct Case {
    std::string name;
    pskmodem::TestSignalConfig config;
    double tuneHz = 1000.0;  // where a receiver should be tuned
};

const char* modeName(pskmodem::Mode mode) {
    switch (mode) {
        case pskmodem::Mode::Bpsk:
            return "BPSK31";
        case pskmodem::Mode::QpskUsb:
            return "QPSK31-USB";
        case pskmodem::Mode::QpskLsb:
            return "QPSK31-LSB";
    }
    return "?";
}

std::string snrTag(int snrDb) {
    return (snrDb < 0 ? "m" : "p") + std::to_string(snrDb < 0 ? -snrDb : snrDb);
}

template <typename T>
bool parseNumber(std::string_view text, T& value) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::vector<Case> makeCases(std::uint64_t seed, std::size_t chars) {
    std::vector<Case> cases;
    std::uint64_t caseNumber = 0;
    // One text per kind of case (textSalt); the noise differs from case to case.
    auto base = [&](std::uint64_t textSalt) {
        pskmodem::TestSignalConfig config;
        config.textChars = chars;
        config.text = pskmodem::randomText(chars, seed * 1000 + textSalt);
        config.seed = seed * 1000003 + ++caseNumber;
        return config;
    };

    for (int snrDb = -20; snrDb <= 10; ++snrDb) {
        Case c{"bpsk_snr_" + snrTag(snrDb), base(1), 1000.0};
        c.config.snrDb = snrDb;
        cases.push_back(c);
    }

    struct Offset {
        const char* name;
        double carrierHz;
        double driftHzPerSecond;
        double clockErrorPpm;
        double leadNoiseSeconds;
        pskmodem::Mode mode;
        double snrDb;
    };
    const Offset offsets[] = {
        {"bpsk_offset_p3hz", 1003.0, 0.0, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_offset_m7hz", 993.0, 0.0, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_offset_p15hz", 1015.0, 0.0, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_drift_p0.1hzps", 1000.0, 0.1, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_drift_m0.3hzps", 1000.0, -0.3, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_clock_p500ppm", 1000.0, 0.0, 500.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_clock_m500ppm", 1000.0, 0.0, -500.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_late_start_5s", 1000.0, 0.0, 0.0, 5.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_low_carrier_500hz", 500.0, 0.0, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"bpsk_high_carrier_2500hz", 2500.0, 0.0, 0.0, 0.0, pskmodem::Mode::Bpsk, 0.0},
        {"qpsk_usb_snr_p5", 1000.0, 0.0, 0.0, 0.0, pskmodem::Mode::QpskUsb, 5.0},
        {"qpsk_usb_snr_m2", 1000.0, 0.0, 0.0, 0.0, pskmodem::Mode::QpskUsb, -2.0},
        {"qpsk_lsb_snr_p5", 1000.0, 0.0, 0.0, 0.0, pskmodem::Mode::QpskLsb, 5.0},
    };
    for (const Offset& o : offsets) {
        Case c{o.name, base(2), 1000.0};
        c.config.carrierHz = o.carrierHz;
        c.config.driftHzPerSecond = o.driftHzPerSecond;
        c.config.clockErrorPpm = o.clockErrorPpm;
        c.config.leadNoiseSeconds = o.leadNoiseSeconds;
        c.config.mode = o.mode;
        c.config.snrDb = o.snrDb;
        if (o.carrierHz == 500.0 || o.carrierHz == 2500.0) c.tuneHz = o.carrierHz;
        cases.push_back(c);
    }
    return cases;
}

int usage() {
    std::fprintf(stderr, "usage: bench_corpus OUTDIR [--seed N] [--chars N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::filesystem::path outDir = argv[1];
    std::uint64_t seed = 1;
    std::size_t chars = 500;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string_view value = argv[++i];
        if (arg == "--seed") {
            if (!parseNumber(value, seed)) return usage();
        } else if (arg == "--chars") {
            if (!parseNumber(value, chars) || chars == 0) return usage();
        } else {
            return usage();
        }
    }

    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "bench_corpus: cannot create %s: %s\n", outDir.string().c_str(),
                     ec.message().c_str());
        return 1;
    }

    std::ofstream index(outDir / "cases.tsv", std::ios::binary);
    index << "name\twav\ttext\tmode\tcarrier_hz\ttune_hz\tsnr_db\tdrift_hz_per_s\tclock_ppm\t"
             "lead_noise_s\tseconds\n";
    int written = 0;
    for (const Case& c : makeCases(seed, chars)) {
        const pskmodem::TestSignal signal = pskmodem::makeTestSignal(c.config);
        const std::string wavName = c.name + ".wav";
        const std::string textName = c.name + ".txt";
        if (!pskmodem::writeAudioFile((outDir / wavName).string(), signal.samples,
                                      pskmodem::kSampleRateHz)) {
            std::fprintf(stderr, "bench_corpus: cannot write %s\n", wavName.c_str());
            return 1;
        }
        std::ofstream text(outDir / textName, std::ios::binary);
        text << signal.text;
        if (!text) {
            std::fprintf(stderr, "bench_corpus: cannot write %s\n", textName.c_str());
            return 1;
        }
        const double seconds = static_cast<double>(signal.samples.size()) / pskmodem::kSampleRateHz;
        index << c.name << '\t' << wavName << '\t' << textName << '\t' << modeName(c.config.mode)
              << '\t' << c.config.carrierHz << '\t' << c.tuneHz << '\t' << c.config.snrDb << '\t'
              << c.config.driftHzPerSecond << '\t' << c.config.clockErrorPpm << '\t'
              << c.config.leadNoiseSeconds << '\t' << seconds << '\n';
        std::printf("%-28s %-11s %7.1f Hz %+6.1f dB %7.1f s\n", c.name.c_str(),
                    modeName(c.config.mode), c.config.carrierHz, c.config.snrDb, seconds);
        ++written;
    }
    if (!index) {
        std::fprintf(stderr, "bench_corpus: cannot write cases.tsv\n");
        return 1;
    }
    std::printf("wrote %d cases (seed %llu, %zu characters each) to %s\n", written,
                static_cast<unsigned long long>(seed), chars, outDir.string().c_str());
    return 0;
}
