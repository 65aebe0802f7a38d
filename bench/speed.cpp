// Speed of the receive side: seconds of audio processed per second of CPU time on one thread,
// for the receiver alone, the spectrum alone and the whole pipeline (what the engine's DSP
// thread runs).
//
//     bench_speed [SECONDS]      (default 120 s of BPSK31 at 1000 Hz, 10 dB SNR, in noise)

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/dsp/waterfall_fft.h"
#include "pskmodem/engine/pipeline.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;

// Samples handed over per call, as the engine's DSP thread takes them from the capture ring.
constexpr std::size_t kBlock = 512;
// Each figure is the best of this many runs, which filters out interference from other work.
constexpr int kRepeats = 3;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename Body>
double bestCpuSeconds(Body&& body) {
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        const double start = cpuSeconds();
        body();
        best = std::min(best, cpuSeconds() - start);
    }
    return best;
}

class CountingText final : public CharSink, public PipelineListener {
  public:
    void character(std::uint8_t code) override { text.push_back(static_cast<char>(code)); }
    void spectrumReady(const WaterfallFft& s, const Receiver& r) override {
        // Touch the results as a consumer would, so that nothing is optimised away.
        checksum +=
            static_cast<std::uint64_t>(s.levels()[256]) + static_cast<std::uint64_t>(r.quality());
        ++frames;
    }
    std::string text;
    std::uint64_t checksum = 0;
    std::uint64_t frames = 0;
};

void report(const char* what, double audioSeconds, double cpu) {
    std::printf("%-16s %9.0f x real time  (%.3f s CPU)\n", what, audioSeconds / cpu, cpu);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 120.0;
    if (argc > 1) {
        const std::string_view arg = argv[1];
        const auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), seconds);
        if (ec != std::errc() || ptr != arg.data() + arg.size() || !(seconds >= 1.0) ||
            seconds > 36000.0) {
            std::fprintf(stderr, "bench_speed: SECONDS must be a number from 1 to 36000\n");
            return 2;
        }
    }

    TestSignalConfig config;
    config.mode = Mode::Bpsk;
    config.carrierHz = 1000.0;
    config.snrDb = 10.0;
    config.seed = 2024;
    // About 3.5 characters per second, with some to spare.
    config.textChars = static_cast<std::size_t>(seconds * 4.0) + 16;
    const TestSignal signal = makeTestSignal(config);
    const auto count = static_cast<std::size_t>(seconds * kSampleRateHz);
    std::vector<float> audio(count);
    for (std::size_t i = 0; i < count; ++i) {
        audio[i] = signal.samples[i % signal.samples.size()];
    }
    const double audioSeconds = static_cast<double>(count) / kSampleRateHz;
    std::printf(
        "%.0f s of BPSK31 at %.0f Hz, %.0f dB SNR in 3000 Hz, %zu-sample blocks, one "
        "thread, best of %d\n",
        audioSeconds, config.carrierHz, config.snrDb, kBlock, kRepeats);

    const auto blocks = [&](auto&& process) {
        for (std::size_t at = 0; at < audio.size(); at += kBlock) {
            process(std::span<const float>(audio).subspan(at, std::min(kBlock, count - at)));
        }
    };

    CountingText receiverText;
    Receiver receiver;
    const double receiverCpu = bestCpuSeconds([&] {
        receiver.reset();
        receiver.setFrequency(config.carrierHz, 50.0);
        receiverText.text.clear();
        blocks([&](std::span<const float> block) { receiver.process(block, receiverText); });
    });

    WaterfallFft spectrum;
    std::uint64_t spectrumSum = 0;
    const double spectrumCpu = bestCpuSeconds([&] {
        spectrum.reset();
        blocks([&](std::span<const float> block) {
            while (!block.empty()) {
                block = block.subspan(spectrum.consume(block));
                if (spectrum.frameReady()) {
                    spectrumSum += static_cast<std::uint64_t>(spectrum.levels()[256]);
                }
            }
        });
    });

    CountingText pipelineText;
    Pipeline pipeline;
    const double pipelineCpu = bestCpuSeconds([&] {
        pipeline.reset();
        pipeline.receiver().setFrequency(config.carrierHz, 50.0);
        pipelineText.text.clear();
        pipelineText.frames = 0;
        blocks([&](std::span<const float> block) { pipeline.process(block, pipelineText); });
    });

    report("receiver only", audioSeconds, receiverCpu);
    report("spectrum only", audioSeconds, spectrumCpu);
    report("whole pipeline", audioSeconds, pipelineCpu);
    std::printf("spectrum frames: %llu (%.2f per second)\n",
                static_cast<unsigned long long>(pipelineText.frames),
                static_cast<double>(pipelineText.frames) / audioSeconds);
    // A sanity check of the run, not a quality figure (bench_cer_sweep measures that). The
    // audio repeats the transmission when the transmission is shorter than the run.
    const double sentChars = static_cast<double>(signal.text.size()) * static_cast<double>(count) /
                             static_cast<double>(signal.samples.size());
    std::printf("decoded characters: %zu of about %.0f sent  (checksum %llu)\n",
                pipelineText.text.size(), sentChars,
                static_cast<unsigned long long>(pipelineText.checksum + spectrumSum));
    return 0;
}
