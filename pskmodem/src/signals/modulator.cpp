#include "pskmodem/signals/modulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "pskmodem/codec/varicode.h"

namespace pskmodem {

namespace {

// Queue entries: a data bit (0 or 1) or a symbol without carrier.
constexpr std::uint8_t kBitZero = 0;
constexpr std::uint8_t kBitOne = 1;
constexpr std::uint8_t kSilence = 2;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double wrapPhaseRad(double phase) {
    phase = std::fmod(phase, kTwoPi);
    if (phase < 0.0) phase += kTwoPi;
    return phase;
}

bool isFinite(double value) {
    return std::isfinite(value);
}

std::size_t textBitCount(std::string_view text) {
    std::size_t bits = 0;
    for (char c : text) bits += varicodeBits(static_cast<std::uint8_t>(c)).size() + 2;
    return bits;
}

}  // namespace

Modulator::Modulator(const ModulatorConfig& config) : config_(config) {
    if (!isFinite(config.sampleRateHz) || config.sampleRateHz <= 0.0) {
        throw std::invalid_argument("Modulator: sample rate must be positive");
    }
    if (!isFinite(config.carrierHz) || config.carrierHz < 0.0 ||
        config.carrierHz >= config.sampleRateHz / 2.0) {
        throw std::invalid_argument("Modulator: carrier must lie between 0 Hz and half the rate");
    }
    if (!isValidMode(static_cast<int>(config.mode))) {
        throw std::invalid_argument("Modulator: unknown mode");
    }
    if (!isValidSpeed(static_cast<int>(config.speed)) ||
        symbolRateBaud(config.speed) >= config.sampleRateHz / 4.0) {
        throw std::invalid_argument("Modulator: unknown speed, or too fast for the sample rate");
    }
    if (!isFinite(config.clockErrorPpm) || config.clockErrorPpm <= -1e5 ||
        config.clockErrorPpm >= 1e5) {
        throw std::invalid_argument("Modulator: clock error out of range");
    }
    if (!isFinite(config.amplitude) || config.amplitude < 0.0 ||
        !isFinite(config.initialPhaseRad)) {
        throw std::invalid_argument("Modulator: amplitude and phase must be finite");
    }
    if (config.keying != Keying::RaisedCosine && config.keying != Keying::Hard) {
        throw std::invalid_argument("Modulator: unknown keying");
    }
    symbolStep_ =
        symbolRateBaud(config.speed) * (1.0 + config.clockErrorPpm * 1e-6) / config.sampleRateHz;
    carrierStepRad_ = kTwoPi * config.carrierHz / config.sampleRateHz;
    dataPhaseRad_ = wrapPhaseRad(config.initialPhaseRad);
    queue_.resize(256);
}

void Modulator::push(std::uint8_t symbol) {
    if (queueCount_ == queue_.size()) {
        // Grow, unrolling the ring so that the oldest entry comes first.
        std::vector<std::uint8_t> grown(queue_.size() * 2);
        for (std::size_t i = 0; i < queueCount_; ++i) {
            grown[i] = queue_[(queueHead_ + i) % queue_.size()];
        }
        queue_ = std::move(grown);
        queueHead_ = 0;
    }
    queue_[(queueHead_ + queueCount_) % queue_.size()] = symbol;
    ++queueCount_;
}

void Modulator::queueText(std::string_view text) {
    for (char c : text) {
        for (char bit : varicodeBits(static_cast<std::uint8_t>(c))) {
            push(bit == '1' ? kBitOne : kBitZero);
        }
        push(kBitZero);
        push(kBitZero);
    }
}

void Modulator::queueBits(std::string_view bits) {
    for (char bit : bits) {
        if (bit == '0' || bit == '1') push(bit == '1' ? kBitOne : kBitZero);
    }
}

void Modulator::queueIdle(int symbols) {
    for (int i = 0; i < symbols; ++i) push(kBitZero);
}

void Modulator::queueSilence(int symbols) {
    for (int i = 0; i < symbols; ++i) push(kSilence);
}

std::size_t Modulator::pendingSymbols() const {
    return queueCount_;
}

void Modulator::setCarrierHz(double hz) {
    if (!isFinite(hz) || hz < 0.0 || hz >= config_.sampleRateHz / 2.0) return;
    config_.carrierHz = hz;
    carrierStepRad_ = kTwoPi * hz / config_.sampleRateHz;
}

double Modulator::phaseShiftRad(int bit) {
    if (config_.mode == Mode::Bpsk) {
        // A zero is sent as a phase reversal, a one as no change.
        return bit == 0 ? std::numbers::pi : 0.0;
    }
    return qpskPhaseShiftRad(encoder_.encode(bit), config_.mode);
}

void Modulator::startNextSymbol() {
    std::uint8_t symbol = kBitZero;  // an empty queue sends idle
    if (queueCount_ > 0) {
        symbol = queue_[queueHead_];
        queueHead_ = (queueHead_ + 1) % queue_.size();
        --queueCount_;
    }
    fromPoint_ = toPoint_;
    if (symbol == kSilence) {
        toPoint_ = 0.0;
        return;
    }
    dataPhaseRad_ = wrapPhaseRad(dataPhaseRad_ + phaseShiftRad(symbol));
    toPoint_ = std::polar(1.0, dataPhaseRad_);
}

void Modulator::process(std::span<float> out) {
    for (float& sample : out) {
        if (symbolPosition_ >= 1.0) {
            symbolPosition_ -= 1.0;
            startNextSymbol();
        }
        // Raised-cosine passage from the old phase point to the new one: for a reversal the
        // envelope follows cos(pi t / T) through zero; an unchanged phase stays steady. Hard
        // keying is at the new point from the symbol's start.
        const double weight = config_.keying == Keying::Hard
                                  ? 0.0
                                  : 0.5 * (1.0 + std::cos(std::numbers::pi * symbolPosition_));
        const std::complex<double> point = fromPoint_ * weight + toPoint_ * (1.0 - weight);
        const double value =
            point.real() * std::cos(carrierPhaseRad_) - point.imag() * std::sin(carrierPhaseRad_);
        sample = static_cast<float>(config_.amplitude * value);

        carrierPhaseRad_ += carrierStepRad_;
        if (carrierPhaseRad_ >= kTwoPi) carrierPhaseRad_ -= kTwoPi;
        symbolPosition_ += symbolStep_;
    }
}

std::vector<float> modulateText(const ModulatorConfig& config, std::string_view text, int leadIdle,
                                int tailIdle) {
    Modulator modulator(config);
    const int lead = std::max(leadIdle, 0);
    const int tail = std::max(tailIdle, 0);
    modulator.queueIdle(lead);
    modulator.queueText(text);
    modulator.queueIdle(tail);
    const double symbols =
        static_cast<double>(textBitCount(text)) + static_cast<double>(lead) + tail;
    const double samplesPerSymbol =
        config.sampleRateHz / (symbolRateBaud(config.speed) * (1.0 + config.clockErrorPpm * 1e-6));
    std::vector<float> samples(static_cast<std::size_t>(std::ceil(symbols * samplesPerSymbol)));
    modulator.process(samples);
    return samples;
}

}  // namespace pskmodem
