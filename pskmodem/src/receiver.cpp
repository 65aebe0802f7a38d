#include "pskmodem/receiver.h"

#include <algorithm>
#include <cmath>

namespace pskmodem {

// First version: keeps the settings and reports an idle, closed channel. The demodulator
// follows.
struct Receiver::Impl {
    double centreHz = 1000.0;
    double searchRangeHz = 0.0;
    Mode mode = Mode::Bpsk;
    int squelchThreshold = 0;
    int squelchSpeed = 0;
};

Receiver::Receiver() : impl_(std::make_unique<Impl>()) {}
Receiver::~Receiver() = default;

void Receiver::reset() {}

void Receiver::setFrequency(double centreHz, double searchRangeHz) {
    impl_->centreHz = std::clamp(std::isfinite(centreHz) ? centreHz : 1000.0, 100.0, 3500.0);
    impl_->searchRangeHz = std::max(0.0, std::isfinite(searchRangeHz) ? searchRangeHz : 0.0);
}

void Receiver::setMode(Mode mode) {
    impl_->mode = mode;
}

void Receiver::setSquelch(int threshold, int speed) {
    impl_->squelchThreshold = std::clamp(threshold, 0, 99);
    impl_->squelchSpeed = speed != 0 ? 1 : 0;
}

void Receiver::process(std::span<const float> in, CharSink& out) {
    (void)in;
    (void)out;
}

double Receiver::frequencyHz() const {
    return impl_->centreHz;
}

int Receiver::quality() const {
    return 0;
}

std::array<std::int32_t, 16> Receiver::vectors() const {
    std::array<std::int32_t, 16> v{};
    v.fill(22 * 52);
    return v;
}

bool Receiver::squelchOpen() const {
    return impl_->squelchThreshold == 0;
}

}  // namespace pskmodem
