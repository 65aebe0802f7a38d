#include "pskmodem/dsp/decided_frequency.h"

#include <cmath>
#include <stdexcept>

namespace pskmodem {

namespace {

// Averaging weight per decided symbol.
constexpr float kTurnWeight = 1.0F / 32.0F;

// Turns back by q quarter turns: multiplies by exp(-j q pi / 2), exactly.
std::complex<float> turnBack(std::complex<float> z, int q) {
    switch (q & 3) {
        case 1:
            return {z.imag(), -z.real()};
        case 2:
            return -z;
        case 3:
            return {-z.imag(), z.real()};
        default:
            return z;
    }
}

}  // namespace

DecidedFrequency::DecidedFrequency(int delaySymbols) : delay_(delaySymbols) {
    if (delaySymbols < 1 || delaySymbols > kMaxDelaySymbols) {
        throw std::invalid_argument("DecidedFrequency: delay out of range");
    }
}

void DecidedFrequency::reset() {
    encoder_.reset();
    fed_ = {};
    count_ = 0;
    turn_ = {};
}

void DecidedFrequency::push(std::complex<float> fed, int bit, Mode mode) {
    if (!std::isfinite(fed.real()) || !std::isfinite(fed.imag())) fed = {};
    fed_[count_ % kHistory] = fed;
    ++count_;
    if (bit < 0 || count_ <= static_cast<std::uint32_t>(delay_) + 1U) return;
    // The decided bit sets the phase change into the symbol `delay_` pushes back.
    const int change = qpskQuarterTurns(encoder_.encode(bit), mode);
    const std::uint32_t now = count_ - 1U - static_cast<std::uint32_t>(delay_);
    const std::complex<float> turn =
        turnBack(fed_[now % kHistory] * std::conj(fed_[(now - 1U) % kHistory]), change);
    turn_ += kTurnWeight * (turn - turn_);
}

double DecidedFrequency::turnRadPerSymbol() const {
    return turn_ == std::complex<float>{} ? 0.0 : static_cast<double>(std::arg(turn_));
}

}  // namespace pskmodem
