#include "pskmodem/signals/testsignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <span>
#include <stdexcept>
#include <string_view>

#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"

namespace pskmodem {

namespace {

constexpr std::array<std::string_view, 96> kWords = {
    "the",      "and",      "for",        "you",      "here",      "name",    "is",      "my",
    "rig",      "antenna",  "dipole",     "vertical", "watts",     "power",   "weather", "today",
    "sunny",    "cloudy",   "rain",       "cold",     "warm",      "thanks",  "for",     "the",
    "call",     "report",   "your",       "signal",   "very",      "good",    "copy",    "solid",
    "band",     "noise",    "conditions", "fine",     "QSB",       "QRM",     "QSL",     "via",
    "bureau",   "direct",   "hope",       "to",       "meet",      "again",   "best",    "regards",
    "station",  "running",  "into",       "a",        "on",        "at",      "with",    "from",
    "over",     "back",     "to",         "all",      "good",      "luck",    "contest", "weekend",
    "computer", "software", "sound",      "card",     "interface", "old",     "new",     "home",
    "made",     "years",    "licensed",   "since",    "retired",   "working", "evening", "morning",
    "nice",     "QSO",      "hw",         "cpy",      "es",        "tnx",     "fb",      "om",
    "de",       "pse",      "k",          "kn",       "sk",        "73",      "ur",      "rst",
};

constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Call signs with a Q prefix, which is never issued to stations, so no real station is named.
std::string fictitiousCallSign(std::mt19937_64& rng) {
    std::uniform_int_distribution<std::size_t> letter(0, kLetters.size() - 1);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> suffixLength(2, 3);
    std::string call = "Q";
    call += kLetters[letter(rng)];
    call += static_cast<char>('0' + digit(rng));
    for (int i = suffixLength(rng); i > 0; --i) call += kLetters[letter(rng)];
    return call;
}

std::size_t textBitCount(std::string_view text) {
    std::size_t bits = 0;
    for (char c : text) bits += varicodeBits(static_cast<std::uint8_t>(c)).size() + 2;
    return bits;
}

}  // namespace

std::string randomText(std::size_t chars, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::size_t> word(0, kWords.size() - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> number(0, 9999);
    std::string text;
    text.reserve(chars + 32);
    int wordsInSentence = 0;
    while (text.size() < chars) {
        const int pick = percent(rng);
        if (pick < 8) {
            text += fictitiousCallSign(rng);
        } else if (pick < 13) {
            text += std::to_string(number(rng));
        } else {
            std::string w(kWords[word(rng)]);
            if (wordsInSentence == 0 && !w.empty() && w[0] >= 'a' && w[0] <= 'z') {
                w[0] = static_cast<char>(w[0] - 'a' + 'A');
            }
            text += w;
        }
        ++wordsInSentence;

        const int end = percent(rng);
        if (wordsInSentence > 4 && end < 12) {
            text += (end < 2) ? "?" : (end < 4 ? "!" : ".");
            wordsInSentence = 0;
            text += (percent(rng) < 25) ? "\r\n" : " ";
        } else if (end < 18) {
            text += ", ";
        } else if (end < 20) {
            text += " / ";
        } else {
            text += ' ';
        }
    }
    text.resize(chars);
    return text;
}

TestSignal makeTestSignal(const TestSignalConfig& config) {
    if (!std::isfinite(config.snrDb) || !std::isfinite(config.driftHzPerSecond) ||
        !std::isfinite(config.leadNoiseSeconds) || config.leadNoiseSeconds < 0.0 ||
        !std::isfinite(config.levelRms) || config.levelRms <= 0.0) {
        throw std::invalid_argument("makeTestSignal: invalid configuration");
    }
    TestSignal result;
    result.text = config.text.empty() ? randomText(config.textChars, config.seed) : config.text;

    ModulatorConfig modulatorConfig;
    modulatorConfig.carrierHz = config.carrierHz;
    modulatorConfig.mode = config.mode;
    modulatorConfig.speed = config.speed;
    modulatorConfig.sampleRateHz = config.sampleRateHz;
    modulatorConfig.clockErrorPpm = config.clockErrorPpm;
    modulatorConfig.amplitude = 1.0;
    Modulator modulator(modulatorConfig);  // validates the rest
    const int leadIdle = std::max(config.leadIdle, 0);
    const int tailIdle = std::max(config.tailIdle, 0);
    modulator.queueIdle(leadIdle);
    modulator.queueText(result.text);
    modulator.queueIdle(tailIdle);

    const double symbols =
        static_cast<double>(textBitCount(result.text) + static_cast<std::size_t>(leadIdle) +
                            static_cast<std::size_t>(tailIdle));
    const double samplesPerSymbol =
        config.sampleRateHz / (symbolRateBaud(config.speed) * (1.0 + config.clockErrorPpm * 1e-6));
    const auto transmissionSamples =
        static_cast<std::size_t>(std::ceil(symbols * samplesPerSymbol));
    const auto leadSamples =
        static_cast<std::size_t>(std::llround(config.leadNoiseSeconds * config.sampleRateHz));
    result.transmissionStartSample = leadSamples;
    result.samples.assign(leadSamples + transmissionSamples, 0.0f);

    // Drift moves the carrier in small steps, often enough to look continuous to a receiver.
    const std::span<float> transmission(result.samples.data() + leadSamples, transmissionSamples);
    constexpr std::size_t kDriftBlock = 32;
    for (std::size_t at = 0; at < transmissionSamples; at += kDriftBlock) {
        if (config.driftHzPerSecond != 0.0) {
            const double seconds = static_cast<double>(at) / config.sampleRateHz;
            modulator.setCarrierHz(config.carrierHz + config.driftHzPerSecond * seconds);
        }
        modulator.process(
            transmission.subspan(at, std::min(kDriftBlock, transmissionSamples - at)));
    }

    // Scale signal and noise together to the requested level.
    const double rawPower = meanPower(transmission);
    const double rawNoiseRms =
        config.noise ? noiseRmsForSnr(rawPower, config.snrDb, config.sampleRateHz) : 0.0;
    const double totalPower = rawPower + rawNoiseRms * rawNoiseRms;
    const double gain = totalPower > 0.0 ? config.levelRms / std::sqrt(totalPower) : 1.0;
    for (float& v : transmission) v = static_cast<float>(static_cast<double>(v) * gain);
    result.signalPower = rawPower * gain * gain;

    if (config.noise) {
        NoiseSource noise(rawNoiseRms * gain, config.seed ^ 0x9e3779b97f4a7c15ULL);
        noise.add(result.samples);
    }
    return result;
}

}  // namespace pskmodem
