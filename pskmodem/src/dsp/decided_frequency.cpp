#include "pskmodem/dsp/decided_frequency.h"

#include <cmath>
#include <stdexcept>

namespace pskmodem {

namespace {

// Averaging weight per decided symbol.
constexpr float kTurnWeight = 1.0F / 32.0F;

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
    const double change = qpskPhaseShiftRad(encoder_.encode(bit), mode);
    const std::uint32_t now = count_ - 1U - static_cast<std::uint32_t>(delay_);
    const std::complex<float> turn = fed_[now % kHistory] * std::conj(fed_[(now - 1U) % kHistory]) *
                                     std::polar(1.0F, static_cast<float>(-change));
    turn_ += kTurnWeight * (turn - turn_);
}

double DecidedFrequency::turnRadPerSymbol() const {
    return turn_ == std::complex<float>{} ? 0.0 : static_cast<double>(std::arg(turn_));
}

}  // namespace pskmodem
