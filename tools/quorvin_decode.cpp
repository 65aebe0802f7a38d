// quorvin-decode: decodes PSK31 from an audio file or the built-in band simulator and writes the
// received text to standard output: one signal, or with --all every signal in the band. Run with
// --help for the options.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "band_report.h"
#include "decode_options.h"
#include "pskmodem/band/band_decoder.h"
#include "pskmodem/dsp/resampler.h"
#include "pskmodem/engine/pipeline.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_source.h"
#include "pskmodem/types.h"
#include "station/dial.h"
#include "station/rig.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace quorvin::decode;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitBadInput = 2;

// Samples read per call: large blocks when decoding as fast as possible, about 32 ms at a time
// when paced so that the text appears smoothly.
constexpr std::size_t kFastChunk = 4096;
constexpr std::size_t kPacedChunk = 256;

// Set by SIGINT/SIGTERM so that an interrupted run still writes out what it decoded.
std::atomic<bool> gStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void requestStop(int /*signal*/) {
    gStopRequested.store(true, std::memory_order_relaxed);
}

// Prints one diagnostic line; control characters (a file name may hold a line break) are shown
// as '?' so that the message stays on one line.
void printError(std::string_view message) {
    std::string line = "quorvin-decode: ";
    for (const char c : message) {
        const auto u = static_cast<unsigned char>(c);
        line += (u < 0x20 || u == 0x7F) ? '?' : c;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// Collects the characters of one block of audio, so that stdout is written once per block.
class TextCollector final : public pskmodem::PipelineListener {
  public:
    void spectrumReady(const pskmodem::WaterfallFft& /*spectrum*/,
                       const pskmodem::Receiver& /*receiver*/) override {}
    void character(std::uint8_t code) override { text_.push_back(static_cast<char>(code)); }

    // Writes what was collected; returns false when stdout fails.
    bool flush(bool immediately) {
        if (!text_.empty()) {
            const bool complete =
                std::fwrite(text_.data(), 1, text_.size(), stdout) == text_.size();
            text_.clear();
            if (!complete) {
                return false;
            }
        }
        if (immediately && std::fflush(stdout) != 0) {
            return false;
        }
        return std::ferror(stdout) == 0;
    }

  private:
    std::string text_;
};

// The demo tunes to the strongest signal of the simulated band unless told otherwise.
const pskmodem::SimulatedSignal* strongestSignal(const pskmodem::SimulatorConfig& band) {
    const auto strongest =
        std::max_element(band.signals.begin(), band.signals.end(),
                         [](const auto& a, const auto& b) { return a.snrDb < b.snrDb; });
    return strongest == band.signals.end() ? nullptr : &*strongest;
}

// The rig's dial as the run goes: the one given with --dial, or the rig's as it is read about
// once a second while the input is decoded.
class Dial {
  public:
    Dial() = default;
    explicit Dial(station::DialReading given) : last_(std::move(given)) {}

    // Reads the rig once and then follows it; one line naming the rig when it does not answer.
    std::string follow(const station::RigAddress& address) {
        station::RigConnection once(address);
        const station::RigRead got = once.read();
        if (!got.reading) {
            return got.error;
        }
        last_ = got.reading;
        once.close();
        poller_ = std::make_unique<station::RigPoller>(address, std::chrono::seconds(1), nullptr);
        return {};
    }

    // The latest dial; the last known one while the rig does not answer.
    std::optional<station::DialReading> current() {
        if (poller_) {
            if (auto reading = poller_->status().reading) {
                last_ = std::move(reading);
            }
        }
        return last_;
    }

    // The mode a receiver is set to in audio for `onAir`.
    pskmodem::Mode heard(pskmodem::Mode onAir) {
        const auto dial = current();
        return dial && dial->sideband == station::Sideband::Lower ? pskmodem::mirroredMode(onAir)
                                                                  : onAir;
    }

  private:
    std::optional<station::DialReading> last_;
    std::unique_ptr<station::RigPoller> poller_;
};

// Prints each signal's report as its channel ends.
class BandReporter final : public pskmodem::BandListener {
  public:
    BandReporter(bool json, Dial& dial) : json_(json), dial_(dial) {}

    void channelStarted(const pskmodem::BandChannel& channel) override {
        texts_[channel.id].clear();
    }
    void character(const pskmodem::BandChannel& channel, std::uint8_t code) override {
        texts_[channel.id].push_back(static_cast<char>(code));
    }
    void channelEnded(const pskmodem::BandChannel& channel) override {
        // On the lower sideband the mode heard is the mirror of the mode on the air.
        const SignalReport signal{.frequencyHz = channel.frequencyHz,
                                  .mode = dial_.heard(channel.mode),
                                  .quality = channel.meanQuality,
                                  .snrDb = channel.snrDb,
                                  .imdDb = channel.imdDb,
                                  .text = texts_[channel.id],
                                  .dial = dial_.current(),
                                  .speed = channel.speed};
        const std::string report = json_ ? jsonReport(signal) : textReport(signal);
        texts_.erase(channel.id);
        if (std::fwrite(report.data(), 1, report.size(), stdout) != report.size() ||
            std::fflush(stdout) != 0) {
            failed_ = true;
        }
    }

    bool ok() const { return !failed_ && std::ferror(stdout) == 0; }

  private:
    bool json_;
    Dial& dial_;
    bool failed_ = false;
    std::map<int, std::string> texts_;  // by channel id
};

std::string formatHz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f Hz", hz);
    return text;
}

int run(std::span<const std::string_view> args) {
    const ParseResult parsed = parseDecodeOptions(args);
    if (!parsed.ok()) {
        printError(parsed.error);
        return kExitBadInput;
    }
    DecodeOptions options = parsed.options;
    if (options.help) {
        const std::string usage = usageText();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::puts("quorvin-decode " QUORVIN_VERSION);
        return kExitOk;
    }

    // A rig that is not there is told before any decoding, within a few seconds.
    Dial dial;
    if (options.dial) {
        dial = Dial(*options.dial);
    } else if (options.rig) {
        if (const std::string error = dial.follow(*options.rig); !error.empty()) {
            printError(error);
            return kExitBadInput;
        }
    }

    std::unique_ptr<pskmodem::AudioSource> source;
    bool paced = options.realtime;
    if (options.demo) {
        const pskmodem::SimulatorConfig band = pskmodem::demoBand();
        if (!options.all && !options.frequencyHz) {
            const pskmodem::SimulatedSignal* strongest = strongestSignal(band);
            options.frequencyHz = strongest != nullptr ? strongest->carrierHz : 1000.0;
            if (!options.mode && strongest != nullptr) {
                options.mode = strongest->mode;
                options.speed = strongest->speed;
            }
        }
        source = pskmodem::makeSimulatorSource(band, pskmodem::Pace::RealTime);
        paced = true;
    } else {
        source = pskmodem::makeFileSource(options.file, options.realtime
                                                            ? pskmodem::Pace::RealTime
                                                            : pskmodem::Pace::AsFastAsPossible);
    }
    const pskmodem::Mode mode = options.mode.value_or(pskmodem::Mode::Bpsk);
    const double frequencyHz = options.frequencyHz.value_or(1000.0);
    const double searchHz = options.searchOrDefault();

    if (source->start() != 0) {
        const std::string reason = source->lastError();
        printError(reason.empty() ? "cannot open the input" : reason);
        return options.demo ? kExitFailure : kExitBadInput;
    }
    const double inputRateHz = source->sampleRateHz();
    if (!(inputRateHz >= 1.0)) {
        printError("the input has no usable sample rate");
        return kExitBadInput;
    }
    if (options.demo) {
        std::string header;
        if (options.all) {
            header = "demo band, receiving every ";
            header += options.mode ? modeDisplayName(*options.mode, options.speed) + " signal"
                                   : std::string("signal");
        } else {
            header = "demo band, receiving " + modeDisplayName(mode, options.speed) + " at " +
                     formatHz(frequencyHz);
        }
        header += searchHz > 0.0 ? ", AFC search " + formatHz(searchHz) : ", AFC off";
        std::fprintf(stderr, "quorvin-decode: %s\n", header.c_str());
    }

    const std::size_t chunk = paced ? kPacedChunk : kFastChunk;
    std::unique_ptr<pskmodem::Resampler> resampler;
    if (inputRateHz != static_cast<double>(pskmodem::kSampleRateHz)) {
        resampler = std::make_unique<pskmodem::Resampler>(
            inputRateHz, static_cast<double>(pskmodem::kSampleRateHz), 0.0, chunk);
    }

    // Audio to read, in input samples; unlimited without --seconds.
    std::uint64_t remaining = UINT64_MAX;
    if (options.seconds) {
        remaining = static_cast<std::uint64_t>(*options.seconds * inputRateHz + 0.5);
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    // Reads the input to its end (or --seconds, or an interrupt), handing 8 kHz audio to
    // `consume`, which returns false when the output fails.
    const auto readAll = [&](const std::function<bool(std::span<const float>)>& consume) {
        std::vector<float> buffer(chunk);
        bool outputOk = true;
        while (remaining > 0 && outputOk && !gStopRequested.load(std::memory_order_relaxed)) {
            const std::size_t wanted = static_cast<std::size_t>(
                std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(buffer.size())));
            const pskmodem::ReadResult got =
                source->read(std::span(buffer).first(wanted), std::chrono::milliseconds(100));
            const std::span<const float> samples = std::span(buffer).first(got.count);
            remaining -= got.count;
            outputOk = consume(resampler ? resampler->process(samples) : samples);
            if (got.status != pskmodem::ReadStatus::Ok) {
                break;
            }
        }
        if (resampler) {
            for (auto tail = resampler->flush(); !tail.empty() && outputOk;
                 tail = resampler->flush()) {
                outputOk = consume(tail);
            }
        }
        source->stop();
        return outputOk;
    };

    bool outputOk = true;
    if (options.all) {
        pskmodem::BandDecoderConfig config;
        if (options.mode) {
            config.mode = dial.heard(*options.mode);
        }
        // --mode names a speed too; without it every speed is looked for.
        config.speed = options.mode ? std::optional(options.speed) : std::nullopt;
        config.searchRangeHz = searchHz;
        config.squelchThreshold = options.squelchOrDefault();
        pskmodem::BandDecoder decoder(config);
        BandReporter reporter(options.json, dial);
        outputOk = readAll([&](std::span<const float> samples) {
            decoder.process(samples, reporter);
            return reporter.ok();
        });
        // Whatever is still on the air is reported, even after a failed write or an interrupt.
        decoder.finish(reporter);
        outputOk = outputOk && reporter.ok();
    } else {
        pskmodem::Pipeline pipeline;
        pipeline.receiver().setFrequency(frequencyHz, searchHz);
        pskmodem::Mode heard = dial.heard(mode);
        pipeline.receiver().setMode(heard);
        pipeline.receiver().setSpeed(options.speed);
        pipeline.receiver().setSquelch(options.squelchOrDefault(), 0);
        TextCollector text;
        outputOk = readAll([&](std::span<const float> samples) {
            // The receiver follows the rig's sideband as it changes.
            if (const pskmodem::Mode now = dial.heard(mode); now != heard) {
                heard = now;
                pipeline.receiver().setMode(heard);
            }
            pipeline.process(samples, text);
            return text.flush(paced);
        });
        pipeline.finish(text);
        outputOk = outputOk && text.flush(true);
    }
    if (!outputOk) {
        printError("cannot write to standard output");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    try {
        std::vector<std::string_view> args;
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        return run(args);
    } catch (const std::exception& e) {
        printError(e.what());
    } catch (...) {
        printError("unexpected failure");
    }
    return kExitFailure;
}
