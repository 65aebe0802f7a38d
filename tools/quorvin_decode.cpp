// quorvin-decode: decodes PSK31 from an audio file, a sound card or the built-in band simulator and
// writes the received text to standard output: one signal, or with --all every signal in the band.
// From a sound card it can report the stations heard, log them and stream what it hears. Run with
// --help for the options.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "band_report.h"
#include "decode_options.h"
#include "live_input.h"
#include "pskmodem/band/band_decoder.h"
#include "pskmodem/dsp/resampler.h"
#include "pskmodem/engine/pipeline.h"
#include "pskmodem/pskmodem.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_source.h"
#include "pskmodem/types.h"
#include "station/dial.h"
#include "station/heard_log.h"
#include "station/report.h"
#include "station/rig.h"
#include "station/stream.h"
#include "station_feed.h"

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

// Prints each signal's report as its channel ends and hands what is heard to the station's links.
class BandReporter final : public pskmodem::BandListener {
  public:
    BandReporter(bool json, Dial& dial, StationFeed& feed)
        : json_(json), dial_(dial), feed_(feed) {}

    void channelStarted(const pskmodem::BandChannel& channel) override {
        texts_[channel.id].clear();
    }
    void character(const pskmodem::BandChannel& channel, std::uint8_t code) override {
        texts_[channel.id].push_back(static_cast<char>(code));
        feed_.character(channel, code);
    }
    void channelEnded(const pskmodem::BandChannel& channel) override {
        feed_.channelEnded(channel);
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
    StationFeed& feed_;
    bool failed_ = false;
    std::map<int, std::string> texts_;  // by channel id
};

// The single channel as the station's links see it: one signal that lasts the whole input.
class ChannelFeed final : public pskmodem::PipelineListener {
  public:
    ChannelFeed(TextCollector& text, StationFeed& feed, const pskmodem::Pipeline& pipeline,
                pskmodem::Speed speed)
        : text_(text), feed_(feed), pipeline_(pipeline), speed_(speed) {}

    void spectrumReady(const pskmodem::WaterfallFft& spectrum,
                       const pskmodem::Receiver& receiver) override {
        text_.spectrumReady(spectrum, receiver);
    }
    void character(std::uint8_t code) override {
        text_.character(code);
        feed_.character(channel(), code);
    }
    // The channel's text so far is not kept: the stream's band snapshot carries none.
    pskmodem::BandChannel channel() const {
        pskmodem::BandChannel now;
        now.id = 1;
        now.frequencyHz = pipeline_.receiver().frequencyHz();
        now.mode = mode;
        now.speed = speed_;
        now.quality = pipeline_.receiver().quality();
        now.snrDb = std::numeric_limits<double>::quiet_NaN();
        return now;
    }

    pskmodem::Mode mode = pskmodem::Mode::Bpsk;  // as heard

  private:
    TextCollector& text_;
    StationFeed& feed_;
    const pskmodem::Pipeline& pipeline_;
    pskmodem::Speed speed_;
};

std::string formatHz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f Hz", hz);
    return text;
}

// The station's links a run feeds: reception reports, the heard log and the live stream, each
// only when asked for. Network and file errors are told once each time they change; decoding goes
// on.
class StationLinks {
  public:
    StationLinks(const DecodeOptions& options, const StationPlan& plan) {
        if (plan.report) {
            station::ReportSettings settings;
            settings.receiver = {.call = options.myCall,
                                 .locator = options.myLocator,
                                 .software = "Quorvin " QUORVIN_VERSION,
                                 .antenna = options.antenna};
            settings.host = options.report.host;
            settings.port = options.report.port;
            reporter_ = std::make_unique<station::SpotReporter>(std::move(settings));
        }
        if (plan.adif) {
            heardLog_ = std::make_unique<station::HeardLog>(options.adif, QUORVIN_VERSION);
        }
        if (options.stream) {
            stream_ =
                std::make_unique<station::StreamSender>(options.stream->host, options.stream->port);
        }
    }

    StationFeed::Sinks sinks() {
        StationFeed::Sinks sinks;
        if (reporter_ || heardLog_) {
            sinks.spot = [this](const station::Spot& spot) {
                if (reporter_) {
                    reporter_->offer(spot);
                }
                if (heardLog_) {
                    tell(logError_, heardLog_->add(spot));
                }
            };
        }
        if (stream_) {
            sinks.stream = [this](std::string message) { stream_->send(std::move(message)); };
        }
        return sinks;
    }

    // Tells of a network error that has changed since the last look.
    void check() {
        if (reporter_) {
            tell(reportError_, reporter_->status().lastError);
        }
        if (stream_) {
            tell(streamError_, stream_->lastError());
        }
    }

    // Sends what is pending (the reporter's last datagram, the stream's last messages).
    void close() {
        check();
        reporter_.reset();
        stream_.reset();
        heardLog_.reset();
    }

  private:
    static void tell(ErrorWatch& watch, const std::string& error) {
        if (const std::optional<std::string> line = watch.update(error)) {
            printError(*line);
        }
    }

    std::unique_ptr<station::SpotReporter> reporter_;
    std::unique_ptr<station::HeardLog> heardLog_;
    std::unique_ptr<station::StreamSender> stream_;
    ErrorWatch reportError_{"reception reports"};
    ErrorWatch logError_{"the heard log"};
    ErrorWatch streamError_{"the stream"};
};

int listDevices() {
    const std::vector<pskmodem::InputDeviceInfo> devices = pskmodem::listInputDevices();
    if (devices.empty()) {
        printError("no input devices were found");
        return kExitOk;
    }
    const std::string text = deviceListText(devices);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        printError("cannot write to standard output");
        return kExitFailure;
    }
    return kExitOk;
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
    if (options.listDevices) {
        return listDevices();
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
    std::string deviceCaption;
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
    } else if (options.device) {
        const std::vector<pskmodem::InputDeviceInfo> devices = pskmodem::listInputDevices();
        const DeviceChoice choice = chooseDevice(devices, *options.device);
        if (!choice.error.empty()) {
            printError(choice.error);
            return kExitBadInput;
        }
        deviceCaption = "the system's default input";
        for (const pskmodem::InputDeviceInfo& device : devices) {
            if (device.card == choice.card) {
                deviceCaption = pskmodem::inputDeviceCaption(device);
            }
        }
        source = pskmodem::makeSoundCardSource(choice.card);
        paced = true;
    } else {
        source = pskmodem::makeFileSource(options.file, options.realtime
                                                            ? pskmodem::Pace::RealTime
                                                            : pskmodem::Pace::AsFastAsPossible);
    }
    const pskmodem::Mode mode = options.mode.value_or(pskmodem::Mode::Bpsk);
    const double frequencyHz = options.frequencyHz.value_or(1000.0);
    const double searchHz = options.searchOrDefault();

    const std::size_t chunk = paced ? kPacedChunk : kFastChunk;
    InputReader input(std::move(source), chunk, pskmodem::kReopenInterval,
                      [](const std::string& note) { printError(note); });
    if (options.seconds) {
        input.limitSeconds(*options.seconds);
    }
    // An interrupt while a sound card is being opened ends the run as cleanly as one later.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    if (const std::string error = input.start(); !error.empty()) {
        printError(error);
        return options.demo ? kExitFailure : kExitBadInput;
    }
    if (options.demo || options.device) {
        std::string header = options.demo ? "demo band" : "sound card " + deviceCaption;
        if (options.all) {
            header += ", receiving every ";
            header += options.mode ? modeDisplayName(*options.mode, options.speed) + " signal"
                                   : std::string("signal");
        } else {
            header += ", receiving " + modeDisplayName(mode, options.speed) + " at " +
                      formatHz(frequencyHz);
        }
        header += searchHz > 0.0 ? ", AFC search " + formatHz(searchHz) : ", AFC off";
        std::fprintf(stderr, "quorvin-decode: %s\n", header.c_str());
    }

    const StationPlan plan = stationPlan(options);
    for (const std::string& note : plan.notes) {
        printError(note);
    }
    StationLinks links(options, plan);
    StationFeed feed(links.sinks(), [&dial] { return dial.current(); });

    // Reads the input to its end (or --seconds, or an interrupt), handing 8 kHz audio to
    // `consume`, which returns false when the output fails.
    const auto readAll = [&](const std::function<bool(std::span<const float>)>& consume) {
        bool outputOk = true;
        while (!input.ended() && outputOk && !gStopRequested.load(std::memory_order_relaxed)) {
            outputOk = consume(input.read(std::chrono::milliseconds(100)));
            links.check();
        }
        for (auto tail = input.flush(); !tail.empty() && outputOk; tail = input.flush()) {
            outputOk = consume(tail);
        }
        input.stop();
        // Audio lost to a machine too busy to keep up explains garbled text.
        if (const std::uint64_t lost = input.droppedSamples(); lost > 0) {
            printError(std::to_string(lost) +
                       " samples of the sound card's audio were lost: the decoding fell behind");
        }
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
        BandReporter reporter(options.json, dial, feed);
        outputOk = readAll([&](std::span<const float> samples) {
            decoder.process(samples, reporter);
            feed.audio(decoder);
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
        ChannelFeed channel(text, feed, pipeline, options.speed);
        channel.mode = heard;
        double seconds = 0.0;
        outputOk = readAll([&](std::span<const float> samples) {
            // The receiver follows the rig's sideband as it changes.
            if (const pskmodem::Mode now = dial.heard(mode); now != heard) {
                heard = now;
                channel.mode = heard;
                pipeline.receiver().setMode(heard);
            }
            pipeline.process(samples, channel);
            seconds += static_cast<double>(samples.size()) / pskmodem::kSampleRateHz;
            feed.audio(seconds, {channel.channel()});
            return text.flush(paced);
        });
        pipeline.finish(channel);
        feed.channelEnded(channel.channel());
        outputOk = outputOk && text.flush(true);
    }
    // What is pending goes out before the program ends.
    links.close();
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
