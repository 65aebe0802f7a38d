#include "pskmodem/signals/channel_test_signal.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <stdexcept>
#include <string_view>

#include "pskmodem/codec/varicode.h"
#include "pskmodem/dsp/resampler.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"
#include "pskmodem/signals/testsignal.h"

namespace pskmodem {

namespace {

constexpr double kRateHz = kSampleRateHz;
// The carrier moves in steps this long when it drifts, often enough to look continuous.
constexpr std::size_t kDriftBlock = 32;
// Power of a steady carrier of amplitude 1: the reference when nothing is sent.
constexpr double kUnitCarrierPower = 0.5;

// Seeds of the parts of the signal, derived from the one in the configuration.
constexpr std::uint64_t kNoiseSeedMix = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kFadingSeedMix = 0xc2b2ae3d27d4eb4fULL;
constexpr std::uint64_t kInterfererSeedMix = 0x165667b19e3779f9ULL;

std::size_t samplesFor(double seconds) {
    return static_cast<std::size_t>(std::llround(seconds * kRateHz));
}

// Writes `out` from `modulator`, moving the carrier from `startHz` at `hzPerSecond`.
void modulate(Modulator& modulator, std::span<float> out, double startHz, double hzPerSecond) {
    for (std::size_t at = 0; at < out.size(); at += kDriftBlock) {
        if (hzPerSecond != 0.0) {
            modulator.setCarrierHz(startHz + hzPerSecond * static_cast<double>(at) / kRateHz);
        }
        modulator.process(out.subspan(at, std::min(kDriftBlock, out.size() - at)));
    }
}

// Applies `process(in, out)` to `signal` in place, taking out the processor's `delay` by
// feeding zeros after the end and dropping as many samples from the start.
template <typename Processor>
void applyWithoutDelay(Processor& processor, std::vector<float>& signal, std::size_t delay) {
    const std::size_t length = signal.size();
    signal.resize(length + delay, 0.0f);
    processor.process(signal, signal);
    signal.erase(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(delay));
}

std::vector<float> resample(std::span<const float> in, double outputRateHz) {
    constexpr std::size_t kBlock = 4096;
    Resampler resampler(kRateHz, outputRateHz, 0.0, kBlock);
    std::vector<float> out;
    out.reserve(static_cast<std::size_t>(
                    std::ceil(static_cast<double>(in.size()) * outputRateHz / kRateHz)) +
                kBlock);
    for (std::size_t at = 0; at < in.size(); at += kBlock) {
        const std::span<const float> part =
            resampler.process(in.subspan(at, std::min(kBlock, in.size() - at)));
        out.insert(out.end(), part.begin(), part.end());
    }
    for (std::span<const float> part = resampler.flush(); !part.empty(); part = resampler.flush()) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

void validate(const ChannelTestConfig& c) {
    const auto finite = [](double v) { return std::isfinite(v); };
    const auto nonNegative = [&](double v) { return finite(v) && v >= 0.0; };
    if (!finite(c.snrDb) || !finite(c.driftHzPerSecond) || !nonNegative(c.leadNoiseSeconds) ||
        !nonNegative(c.tailNoiseSeconds) || !nonNegative(c.durationSeconds) ||
        !finite(c.levelRms) || c.levelRms <= 0.0 || !finite(c.outputRateHz) ||
        c.outputRateHz < 1000.0 || c.outputRateHz > 384000.0 ||
        !isValidMode(static_cast<int>(c.mode))) {
        throw std::invalid_argument("makeChannelTestSignal: invalid configuration");
    }
    if (c.interferer && (!finite(c.interferer->offsetHz) || !finite(c.interferer->levelDb) ||
                         !isValidMode(static_cast<int>(c.interferer->mode)))) {
        throw std::invalid_argument("makeChannelTestSignal: invalid interferer");
    }
}

}  // namespace

ChannelTestSignal makeChannelTestSignal(const ChannelTestConfig& config) {
    validate(config);
    ChannelTestSignal result;

    ModulatorConfig modulatorConfig;
    modulatorConfig.carrierHz = config.carrierHz;
    modulatorConfig.mode = config.mode;
    modulatorConfig.speed = config.speed;
    modulatorConfig.sampleRateHz = kRateHz;
    modulatorConfig.clockErrorPpm = config.clockErrorPpm;
    modulatorConfig.amplitude = 1.0;
    Modulator modulator(modulatorConfig);  // validates carrier and clock
    const double samplesPerSymbol =
        kRateHz / (symbolRateBaud(config.speed) * (1.0 + config.clockErrorPpm * 1e-6));

    // What the sender puts on the air, and where each character ends.
    std::vector<double> characterEnds;  // in samples after the transmission starts
    std::size_t transmissionSamples = 0;
    if (config.content == ChannelTestConfig::Content::Psk31) {
        result.text = config.text.empty() ? randomText(config.textChars, config.seed) : config.text;
        const int leadIdle = std::max(config.leadIdle, 0);
        const int tailIdle = std::max(config.tailIdle, 0);
        modulator.queueIdle(leadIdle);
        modulator.queueText(result.text);
        modulator.queueIdle(tailIdle);
        auto symbols = static_cast<std::size_t>(leadIdle);
        characterEnds.reserve(result.text.size());
        for (char c : result.text) {
            symbols += varicodeBits(static_cast<std::uint8_t>(c)).size() + 2;
            // The last symbol of the character is number symbols - 1; its phase point falls
            // one symbol period after it starts.
            characterEnds.push_back(static_cast<double>(symbols) * samplesPerSymbol);
        }
        symbols += static_cast<std::size_t>(tailIdle);
        transmissionSamples =
            static_cast<std::size_t>(std::ceil(static_cast<double>(symbols) * samplesPerSymbol));
    } else {
        transmissionSamples = samplesFor(config.durationSeconds);
        if (config.content == ChannelTestConfig::Content::Carrier) {
            // A one keeps the phase: a steady carrier, rising over the first symbol.
            const auto symbols = static_cast<std::size_t>(std::ceil(
                                     static_cast<double>(transmissionSamples) / samplesPerSymbol)) +
                                 1;
            modulator.queueBits(std::string(symbols, '1'));
        }
    }

    const std::size_t lead = samplesFor(config.leadNoiseSeconds);
    const std::size_t tail = samplesFor(config.tailNoiseSeconds);
    const std::size_t total = lead + transmissionSamples + tail;
    std::vector<float> signal(total, 0.0f);
    const std::span<float> transmission(signal.data() + lead, transmissionSamples);
    double referencePower = kUnitCarrierPower;
    if (config.content != ChannelTestConfig::Content::Nothing) {
        modulate(modulator, transmission, config.carrierHz, config.driftHzPerSecond);
        referencePower = meanPower(transmission);
    }

    // The path: fading, then QSB, both timed from the start of the signal.
    if (config.fading) {
        WattersonConfig fading = *config.fading;
        fading.sampleRateHz = kRateHz;
        fading.seed = config.fading->seed ^ (config.seed * kFadingSeedMix);
        WattersonChannel channel(fading);
        applyWithoutDelay(channel, signal, channel.delaySamples());
    }
    if (config.qsb) {
        QsbConfig qsbConfig = *config.qsb;
        qsbConfig.sampleRateHz = kRateHz;
        Qsb qsb(qsbConfig);
        qsb.process(signal, signal);
    }

    // The stronger neighbour, on the air for the whole signal.
    if (config.interferer) {
        ModulatorConfig neighbour;
        neighbour.carrierHz = config.carrierHz + config.interferer->offsetHz;
        neighbour.mode = config.interferer->mode;
        neighbour.speed = config.interferer->speed;
        neighbour.sampleRateHz = kRateHz;
        neighbour.initialPhaseRad = 1.0;
        Modulator other(neighbour);
        const std::uint64_t seed = config.seed ^ kInterfererSeedMix;
        // About 3.5 characters per second at most at PSK31; the modulator idles if the text
        // runs out.
        const auto chars = static_cast<std::size_t>(static_cast<double>(total) / kRateHz * 4.0 *
                                                    speedFactor(config.interferer->speed));
        other.queueIdle(16);
        other.queueText(randomText(chars + 16, seed));
        std::vector<float> interference(total);
        other.process(interference);
        const double power = meanPower(interference);
        const double wanted = referencePower * std::pow(10.0, config.interferer->levelDb / 10.0);
        const double scale = power > 0.0 ? std::sqrt(wanted / power) : 0.0;
        for (std::size_t i = 0; i < total; ++i) {
            signal[i] = static_cast<float>(static_cast<double>(signal[i]) +
                                           scale * static_cast<double>(interference[i]));
        }
    }

    // Noise, and the level of the whole.
    const double noiseRms =
        config.noise ? noiseRmsForSnr(referencePower, config.snrDb, kRateHz) : 0.0;
    const double totalPower = meanPower(signal) + noiseRms * noiseRms;
    const double gain = totalPower > 0.0 ? config.levelRms / std::sqrt(totalPower) : 1.0;
    for (float& v : signal) v = static_cast<float>(static_cast<double>(v) * gain);
    result.signalPower =
        config.content == ChannelTestConfig::Content::Nothing ? 0.0 : referencePower * gain * gain;
    result.noiseRms = noiseRms * gain;
    if (config.noise) {
        NoiseSource noise(result.noiseRms, config.seed ^ kNoiseSeedMix);
        noise.add(signal);
    }

    // The sound card's rate.
    const double ratio = config.outputRateHz / kRateHz;
    const auto toOutput = [&](double samples8k) {
        return static_cast<std::size_t>(std::llround(samples8k * ratio));
    };
    result.sampleRateHz = config.outputRateHz;
    result.transmissionStartSample = toOutput(static_cast<double>(lead));
    result.transmissionEndSample = toOutput(static_cast<double>(lead + transmissionSamples));
    result.characterEndSamples.reserve(characterEnds.size());
    for (double end : characterEnds) {
        result.characterEndSamples.push_back(toOutput(static_cast<double>(lead) + end));
    }
    result.samples =
        config.outputRateHz == kRateHz ? std::move(signal) : resample(signal, config.outputRateHz);
    return result;
}

}  // namespace pskmodem
