#include "pskmodem/codec/decided_bits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace pskmodem {

DecidedBits decidedBits(std::span<const float> deficits, std::span<const std::uint64_t> data,
                        std::size_t best, float reach) {
    constexpr int kBits = 64;
    DecidedBits result;
    if (best >= data.size() || data.size() != deficits.size()) {
        result.fromDepth = kBits;
        return result;
    }
    result.bits = data[best];
    // The newest bit on which a survivor within reach disagrees: it and all newer are open.
    std::uint64_t open = 0;
    for (std::size_t s = 0; s < data.size(); ++s) {
        if (deficits[s] < reach || !(deficits[s] >= 0.0F)) open |= data[s] ^ result.bits;
    }
    result.fromDepth = open == 0U ? 0 : kBits - std::countl_zero(open);
    return result;
}

void SymbolSeparation::reset() {
    mean_ = 0.0F;
    square_ = 0.0F;
    count_ = 0;
}

void SymbolSeparation::push(float gap) {
    // A running mean over the last some 32 symbols, a plain one until that many have come.
    constexpr int kSymbols = 32;
    if (!std::isfinite(gap)) return;
    count_ = std::min(count_ + 1, kSymbols);
    const float weight = 1.0F / static_cast<float>(count_);
    mean_ += weight * (gap - mean_);
    square_ += weight * (gap * gap - square_);
}

float SymbolSeparation::decisiveDifference() const {
    const float variance = std::max(square_ - mean_ * mean_, 0.0F);
    if (count_ == 0 || !(mean_ > 0.0F)) return std::numeric_limits<float>::infinity();
    return kDecidedLogLikelihood * variance / (2.0F * mean_);
}

}  // namespace pskmodem
