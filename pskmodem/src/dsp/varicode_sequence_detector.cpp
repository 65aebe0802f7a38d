#include "pskmodem/dsp/varicode_sequence_detector.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace pskmodem {

VaricodeSequenceDetector::VaricodeSequenceDetector(int delaySymbols, double neighbourInterference)
    : delay_(delaySymbols), interference_(static_cast<float>(neighbourInterference)) {
    if (delaySymbols < 1 || delaySymbols > kMaxDelaySymbols) {
        throw std::invalid_argument("VaricodeSequenceDetector: delay out of range");
    }
    if (!(neighbourInterference >= 0.0 && neighbourInterference < 0.5)) {
        throw std::invalid_argument("VaricodeSequenceDetector: interference out of range");
    }
    for (int w = 0; w < kWordStates; ++w) {
        next_[static_cast<std::size_t>(w)] = {
            static_cast<std::int8_t>(nextVaricodeWordState(w, 0)),
            static_cast<std::int8_t>(nextVaricodeWordState(w, 1))};
    }
    reset();
}

void VaricodeSequenceDetector::reset() {
    // Nothing is known at the start: every state is as likely as any other.
    metrics_.fill(0.0F);
    paths_.fill(0U);
    best_ = 0;
    filled_ = 0;
}

int VaricodeSequenceDetector::push(float inPhase, float amplitude) {
    if (!std::isfinite(inPhase)) inPhase = 0.0F;
    if (!std::isfinite(amplitude) || amplitude < 0.0F) amplitude = 0.0F;
    const float penalty = amplitude * interference_;
    const float overlong = amplitude * kOverlongCost;
    constexpr float kNone = -std::numeric_limits<float>::infinity();
    std::array<float, kStates> metrics;
    metrics.fill(kNone);
    std::array<std::uint64_t, kStates> paths{};
    // State index: sign * kWordStates + word place (sign 0: newest symbol +1, 1: -1). Keeping the
    // sign is a data bit 1 and costs the interference penalty; changing it is a 0 and earns it.
    for (int from = 0; from < kStates; ++from) {
        const float m = metrics_[static_cast<std::size_t>(from)];
        if (m == kNone) continue;
        const int sign = from / kWordStates;
        const auto& next = next_[static_cast<std::size_t>(from % kWordStates)];
        for (int newSign = 0; newSign < 2; ++newSign) {
            const int bit = newSign == sign ? 1 : 0;
            const int word = next[static_cast<std::size_t>(bit)];
            float candidate =
                m + (bit != 0 ? -penalty : penalty) + (newSign == 0 ? inPhase : -inPhase);
            if (word == kVaricodeOverlongOne && from % kWordStates < kVaricodeOverlongOne)
                candidate -= overlong;
            const auto to = static_cast<std::size_t>(newSign * kWordStates + word);
            if (candidate > metrics[to]) {
                metrics[to] = candidate;
                paths[to] = (paths_[static_cast<std::size_t>(from)] << 1U) |
                            static_cast<std::uint64_t>(newSign);
            }
        }
    }
    float top = kNone;
    for (int s = 0; s < kStates; ++s) {
        if (metrics[static_cast<std::size_t>(s)] > top) {
            top = metrics[static_cast<std::size_t>(s)];
            best_ = s;
        }
    }
    // Keep the metrics small: only their differences matter.
    for (std::size_t s = 0; s < metrics.size(); ++s) {
        metrics_[s] = metrics[s] == kNone ? kNone : metrics[s] - top;
    }
    paths_ = paths;
    if (filled_ < delay_ + 2) {
        ++filled_;
        if (filled_ < delay_ + 2) return -1;
    }
    const std::uint64_t path = paths_[static_cast<std::size_t>(best_)];
    const auto d = static_cast<unsigned>(delay_);
    const bool newer = ((path >> d) & 1U) != 0U;
    const bool older = ((path >> (d + 1U)) & 1U) != 0U;
    return newer == older ? 1 : 0;
}

int VaricodeSequenceDetector::symbolAt(int depth) const {
    if (depth < 0 || depth > 63) return 1;
    const std::uint64_t path = paths_[static_cast<std::size_t>(best_)];
    return ((path >> static_cast<unsigned>(depth)) & 1U) != 0U ? -1 : 1;
}

}  // namespace pskmodem
