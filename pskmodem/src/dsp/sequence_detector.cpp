#include "pskmodem/dsp/sequence_detector.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace pskmodem {

SequenceDetector::SequenceDetector(int delaySymbols, double neighbourInterference, Words words)
    : delay_(delaySymbols),
      interference_(static_cast<float>(neighbourInterference)),
      wordStates_(words == Words::Varicode ? kVaricodeWordStates : 1) {
    if (delaySymbols < 1 || delaySymbols > kMaxDelaySymbols) {
        throw std::invalid_argument("SequenceDetector: delay out of range");
    }
    if (!(neighbourInterference >= 0.0 && neighbourInterference < 0.5)) {
        throw std::invalid_argument("SequenceDetector: interference out of range");
    }
    // Without the word structure every bit leads to the one place, 0 (never the over-long one).
    if (words == Words::Varicode) {
        for (int w = 0; w < wordStates_; ++w) {
            next_[static_cast<std::size_t>(w)] = {
                static_cast<std::int8_t>(nextVaricodeWordState(w, 0)),
                static_cast<std::int8_t>(nextVaricodeWordState(w, 1))};
        }
    }
    reset();
}

void SequenceDetector::reset() {
    // Nothing is known at the start: every state is as likely as any other.
    metrics_.fill(0.0F);
    paths_.fill(0U);
    best_ = 0;
    filled_ = 0;
    scale_.reset();
}

int SequenceDetector::push(float inPhase, float amplitude) {
    if (!std::isfinite(inPhase)) inPhase = 0.0F;
    if (!std::isfinite(amplitude) || amplitude < 0.0F) amplitude = 0.0F;
    scale_.push(inPhase);
    const float penalty = amplitude * interference_;
    const float overlong = amplitude * kOverlongCost;
    const int states = 2 * wordStates_;
    constexpr float kNone = -std::numeric_limits<float>::infinity();
    std::array<float, kMaxStates> metrics;
    metrics.fill(kNone);
    std::array<std::uint64_t, kMaxStates> paths{};
    // State index: sign * wordStates_ + word place (sign 0: newest symbol +1, 1: -1). Keeping the
    // sign is a data bit 1 and costs the interference penalty; changing it is a 0 and earns it.
    for (int from = 0; from < states; ++from) {
        const float m = metrics_[static_cast<std::size_t>(from)];
        if (m == kNone) continue;
        const int sign = from / wordStates_;
        const int place = from % wordStates_;
        const auto& next = next_[static_cast<std::size_t>(place)];
        for (int newSign = 0; newSign < 2; ++newSign) {
            const int bit = newSign == sign ? 1 : 0;
            const int word = next[static_cast<std::size_t>(bit)];
            float candidate =
                m + (bit != 0 ? -penalty : penalty) + (newSign == 0 ? inPhase : -inPhase);
            if (word == kVaricodeOverlongOne && place < kVaricodeOverlongOne) candidate -= overlong;
            const auto to = static_cast<std::size_t>(newSign * wordStates_ + word);
            if (candidate > metrics[to]) {
                metrics[to] = candidate;
                paths[to] = (paths_[static_cast<std::size_t>(from)] << 1U) |
                            static_cast<std::uint64_t>(newSign);
            }
        }
    }
    float top = kNone;
    for (int s = 0; s < states; ++s) {
        if (metrics[static_cast<std::size_t>(s)] > top) {
            top = metrics[static_cast<std::size_t>(s)];
            best_ = s;
        }
    }
    // Keep the metrics small: only their differences matter.
    for (int s = 0; s < states; ++s) {
        const auto i = static_cast<std::size_t>(s);
        metrics_[i] = metrics[i] == kNone ? kNone : metrics[i] - top;
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

int SequenceDetector::symbolAt(int depth) const {
    if (depth < 0 || depth > 63) return 1;
    const std::uint64_t path = paths_[static_cast<std::size_t>(best_)];
    return ((path >> static_cast<unsigned>(depth)) & 1U) != 0U ? -1 : 1;
}

}  // namespace pskmodem

namespace pskmodem {

DecidedBits SequenceDetector::decidedBits() const {
    std::array<float, kMaxStates> deficits{};
    std::array<std::uint64_t, kMaxStates> data{};
    const auto states = static_cast<std::size_t>(2 * wordStates_);
    // Data bit d is 1 where the symbols d and d + 1 back have the same sign; the oldest symbol
    // has no older one, so that bit is left clear on every path.
    constexpr std::uint64_t kKnown = ~(std::uint64_t{1} << 63U);
    for (std::size_t s = 0; s < states; ++s) {
        deficits[s] = -metrics_[s];
        data[s] = ~(paths_[s] ^ (paths_[s] >> 1U)) & kKnown;
    }
    return pskmodem::decidedBits(std::span<const float>(deficits).first(states),
                                 std::span<const std::uint64_t>(data).first(states),
                                 static_cast<std::size_t>(best_), scale_.decisiveDifference());
}

}  // namespace pskmodem
