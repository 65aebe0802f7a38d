#include "pskmodem/dsp/sequence_detector.h"

#include <cmath>
#include <stdexcept>

namespace pskmodem {

SequenceDetector::SequenceDetector(int delaySymbols, double neighbourInterference)
    : delay_(delaySymbols), interference_(static_cast<float>(neighbourInterference)) {
    if (delaySymbols < 1 || delaySymbols > kMaxDelaySymbols) {
        throw std::invalid_argument("SequenceDetector: delay out of range");
    }
    if (!(neighbourInterference >= 0.0 && neighbourInterference < 0.5)) {
        throw std::invalid_argument("SequenceDetector: interference out of range");
    }
}

void SequenceDetector::reset() {
    metrics_ = {0.0F, 0.0F};
    paths_ = {0U, 0U};
    best_ = 0;
    filled_ = 0;
}

int SequenceDetector::push(float inPhase, float amplitude) {
    if (!std::isfinite(inPhase)) inPhase = 0.0F;
    if (!std::isfinite(amplitude) || amplitude < 0.0F) amplitude = 0.0F;
    const float penalty = amplitude * interference_;
    // State 0: newest symbol +1; state 1: newest symbol -1. Staying in a state (no phase change)
    // costs the interference penalty, crossing earns it.
    const float stay0 = metrics_[0] - penalty;
    const float cross0 = metrics_[1] + penalty;
    const float stay1 = metrics_[1] - penalty;
    const float cross1 = metrics_[0] + penalty;
    const bool from1To0 = cross0 > stay0;
    const bool from0To1 = cross1 > stay1;
    const float m0 = (from1To0 ? cross0 : stay0) + inPhase;
    const float m1 = (from0To1 ? cross1 : stay1) - inPhase;
    const std::uint64_t p0 = paths_[from1To0 ? 1 : 0] << 1U;
    const std::uint64_t p1 = (paths_[from0To1 ? 0 : 1] << 1U) | 1U;
    // Keep the metrics small: only their difference matters.
    const float top = m0 > m1 ? m0 : m1;
    metrics_ = {m0 - top, m1 - top};
    paths_ = {p0, p1};
    best_ = m1 > m0 ? 1 : 0;
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

int SequenceDetector::symbolAt(int depth) const {
    if (depth < 0 || depth > 63) return 1;
    const std::uint64_t path = paths_[static_cast<std::size_t>(best_)];
    return ((path >> static_cast<unsigned>(depth)) & 1U) != 0U ? -1 : 1;
}

}  // namespace pskmodem
